#version 440 core

// The occlusion image: the lamp (draw_background 0) in its own colour, the glow around it (2) fading out to its rim, everything
// else (1) black, so only the parts of lamp and glow that nothing hides can
// send out shafts.
uniform int draw_background;
uniform sampler2D diffuse_sampler;

in vec2 uv;
out vec4 colour;

// Most of the light comes from the glow, and it stays strong far out to its
// rim: so a pillar or an arch that crosses the glow well away from the small
// lamp still cuts a dark band into the shafts, and one passing in front of
// the lamp dims them rather than switching them off.
const vec3 glowColour = vec3(1.0, 0.9, 0.7);
const float glowStrength = 0.4;
const float lampStrength = 0.2;

void main()
{
    if (draw_background == 1) {
        colour = vec4(0.0, 0.0, 0.0, 1.0);
        return;
    }
    if (draw_background == 2) {
        float r = length(uv);
        if (r >= 1.0)
            discard;
        float fall = 1.0 - r * r;
        colour = vec4(glowColour * glowStrength * fall, 1.0);
        return;
    }
    vec4 lamp = texture(diffuse_sampler, uv);
    // Without a texture (alpha 0) the lamp glows white.
    colour = vec4(lampStrength * mix(vec3(1.0), lamp.rgb, lamp.a), 1.0);
}

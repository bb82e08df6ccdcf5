#version 440 core

// The occlusion image: the lamp (draw_background 0) in its own colour, the
// glow around it (2), everything else (1) black, so only the parts of lamp
// and glow that nothing hides can send out shafts.
uniform int draw_background;
uniform sampler2D diffuse_sampler;

in vec2 uv;
out vec4 colour;

// The march adds up the image along the line from the lamp to each pixel,
// so a gap between shafts needs something dark lying along that line where
// the image is bright. Most of the light is therefore a ring around the
// lamp as wide as the lantern (radii are in glow radii, 4.5 m: the ring
// lies 0.45 m out): the glazing crosses in the lantern's faces, lines
// through the lamp seen face on, cut it into beams, which a glow filling
// the whole disc evenly would wash over. The faint wide glow beyond is what
// pillars and arches crossing it farther out still cut into bands.
const vec3 glowColour = vec3(1.0, 0.9, 0.7);
const float glowStrength = 0.08;
const float lampStrength = 0.4;
const float ringRadius = 0.1;
const float ringWidth = 0.04;
const float ringStrength = 2.0;

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
        // Where the ring is narrower than a pixel or two (a small or scaled-down
        // frame) it is drawn wider and fainter with the same light in it, so
        // the shafts keep their strength at every render size.
        float width = max(ringWidth, 1.5 * fwidth(r));
        float ring = exp(-pow((r - ringRadius) / width, 2.0)) * ringWidth / width;
        colour = vec4(glowColour * (glowStrength * fall + ringStrength * ring), 1.0);
        return;
    }
    vec4 lamp = texture(diffuse_sampler, uv);
    // Without a texture (alpha 0) the lamp glows white.
    colour = vec4(lampStrength * mix(vec3(1.0), lamp.rgb, lamp.a), 1.0);
}

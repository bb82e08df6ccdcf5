#version 440 core

// The occlusion image: the lamp (draw_background 0) in its own colour at
// full brightness, everything else (draw_background 1) black, so only the
// parts of the lamp nothing hides can send out shafts.
uniform int draw_background;
uniform sampler2D diffuse_sampler;

in vec2 uv;
out vec4 colour;

void main()
{
    if (draw_background != 0) {
        colour = vec4(0.0, 0.0, 0.0, 1.0);
        return;
    }
    vec4 lamp = texture(diffuse_sampler, uv);
    // Without a texture (alpha 0) the lamp glows white.
    colour = vec4(mix(vec3(1.0), lamp.rgb, lamp.a), 1.0);
}

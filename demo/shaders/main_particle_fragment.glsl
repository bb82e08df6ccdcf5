#version 440 core

// Frame curr_frame (0..89) of the glow atlas: 90 square frames, 10 across
// and 9 down, frame 0 at the top left of the image file (which arrives
// bottom row first). The white core keeps its colour; the halo takes the
// hue between start_hue and end_hue that decay_factor picks, and the whole
// glow dims as decay_factor goes from 0 to 1.
uniform sampler2D tex_sampler;
uniform float curr_frame;
uniform float decay_factor;
uniform float start_hue;
uniform float end_hue;

in vec2 corner;
out vec4 colour;

const float haloLift = 0.45;

vec3 hueToRgb(float h)
{
    return clamp(abs(mod(h * 6.0 + vec3(0.0, 4.0, 2.0), 6.0) - 3.0) - 1.0, 0.0, 1.0);
}

void main()
{
    float frame = clamp(floor(curr_frame), 0.0, 89.0);
    float column = mod(frame, 10.0);
    float row = floor(frame / 10.0);
    vec4 glow = texture(tex_sampler, vec2((column + corner.x) / 10.0, (8.0 - row + corner.y) / 9.0));
    vec3 white = glow.rgb / max(glow.a, 0.004);
    vec3 halo = hueToRgb(mix(start_hue, end_hue, decay_factor));
    // The core (alpha near 1) stays white; the fringe turns to the hue.
    vec3 tint = mix(mix(vec3(1.0), halo, 0.45), vec3(1.0), smoothstep(0.6, 1.0, glow.a));
    // The atlas's halo is faint; lifting its alpha lets the glow read as
    // a ball of light around the core rather than a point.
    // The lift would turn the 8-bit atlas's faintest steps at the rim into a
    // hard, stair-stepped edge; the rim's first few steps fade in instead.
    float body = pow(glow.a, haloLift) * smoothstep(0.0, 0.06, glow.a);
    colour = vec4(white * tint, body * (1.0 - clamp(decay_factor, 0.0, 1.0)));
}

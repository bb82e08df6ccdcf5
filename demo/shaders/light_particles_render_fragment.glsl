#version 440 core

// A spark: one frame of the glow sprite, stepping through the animation as
// the spark ages, tinted by its hue and fading out towards its death and
// right by the camera (nearness).
uniform sampler2D tex_sampler;

in vec2 corner;
flat in float age;
flat in float hue;
flat in float nearness;

out vec4 colour;

// The sprite atlas: 90 square frames, 10 across and 9 down, frame 0 at the
// top left of the image file. The image arrives bottom row first, so row r
// of the file spans t from (8 - r) / 9 to (9 - r) / 9. inCell is (0, 0) at
// the frame's bottom left.
vec2 atlasCoordinate(float frame, vec2 inCell)
{
    float column = mod(frame, 10.0);
    float row = floor(frame / 10.0);
    return vec2((column + inCell.x) / 10.0, (8.0 - row + inCell.y) / 9.0);
}

vec3 hueToRgb(float h)
{
    vec3 k = clamp(abs(mod(h * 6.0 + vec3(0.0, 4.0, 2.0), 6.0) - 3.0) - 1.0, 0.0, 1.0);
    return k;
}

void main()
{
    float frame = floor(clamp(age, 0.0, 1.0) * 89.0);
    vec4 glow = texture(tex_sampler, atlasCoordinate(frame, corner));
    // The sprite's colour comes multiplied by its coverage; blending
    // multiplies by coverage again, so take it out once here.
    vec3 white = glow.rgb / max(glow.a, 0.004);
    // A white-hot centre over the hue's colour.
    vec3 tint = mix(hueToRgb(hue), vec3(1.0), 0.35);
    float fade = 1.0 - smoothstep(0.6, 1.0, age);
    colour = vec4(white * tint, glow.a * fade * nearness);
}

#version 440 core

// One vertical pass of the seven-tap Gaussian blur into a blur level of
// screen_size pixels. One tap is one pixel of that level. When the texture
// read is larger than the level (the full-size source of a smaller level),
// each tap averages all the texels that the level pixel covers, so that
// small bright spots are neither missed nor flicker as they move.
uniform sampler2D tex;
uniform vec2 screen_size;
uniform float weight[7];

out vec4 colour;

void main()
{
    vec2 texelSize = 1.0 / vec2(textureSize(tex, 0));
    ivec2 footprint = max(ivec2(round(vec2(textureSize(tex, 0)) / screen_size)), ivec2(1));
    // Centre of the first texel under this pixel.
    vec2 first = (floor(gl_FragCoord.xy) * vec2(footprint) + 0.5) * texelSize;
    vec2 tap = vec2(0.0, 1.0) * vec2(footprint) * texelSize;
    float boxWeight = 1.0 / float(footprint.x * footprint.y);

    vec3 sum = vec3(0.0);
    for (int i = 0; i < 7; ++i) {
        vec2 corner = first + float(i - 3) * tap;
        vec3 box = vec3(0.0);
        for (int y = 0; y < footprint.y; ++y) {
            for (int x = 0; x < footprint.x; ++x) {
                box += texture(tex, corner + vec2(x, y) * texelSize).rgb;
            }
        }
        sum += weight[i] * boxWeight * box;
    }
    colour = vec4(sum, 1.0);
}

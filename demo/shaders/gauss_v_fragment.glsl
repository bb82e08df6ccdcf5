#version 440 core

// One vertical pass of the seven-tap Gaussian blur into a blur level of
// screen_size pixels. One tap is one pixel of that level. When the texture
// read is larger than the level (the full-size source of a smaller level),
// each tap averages all the texels that the level pixel covers, so that
// small bright spots are neither missed nor flicker as they move. Where the
// footprint is an even number of texels, one filtered read in the middle of
// each 2 x 2 block averages the block exactly, a quarter of the reads.
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

    bool pairs = footprint.x % 2 == 0 && footprint.y % 2 == 0;
    int stride = pairs ? 2 : 1;
    vec2 blockCentre = pairs ? 0.5 * texelSize : vec2(0.0);
    float readWeight = boxWeight * float(stride * stride);

    vec3 sum = vec3(0.0);
    for (int i = 0; i < 7; ++i) {
        vec2 corner = first + float(i - 3) * tap + blockCentre;
        vec3 box = vec3(0.0);
        for (int y = 0; y < footprint.y; y += stride) {
            for (int x = 0; x < footprint.x; x += stride) {
                box += texture(tex, corner + vec2(x, y) * texelSize).rgb;
            }
        }
        sum += weight[i] * readWeight * box;
    }
    colour = vec4(sum, 1.0);
}

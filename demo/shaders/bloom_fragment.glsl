#version 440 core

// Puts the lit scene and its blurred bright parts together and maps the sum
// through the tone curve, then smooths stair-stepped edges. The tone curve
// and the edge smoothing are the same as in copy_fragment (keep the two
// alike): bloom only adds glow, the curve alone sets the exposure.
// bloom_strength scales the glow: the timeline's "bloom" keys make it
// breathe with the music, 1 where a shot has none.
uniform sampler2D scene;
uniform sampler2D blur;
uniform float bloom_strength = 1.0;

in vec2 uv;
out vec4 colour;

const float bloomStrength = 0.9;

// Filmic curve (a rational fit of the ACES film response): a gentle toe
// that keeps the shadows' colour, a long shoulder for the highlights.
// Scaled so that it approaches whitePeak and never reaches 1: bright
// surfaces roll off instead of clipping to a flat white.
const float exposure = 0.9;
const float whitePeak = 0.97;

vec3 filmic(vec3 hdr)
{
    vec3 x = max(hdr, vec3(0.0)) * exposure;
    return whitePeak * (2.43 / 2.51) * (x * (2.51 * x + 0.03)) / (x * (2.43 * x + 0.59) + 0.14);
}

// The blur is smooth, so one read of it serves every tap of the smoothing.
vec3 glow;

vec3 shade(vec2 at)
{
    return filmic(texture(scene, at).rgb + glow);
}

// Edge smoothing after the tone curve, in the manner of FXAA: where the
// corner neighbours' brightness differs enough from the pixel's, the pixel
// is blended along the edge's direction, found from the neighbours'
// brightness gradient. Flat areas leave early and keep their exact colour.
const float edgeThreshold = 1.0 / 8.0;
const float edgeThresholdMin = 1.0 / 32.0;
const float reduceMul = 1.0 / 8.0;
const float reduceMin = 1.0 / 128.0;
const float spanMax = 8.0;

float luma(vec3 c)
{
    return dot(c, vec3(0.299, 0.587, 0.114));
}

vec3 smoothEdges(vec2 at)
{
    vec2 texel = 1.0 / vec2(textureSize(scene, 0));
    vec3 centre = shade(at);
    float m = luma(centre);
    float nw = luma(shade(at + vec2(-1.0, 1.0) * texel));
    float ne = luma(shade(at + vec2(1.0, 1.0) * texel));
    float sw = luma(shade(at + vec2(-1.0, -1.0) * texel));
    float se = luma(shade(at + vec2(1.0, -1.0) * texel));
    float lowest = min(m, min(min(nw, ne), min(sw, se)));
    float highest = max(m, max(max(nw, ne), max(sw, se)));
    if (highest - lowest < max(edgeThresholdMin, highest * edgeThreshold))
        return centre;

    vec2 along = vec2(-((nw + ne) - (sw + se)), (nw + sw) - (ne + se));
    float reduce = max((nw + ne + sw + se) * 0.25 * reduceMul, reduceMin);
    float scale = 1.0 / (min(abs(along.x), abs(along.y)) + reduce);
    along = clamp(along * scale, vec2(-spanMax), vec2(spanMax)) * texel;

    vec3 near = 0.5 * (shade(at - along / 6.0) + shade(at + along / 6.0));
    vec3 wide = 0.5 * near + 0.25 * (shade(at - along * 0.5) + shade(at + along * 0.5));
    float wideLuma = luma(wide);
    // The wide blend can reach past the edge onto other detail; then keep the near one.
    return wideLuma < lowest || wideLuma > highest ? near : wide;
}

void main()
{
    glow = bloomStrength * bloom_strength * texture(blur, uv).rgb;
    colour = vec4(smoothEdges(uv), 1.0);
}

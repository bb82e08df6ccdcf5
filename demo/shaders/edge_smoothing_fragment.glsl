#version 440 core

// The last step of a frame: the finished picture (tone-mapped, sky, mirrors,
// sparks and shafts all in) goes onto the window with its stair-stepped
// edges smoothed, in the manner of FXAA. Where the corner neighbours'
// brightness differs enough from the pixel's, the pixel is blended along the
// edge's direction, found from the neighbours' brightness gradient; flat
// areas leave early and keep their exact colour. The picture may be smaller
// than the window (a lowered render scale): the neighbours are then its own
// pixels, read with linear filtering, so the smoothing and the stretch are
// one draw.
uniform sampler2D scene;

in vec2 uv;
out vec4 colour;

const float edgeThreshold = 1.0 / 8.0;
const float edgeThresholdMin = 1.0 / 32.0;
const float reduceMul = 1.0 / 8.0;
const float reduceMin = 1.0 / 128.0;
const float spanMax = 8.0;

float luma(vec3 c)
{
    return dot(c, vec3(0.299, 0.587, 0.114));
}

vec3 picture(vec2 at)
{
    return texture(scene, at).rgb;
}

void main()
{
    vec2 texel = 1.0 / vec2(textureSize(scene, 0));
    vec3 centre = picture(uv);
    float m = luma(centre);
    float nw = luma(picture(uv + vec2(-1.0, 1.0) * texel));
    float ne = luma(picture(uv + vec2(1.0, 1.0) * texel));
    float sw = luma(picture(uv + vec2(-1.0, -1.0) * texel));
    float se = luma(picture(uv + vec2(1.0, -1.0) * texel));
    float lowest = min(m, min(min(nw, ne), min(sw, se)));
    float highest = max(m, max(max(nw, ne), max(sw, se)));
    if (highest - lowest < max(edgeThresholdMin, highest * edgeThreshold)) {
        colour = vec4(centre, 1.0);
        return;
    }

    vec2 along = vec2(-((nw + ne) - (sw + se)), (nw + sw) - (ne + se));
    float reduce = max((nw + ne + sw + se) * 0.25 * reduceMul, reduceMin);
    float scale = 1.0 / (min(abs(along.x), abs(along.y)) + reduce);
    along = clamp(along * scale, vec2(-spanMax), vec2(spanMax)) * texel;

    vec3 near = 0.5 * (picture(uv - along / 6.0) + picture(uv + along / 6.0));
    vec3 wide = 0.5 * near + 0.25 * (picture(uv - along * 0.5) + picture(uv + along * 0.5));
    float wideLuma = luma(wide);
    // The wide blend can reach past the edge onto other detail; then keep the near one.
    colour = vec4(wideLuma < lowest || wideLuma > highest ? near : wide, 1.0);
}

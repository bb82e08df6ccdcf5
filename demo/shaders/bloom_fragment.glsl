#version 440 core

// Puts the lit scene and its blurred bright parts together and maps the sum
// through the tone curve. The tone curve is the same as in copy_fragment
// (keep the two alike): bloom only adds glow, the curve alone sets the
// exposure.
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

// Where no mesh covers the pixel (its depth is still at the far end) a night
// sky goes in: a moonlit gradient, the moon and stars, fixed in the world by
// sky_from_screen (screen to world direction). A sky box drawn later covers
// it, so it shows only in shots without one. Keep the same in bloom_fragment
// and copy_fragment.
uniform mat4 sky_from_screen;
uniform sampler2D scene_depth;

const vec3 moonDirection = normalize(vec3(0.55, 0.42, 0.72));
const float starCells = 160.0;

float hash(vec3 p)
{
    p = fract(p * 0.3183099 + vec3(0.71, 0.113, 0.419));
    p *= 17.0;
    return fract(p.x * p.y * p.z * (p.x + p.y + p.z));
}

vec3 nightSky(vec2 at)
{
    vec4 far = sky_from_screen * vec4(at * 2.0 - 1.0, 1.0, 1.0);
    vec3 d = normalize(far.xyz / far.w);
    float up = clamp(d.y, 0.0, 1.0);
    vec3 sky = mix(vec3(0.05, 0.065, 0.11), vec3(0.008, 0.012, 0.032), sqrt(up));
    float toMoon = max(dot(d, moonDirection), 0.0);
    sky += vec3(0.30, 0.34, 0.42) * pow(toMoon, 48.0) + vec3(0.25, 0.28, 0.34) * pow(toMoon, 600.0);
    sky = mix(sky, vec3(2.4, 2.35, 2.1), smoothstep(0.99983, 0.99988, toMoon));
    // Stars: one in a few of the cells of a grid around the camera, at a
    // place of its own within the cell, fainter towards the horizon.
    vec3 cell = floor(d * starCells);
    if (hash(cell) > 0.988) {
        vec3 star = normalize(cell + 0.3 + 0.4 * vec3(hash(cell + 1.7), hash(cell + 3.1), hash(cell + 5.3)));
        float off = length(d - star) * starCells;
        float shine = 0.6 + 2.4 * hash(cell + 7.9);
        sky += vec3(0.9, 0.93, 1.0) * shine * smoothstep(0.16, 0.0, off) * smoothstep(0.0, 0.25, d.y);
    }
    return sky;
}

void main()
{
    vec3 glow = bloomStrength * bloom_strength * texture(blur, uv).rgb;
    vec3 lit = texture(scene, uv).rgb;
    colour = vec4(filmic((texture(scene_depth, uv).r == 1.0 ? nightSky(uv) : lit) + glow), 1.0);
}

#version 440 core

// Adds one point light's Blinn-Phong light at the stored surface under this
// pixel: to the lit scene, and what is brighter than bloomThreshold (plus
// every light-source mesh near this light, glowing in the light's colour at
// full brightness) to the bloom source. A faint unshadowed share of the
// diffuse light stands in for light bounced around the room, so surfaces
// turned away from every light are dark but not black.
//
// A fading light (a spark's: light_floor above 0) is skipped where it leaves
// less than light_floor of full brightness, before anything else is read,
// and fades in over the next light_floor, from the spark's birth on. Its
// volume ends where the floor is reached (PointLight::attenuationRadius), so
// the skip only trims the sphere's faceted rim. Other lights (light_floor 0)
// light their whole volume.
//
// Shadows: the light's cube map holds distance to the light / far_plane (see
// shadow_mapping). Twelve lookups around the direction soften the edge; the
// bias grows where the light grazes the surface, which keeps floors and
// walls free of acne. Lookups stop after the first four (a tetrahedron)
// where they agree, as they do away from shadow edges.
uniform vec2 screen_size;
uniform float far_plane;
uniform sampler2D position_sampler;
uniform sampler2D diffuse_sampler;
uniform sampler2D normal_sampler;
uniform sampler2D specular_sampler;
uniform samplerCube shadow_sampler;
uniform float shadowmapping;
uniform vec3 light_color;
uniform float ambient_intensity;
uniform float diffuse_intensity;
uniform float specular_intensity;
uniform float specular_power;
uniform float atten_con;
uniform float atten_lin;
uniform float atten_exp;
uniform vec3 light_pos_deferred;
uniform float decay;
uniform float light_floor;
uniform vec3 camera_pos;

layout(location = 4) out vec3 bloomSource;
layout(location = 5) out vec3 litScene;

const float bloomThreshold = 0.85;
// A light-source mesh shows at full brightness for the light inside it.
const float ownedLightSourceReach = 1.5;
const float bounce = 0.15;
// One light's share rolls off above shoulderStart towards shoulderEnd
// (brightest channel): a surface right next to a lamp or a spark would
// otherwise take the light's full strength, and with the glow, the bloom
// and the shafts on top it would wash out to flat white. The roll-off keeps
// the colour's hue, and every other pixel as it was.
const float shoulderStart = 0.7;
const float shoulderEnd = 1.1;

// The cube's corners, one tetrahedron of them first, then the other, then
// the first again at half the distance to fill the disc's middle.
const vec3 shadowOffsets[12] = vec3[](
    vec3(1, 1, 1), vec3(1, -1, -1), vec3(-1, 1, -1), vec3(-1, -1, 1),
    vec3(-1, -1, -1), vec3(-1, 1, 1), vec3(1, -1, 1), vec3(1, 1, -1),
    vec3(0.5, 0.5, 0.5), vec3(0.5, -0.5, -0.5), vec3(-0.5, 0.5, -0.5), vec3(-0.5, -0.5, 0.5));

// The share of the shadow map's lookups that see the light: 4 first, all
// 12 only where those 4 disagree (near a shadow's edge). One loop whose
// length is found as it runs: a software rasteriser shades a block of
// pixels together and would run both fixed loops for every block, while
// this one stops once no pixel of the block needs another lookup, and costs
// one lookup where none wants any (wanted false).
float lightReaching(vec3 position, vec3 normal, vec3 toLight, bool wanted)
{
    vec3 fromLight = position - light_pos_deferred;
    float distance = length(fromLight);
    float grazing = 1.0 - clamp(dot(normal, toLight), 0.0, 1.0);
    float bias = 0.02 + 0.01 * distance + 0.08 * grazing;
    float radius = 0.01 + 0.006 * distance;
    float lit = 0.0;
    int lookups = wanted ? 4 : 0;
    for (int i = 0; i < lookups; ++i) {
        float nearest = texture(shadow_sampler, fromLight + shadowOffsets[i] * radius).r * far_plane;
        lit += distance - bias > nearest ? 0.0 : 1.0;
        if (i == 3 && lit != 0.0 && lit != 4.0)
            lookups = 12;
    }
    return wanted ? lit / float(lookups) : 1.0;
}

void main()
{
    vec2 uv = gl_FragCoord.xy / screen_size;
    vec3 specularData = texture(specular_sampler, uv).rgb;
    if (specularData.b < 0.5)
        discard;  // no surface here
    vec3 position = texture(position_sampler, uv).xyz;
    vec3 toLight = light_pos_deferred - position;
    float distance = length(toLight);
    float attenuation = atten_con + atten_lin * distance + atten_exp * distance * distance;
    // Never brighter than the light itself right at its centre.
    float strength = (1.0 - clamp(decay, 0.0, 1.0)) / max(attenuation, 1.0);
    bool lightSource = specularData.g > 0.5;
    if (light_floor > 0.0) {
        float level = strength * max(diffuse_intensity, specular_intensity);
        if (level < light_floor && !(lightSource && distance < ownedLightSourceReach))
            discard;  // next to nothing left of this spark's light here
        strength *= smoothstep(light_floor, 2.0 * light_floor, level);
    }

    vec3 albedo = texture(diffuse_sampler, uv).rgb;
    vec3 normal = normalize(texture(normal_sampler, uv).xyz);
    float specularStrength = specularData.r;
    toLight /= max(distance, 1e-5);

    float diffuse = max(dot(normal, toLight), 0.0);
    // The shadow only scales light that falls on the surface's front, so a
    // surface turned away from the light needs no lookups at all.
    float shadow = lightReaching(position, normal, toLight, shadowmapping > 0.5 && diffuse > 0.0);
    vec3 toEye = normalize(camera_pos - position);
    vec3 halfway = normalize(toLight + toEye);
    float specular = diffuse > 0.0 ? pow(max(dot(normal, halfway), 0.0), specular_power) : 0.0;

    vec3 colour = light_color * strength *
                  (albedo * (ambient_intensity + bounce * diffuse_intensity + shadow * diffuse_intensity * diffuse) +
                   shadow * specular_intensity * specularStrength * specular);

    float peak = max(max(colour.r, colour.g), colour.b);
    if (peak > shoulderStart) {
        float over = peak - shoulderStart;
        float room = shoulderEnd - shoulderStart;
        colour *= (shoulderStart + over / (1.0 + over / room)) / peak;
    }

    // A textured light source (the lamp) glows with its texture's shading,
    // brightest where the texture is, instead of as one flat shape; one
    // without a texture or colour of its own (black here) glows evenly.
    vec3 glow = vec3(0.0);
    if (lightSource && distance < ownedLightSourceReach) {
        float shading = max(max(albedo.r, albedo.g), albedo.b);
        glow = light_color * (1.0 - clamp(decay, 0.0, 1.0)) * (shading > 0.0 ? shading : 1.0);
    }

    litScene = colour + glow;
    float brightness = max(max(colour.r, colour.g), colour.b);
    vec3 bright = brightness > bloomThreshold ? colour * (brightness - bloomThreshold) / brightness : vec3(0.0);
    bloomSource = bright + glow;
}

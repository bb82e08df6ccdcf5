#version 440 core

// The room around a mirror or glass, for its environment cube: each surface
// in its diffuse colour lit by the lamp (no shadows, no normal maps: the
// cube is seen only in reflection), over an even fill that stands in for the
// sparks, the main particle and the light bounced around the room, so that
// nothing facing away from the lamp or far from it is black; light-source meshes at full
// brightness; the sky where the sky box shows. Mapped through the same tone
// curve as the screen, since the mirror and glass passes draw after it.
uniform sampler2D diffuse_sampler;
uniform samplerCube sky_sampler;
uniform vec3 mesh_color;
uniform vec3 eye_pos;
uniform vec3 lamp_pos;
uniform vec3 lamp_color;
uniform vec3 lamp_attenuation;
uniform float is_light_source;
uniform float sky;

in vec3 worldPosition;
in vec3 worldNormal;
in vec2 uv;
out vec4 colour;

const float fill = 0.3;
const float bounce = 0.25;
const float exposure = 0.9;
const float whitePeak = 0.97;

// The screen's tone curve (see copy_fragment).
vec3 filmic(vec3 hdr)
{
    vec3 x = max(hdr, vec3(0.0)) * exposure;
    return whitePeak * (2.43 / 2.51) * (x * (2.51 * x + 0.03)) / (x * (2.43 * x + 0.59) + 0.14);
}

void main()
{
    if (sky > 0.5) {
        colour = vec4(texture(sky_sampler, worldPosition - eye_pos).rgb, 1.0);
        return;
    }
    vec4 diffuse = texture(diffuse_sampler, uv);
    vec3 albedo = mix(mesh_color, diffuse.rgb, diffuse.a);
    if (is_light_source > 0.5) {
        colour = vec4(filmic(albedo * 2.0), 1.0);
        return;
    }
    vec3 toLamp = lamp_pos - worldPosition;
    float distance = length(toLamp);
    float attenuation = lamp_attenuation.x + lamp_attenuation.y * distance + lamp_attenuation.z * distance * distance;
    float strength = 1.0 / max(attenuation, 1.0);
    vec3 normal = normalize(worldNormal);
    // Both sides lit alike: the cube sees some faces from behind.
    float facing = abs(dot(normal, toLamp / max(distance, 1e-5)));
    colour = vec4(filmic(albedo * (fill + lamp_color * strength * (bounce + facing))), 1.0);
}

#version 440 core

// Glass of refraction index 1.52: the sky seen through the surface, bent at
// it, mixed with its reflection by Schlick's Fresnel term (more mirror at
// grazing angles), with a faint green tint.
uniform samplerCube skybox_sampler;
uniform vec3 camera_pos;

in vec3 worldPosition;
in vec3 worldNormal;
out vec4 colour;

const float refractionIndex = 1.52;
const vec3 glassTint = vec3(0.92, 1.0, 0.95);

void main()
{
    vec3 view = normalize(worldPosition - camera_pos);
    vec3 normal = normalize(worldNormal);
    vec3 bent = refract(view, normal, 1.0 / refractionIndex);
    vec3 mirrored = reflect(view, normal);
    float f0 = pow((refractionIndex - 1.0) / (refractionIndex + 1.0), 2.0);
    float fresnel = f0 + (1.0 - f0) * pow(1.0 - clamp(dot(-view, normal), 0.0, 1.0), 5.0);
    vec3 through = texture(skybox_sampler, bent).rgb * glassTint;
    colour = vec4(mix(through, texture(skybox_sampler, mirrored).rgb, fresnel), 1.0);
}

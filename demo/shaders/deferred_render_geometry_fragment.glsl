#version 440 core

// Writes what the light passes need of each visible surface point:
//   0 position   world position
//   1 diffuse    surface colour: the diffuse texture, or mesh_color where
//                the mesh has none
//   2 normal     world normal, bent by the normal map
//   3 specular   r: specular strength (the specular map, 0.25 without one),
//                g: 1 on light-source meshes, b: 1 wherever a surface is
//
// A texture the mesh lacks arrives as a transparent black texel: alpha 0
// means "no such texture". Parallax occlusion mapping shifts the texture
// coordinates along the view ray over the height held in the displacement
// (light) map, where "parallax" is 1.
uniform sampler2D diffuse_sampler;
uniform sampler2D normal_sampler;
uniform sampler2D specular_sampler;
uniform sampler2D displacement_sampler;
uniform vec3 mesh_color;
uniform vec3 camera_pos;
uniform float parallax;
uniform float is_light_source;

in vec3 worldPosition;
in vec3 worldNormal;
in vec3 worldTangent;
in vec3 worldBitangent;
in vec2 uv;

layout(location = 0) out vec3 outPosition;
layout(location = 1) out vec3 outDiffuse;
layout(location = 2) out vec3 outNormal;
layout(location = 3) out vec3 outSpecular;

const float heightScale = 0.04;
const float defaultSpecular = 0.25;

// Marches the view ray down through the height field (white is high) and
// returns where it first dips below the surface, refined between the last
// two steps.
vec2 parallaxOcclusion(vec2 start, vec3 viewTangent)
{
    float layers = mix(32.0, 8.0, clamp(abs(viewTangent.z), 0.0, 1.0));
    float layerDepth = 1.0 / layers;
    vec2 shift = viewTangent.xy / max(viewTangent.z, 0.05) * heightScale / layers;
    vec2 coord = start;
    float depth = 0.0;
    float surface = 1.0 - texture(displacement_sampler, coord).r;
    for (int i = 0; i < 32 && depth < surface; ++i) {
        coord -= shift;
        depth += layerDepth;
        surface = 1.0 - texture(displacement_sampler, coord).r;
    }
    vec2 previous = coord + shift;
    float after = surface - depth;
    float before = (1.0 - texture(displacement_sampler, previous).r) - depth + layerDepth;
    float weight = after / (after - before + 1e-6);
    return mix(coord, previous, clamp(weight, 0.0, 1.0));
}

void main()
{
    vec3 n = normalize(worldNormal);
    // Meshes without a normal map have no tangents (they read as zero).
    bool hasFrame = dot(worldTangent, worldTangent) > 1e-8 && dot(worldBitangent, worldBitangent) > 1e-8;
    vec3 t = hasFrame ? normalize(worldTangent - n * dot(n, worldTangent)) : vec3(0.0);
    vec3 b = hasFrame ? normalize(worldBitangent) : vec3(0.0);

    vec2 coord = uv;
    if (parallax > 0.5 && hasFrame && texture(displacement_sampler, uv).a > 0.0) {
        vec3 toEye = normalize(camera_pos - worldPosition);
        vec3 viewTangent = vec3(dot(toEye, t), dot(toEye, b), dot(toEye, n));
        if (viewTangent.z > 0.0)
            coord = parallaxOcclusion(uv, viewTangent);
    }

    vec4 diffuse = texture(diffuse_sampler, coord);
    outDiffuse = mix(mesh_color, diffuse.rgb, diffuse.a);

    vec4 bump = texture(normal_sampler, coord);
    if (hasFrame && bump.a > 0.0)
        n = normalize(mat3(t, b, n) * (bump.rgb * 2.0 - 1.0));
    outNormal = n;

    vec4 specular = texture(specular_sampler, coord);
    outSpecular = vec3(specular.a > 0.0 ? specular.r : defaultSpecular, is_light_source, 1.0);
    outPosition = worldPosition;
}

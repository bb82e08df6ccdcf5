#version 440 core

// Writes what the light passes need of each visible surface point:
//   0 position   world position
//   1 diffuse    surface colour: the diffuse texture, or mesh_color where
//                the mesh has none
//   2 normal     world normal, bent by the normal map
//   3 specular   r: specular strength (the specular map s eased to
//                s (1 - s / 2), 0.25 without one),
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

// Depth of the deepest point of the height map, in texture coordinates: a
// few millimetres on a metre-wide tile, enough for grout and mortar to read
// as sunken without the surface seeming to slide off its geometry.
const float heightScale = 0.025;
const float defaultSpecular = 0.25;
// Parallax fades out to plain normal mapping between these distances (in
// metres) from the camera: farther away the relief is below a pixel and the
// march would only cost time.
const float parallaxFadeStart = 4.0;
const float parallaxFadeEnd = 8.0;
const int maxLayers = 16;
const int refinementSteps = 5;

// The march samples inside a loop whose length differs between pixels, where
// implicit derivatives are undefined; the gradients of the unshifted
// coordinates are taken once, outside it, and serve every sample.
vec2 gradX;
vec2 gradY;

// The phases of the march, in order.
const int marching = 0;
const int refining = 1;
const int readingBelow = 2;
const int readingAbove = 3;
const int done = 4;
const int maxSteps = maxLayers + 1 + refinementSteps + 2;

// Marches the view ray down through the height field (white is high) in at
// most maxLayers even steps, fewer where the ray looks straight down, then
// halves the last step refinementSteps times, so the edges of sunken grout
// come out straight instead of in layer-sized steps, and interpolates
// linearly inside the last, small interval. Returns start where the ray
// meets the surface there or the height map is missing (alpha 0).
//
// Every height read happens in one loop, one read a step, whatever the
// step does with it. A software rasteriser runs the shader for a block of
// pixels at once and executes every branch that any of them might take, so
// separate loops and reads for the march, the refinement and the final
// interpolation cost all their reads even where no pixel of the block
// needs parallax; a single loop stops after the last pixel's last step,
// after one read where none is active.
vec2 parallaxOcclusion(vec2 start, vec3 viewTangent, float scale, bool wanted)
{
    float layers = mix(float(maxLayers), 6.0, clamp(abs(viewTangent.z), 0.0, 1.0));
    float layerDepth = 1.0 / layers;
    vec2 shift = viewTangent.xy / max(viewTangent.z, 0.1) * scale / layers;

    vec2 coord = start;
    float depth = 0.0;
    int layer = 0;
    // The interval the crossing lies in, once the march has passed it.
    vec2 above = start;
    float aboveDepth = 0.0;
    vec2 below = start;
    float belowDepth = 0.0;
    int halvings = 0;
    float after = 0.0;
    vec2 result = start;

    int phase = wanted ? marching : done;
    for (int i = 0; i < maxSteps && phase != done; ++i) {
        vec2 at = phase == marching ? coord : phase == refining ? 0.5 * (above + below)
                  : phase == readingBelow ? below : above;
        vec4 height = textureGrad(displacement_sampler, at, gradX, gradY);
        float surface = 1.0 - height.r;
        if (phase == marching) {
            if (layer == 0 && height.a == 0.0) {
                phase = done;  // no height map
            } else if (layer < maxLayers && depth < surface) {
                coord -= shift;
                depth += layerDepth;
                ++layer;
            } else if (depth == 0.0) {
                phase = done;  // the ray meets the surface at its start
            } else {
                // The crossing lies between the last two layers: halve that interval.
                above = coord + shift;
                aboveDepth = depth - layerDepth;
                below = coord;
                belowDepth = depth;
                phase = refinementSteps > 0 ? refining : readingBelow;
            }
        } else if (phase == refining) {
            float middleDepth = 0.5 * (aboveDepth + belowDepth);
            if (middleDepth < surface) {
                above = at;
                aboveDepth = middleDepth;
            } else {
                below = at;
                belowDepth = middleDepth;
            }
            if (++halvings == refinementSteps)
                phase = readingBelow;
        } else if (phase == readingBelow) {
            after = surface - belowDepth;
            phase = readingAbove;
        } else {
            float before = surface - aboveDepth;
            float weight = after / (after - before - 1e-6);
            result = mix(below, above, clamp(weight, 0.0, 1.0));
            phase = done;
        }
    }
    return result;
}

void main()
{
    vec3 n = normalize(worldNormal);
    // Meshes without a normal map have no tangents (they read as zero).
    bool hasFrame = dot(worldTangent, worldTangent) > 1e-8 && dot(worldBitangent, worldBitangent) > 1e-8;
    vec3 t = hasFrame ? normalize(worldTangent - n * dot(n, worldTangent)) : vec3(0.0);
    vec3 b = hasFrame ? normalize(worldBitangent) : vec3(0.0);

    vec2 coord = uv;
    gradX = dFdx(uv);
    gradY = dFdy(uv);
    float distanceToEye = length(camera_pos - worldPosition);
    float relief = heightScale * (1.0 - smoothstep(parallaxFadeStart, parallaxFadeEnd, distanceToEye));
    vec3 toEye = (camera_pos - worldPosition) / distanceToEye;
    vec3 viewTangent = vec3(dot(toEye, t), dot(toEye, b), dot(toEye, n));
    coord = parallaxOcclusion(uv, viewTangent, relief,
                              parallax > 0.5 && hasFrame && relief > 0.0 && viewTangent.z > 0.0);

    vec4 diffuse = texture(diffuse_sampler, coord);
    outDiffuse = mix(mesh_color, diffuse.rgb, diffuse.a);

    vec4 bump = texture(normal_sampler, coord);
    if (hasFrame && bump.a > 0.0)
        n = normalize(mat3(t, b, n) * (bump.rgb * 2.0 - 1.0));
    outNormal = n;

    vec4 specular = texture(specular_sampler, coord);
    // Strong specular maps (the polished floor and pillars) are eased off,
    // weak ones barely: under the room light a full-strength marble floor
    // turns into a sheet of white instead of showing a highlight.
    float strength = specular.a > 0.0 ? specular.r * (1.0 - 0.5 * specular.r) : defaultSpecular;
    outSpecular = vec3(strength, is_light_source, 1.0);
    outPosition = worldPosition;
}

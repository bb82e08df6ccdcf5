#version 440 core

// Stores the straight-line distance to the light as a fraction of the far
// plane, the same in every face, so the light pass compares distances
// without knowing which face it reads.
uniform vec3 light_world_pos;
uniform float far_plane;

in vec3 worldPosition;

void main()
{
    gl_FragDepth = length(worldPosition - light_world_pos) / far_plane;
}

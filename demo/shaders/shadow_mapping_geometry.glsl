#version 440 core

// Sends every triangle to all six faces of the light's cube map in one draw:
// layer i of the layered depth attachment is cube face i (+X, -X, +Y, -Y,
// +Z, -Z), drawn with that face's view-projection matrix.
layout(triangles) in;
layout(triangle_strip, max_vertices = 18) out;

uniform mat4 light_vp_matrices[6];

out vec3 worldPosition;

void main()
{
    for (int face = 0; face < 6; ++face) {
        for (int corner = 0; corner < 3; ++corner) {
            gl_Layer = face;
            worldPosition = gl_in[corner].gl_Position.xyz;
            gl_Position = light_vp_matrices[face] * gl_in[corner].gl_Position;
            EmitVertex();
        }
        EndPrimitive();
    }
}

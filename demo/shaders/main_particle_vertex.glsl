#version 440 core

// The one point of the main particle; its place comes from vertex_pos.
uniform vec3 vertex_pos;

void main()
{
    gl_Position = vec4(vertex_pos, 1.0);
}

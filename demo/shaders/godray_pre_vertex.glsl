#version 440 core

// Every mesh of the scene, for the occlusion image of the light shafts.
layout(location = 0) in vec3 position;
layout(location = 2) in vec2 tex_coord;

uniform mat4 m_matrix;
uniform mat4 vp_matrix;

out vec2 uv;

void main()
{
    uv = tex_coord;
    gl_Position = vp_matrix * m_matrix * vec4(position, 1.0);
}

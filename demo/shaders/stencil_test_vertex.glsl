#version 440 core

// The light's bounding sphere, placed by m_matrix: all the stencil pass needs
// to mark the volume, and all the light pass needs to cover it.
layout(location = 0) in vec3 position;

uniform mat4 m_matrix;
uniform mat4 vp_matrix;

void main()
{
    gl_Position = vp_matrix * m_matrix * vec4(position, 1.0);
}

#version 440 core

// A mirror or glass surface: world position and normal for the fragment
// stage of the reflection and the refraction program.
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;

uniform mat4 m_matrix;
uniform mat4 vp_matrix;

out vec3 worldPosition;
out vec3 worldNormal;

void main()
{
    vec4 world = m_matrix * vec4(position, 1.0);
    worldPosition = world.xyz;
    worldNormal = transpose(inverse(mat3(m_matrix))) * normal;
    gl_Position = vp_matrix * world;
}

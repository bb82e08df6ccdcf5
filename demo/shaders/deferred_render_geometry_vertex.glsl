#version 440 core

// A mesh vertex into world space, with the tangent frame its normal map and
// parallax mapping need.
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
layout(location = 2) in vec2 tex_coord;
layout(location = 3) in vec3 tangent;
layout(location = 4) in vec3 bitangent;

uniform mat4 m_matrix;
uniform mat4 vp_matrix;

out vec3 worldPosition;
out vec3 worldNormal;
out vec3 worldTangent;
out vec3 worldBitangent;
out vec2 uv;

void main()
{
    vec4 world = m_matrix * vec4(position, 1.0);
    // Normals through the inverse transpose, so scaled models keep them upright.
    mat3 normalMatrix = transpose(inverse(mat3(m_matrix)));
    worldPosition = world.xyz;
    worldNormal = normalMatrix * normal;
    worldTangent = mat3(m_matrix) * tangent;
    worldBitangent = mat3(m_matrix) * bitangent;
    uv = tex_coord;
    gl_Position = vp_matrix * world;
}

#version 440 core

// A room or sky box vertex into one face of an environment cube. The sky
// box is pushed to the back of the depth range, so it fills only what the
// room leaves open (the windows, the open roof).
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
layout(location = 2) in vec2 tex_coord;

uniform mat4 m_matrix;
uniform mat4 face_matrix;
uniform float sky;

out vec3 worldPosition;
out vec3 worldNormal;
out vec2 uv;

void main()
{
    vec4 world = m_matrix * vec4(position, 1.0);
    worldPosition = world.xyz;
    worldNormal = transpose(inverse(mat3(m_matrix))) * normal;
    uv = tex_coord;
    vec4 clip = face_matrix * world;
    gl_Position = sky > 0.5 ? vec4(clip.xy, clip.w * 0.99999, clip.w) : clip;
}

#version 440 core

// The sky box mesh. The sky is looked up in the direction from the camera,
// and pushed to the very back of the depth range, so it shows wherever
// nothing else was drawn and never in front of anything.
layout(location = 0) in vec3 position;

uniform mat4 m_matrix;
uniform mat4 vp_matrix;
uniform vec3 camera_pos;

out vec3 direction;

void main()
{
    vec4 world = m_matrix * vec4(position, 1.0);
    direction = world.xyz - camera_pos;
    vec4 clip = vp_matrix * world;
    gl_Position = vec4(clip.xy, clip.w * 0.99999, clip.w);
}

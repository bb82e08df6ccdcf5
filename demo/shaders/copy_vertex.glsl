#version 440 core

// The full-screen quad of the framebuffers: clip-space corners in, texture
// coordinates of the whole target out. Shared by the screen-space programs.
layout(location = 0) in vec3 position;

out vec2 uv;

void main()
{
    uv = position.xy * 0.5 + 0.5;
    gl_Position = vec4(position, 1.0);
}

#version 440 core

// Shows a texture over the whole target, whatever the two sizes.
uniform sampler2D scene;

in vec2 uv;
out vec4 colour;

void main()
{
    colour = vec4(texture(scene, uv).rgb, 1.0);
}

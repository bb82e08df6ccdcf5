#version 440 core

uniform samplerCube skybox_sampler;

in vec3 direction;
out vec4 colour;

void main()
{
    colour = vec4(texture(skybox_sampler, direction).rgb, 1.0);
}

#version 440 core

// A mirror: the sky in the direction the view ray bounces off the surface,
// slightly darkened like polished metal.
uniform samplerCube skybox_sampler;
uniform vec3 camera_pos;

in vec3 worldPosition;
in vec3 worldNormal;
out vec4 colour;

void main()
{
    vec3 view = normalize(worldPosition - camera_pos);
    vec3 mirrored = reflect(view, normalize(worldNormal));
    colour = vec4(texture(skybox_sampler, mirrored).rgb * 0.9, 1.0);
}

#version 440 core

// Light shafts: samples along the line from the light's place on screen to
// each pixel, each weighted by "weight" and by "decay" to the power of its
// step, the sum scaled by "exposure"; "density" sets how much of the line
// the march covers, ending at the pixel. How much of it reaches the screen
// (the light off screen or behind the camera) the pass decides when it adds
// it.
//
// The march starts at the light's end of the line, so the heaviest samples
// are those nearest the light. Whatever hides part of the lamp or of the
// glow close around it then darkens every pixel behind it on the same line,
// to the edge of the screen: the dark gaps between the shafts. (Marching
// from the pixel instead weighs the glow right under each pixel most, and
// the shafts melt into one haze.) So that the lamp does not flood the whole
// frame, the shafts then fade with the pixel's distance from the light on
// screen, measured in heights of the screen.
uniform float exposure;
uniform float decay;
uniform float density;
uniform float weight;
uniform sampler2D occlusion_sampler;
uniform vec3 light_pos_screen;

in vec2 uv;
out vec4 colour;

// The march is 64 steps long; each sample read stands for two neighbouring
// steps (the image is blurred already), which halves the reads of this,
// the most expensive screen pass, without changing the shafts' strength.
const int steps = 64;
const int stepsPerSample = 2;
// Distance at which the shafts are down to half, in screen heights.
const float reach = 0.3;

void main()
{
    vec2 step = (uv - light_pos_screen.xy) * density / float(steps);
    vec2 coord = uv - step * (float(steps) + 0.5);
    float pairDecay = decay * decay;
    float illumination = (1.0 + decay) * weight;
    vec3 sum = vec3(0.0);
    for (int i = 0; i < steps / stepsPerSample; ++i) {
        coord += step * float(stepsPerSample);
        sum += texture(occlusion_sampler, coord).rgb * illumination;
        illumination *= pairDecay;
    }
    vec2 size = vec2(textureSize(occlusion_sampler, 0));
    vec2 away = (uv - light_pos_screen.xy) * vec2(size.x / size.y, 1.0);
    float fade = 1.0 / (1.0 + dot(away, away) / (reach * reach));
    colour = vec4(sum * exposure * fade, 1.0);
}

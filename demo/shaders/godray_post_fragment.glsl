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
// the shafts melt into one haze.)
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
    colour = vec4(sum * exposure, 1.0);
}

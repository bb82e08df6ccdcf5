#version 440 core

// Light shafts: from each pixel, samples marched toward the light's place
// on screen, each weighted by "weight" and by "decay" to the power of its
// step, "density" setting how far toward the light the march reaches, the
// sum scaled by "exposure". Alpha fades the shafts out as the light moves
// behind the camera or far off the screen, instead of smearing them.
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
    vec2 coord = uv - step * 0.5;
    float pairDecay = decay * decay;
    float illumination = (1.0 + decay) * weight;
    vec3 sum = vec3(0.0);
    for (int i = 0; i < steps / stepsPerSample; ++i) {
        coord -= step * float(stepsPerSample);
        sum += texture(occlusion_sampler, coord).rgb * illumination;
        illumination *= pairDecay;
    }
    // In front of the camera the depth lies in 0..1; behind it, above 1.
    float inFront = 1.0 - smoothstep(0.999, 1.0, light_pos_screen.z);
    vec2 outside = max(abs(light_pos_screen.xy - 0.5) - 0.5, 0.0);
    float onScreen = 1.0 - smoothstep(0.0, 0.75, length(outside));
    colour = vec4(sum * exposure, inFront * onScreen);
}

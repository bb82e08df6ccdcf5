#version 440 core

// Puts the lit scene and its blurred bright parts together and maps the
// sum into the screen's range with a soft exponential curve, so that many
// overlapping lights saturate gently instead of clipping to flat white.
// bloom_strength scales the glow: the timeline's "bloom" keys make it
// breathe with the music, 1 where a shot has none.
uniform sampler2D scene;
uniform sampler2D blur;
uniform float bloom_strength;

in vec2 uv;
out vec4 colour;

const float bloomStrength = 0.9;
const float exposure = 1.4;

void main()
{
    vec3 hdr = texture(scene, uv).rgb + bloomStrength * bloom_strength * texture(blur, uv).rgb;
    colour = vec4(vec3(1.0) - exp(-hdr * exposure), 1.0);
}

#version 440 core

// Turns each spark into a camera-facing square of world size, so sparks
// shrink with distance like everything else. The emitter (age below 0) is
// not drawn. A spark passing right by the camera would fill a good part of
// the frame for a frame or two: it fades out within the last metre and a
// half (nearness, 0 at a third of a metre).
layout(points) in;
layout(triangle_strip, max_vertices = 4) out;

uniform mat4 v_matrix;
uniform mat4 p_matrix;

in Spark {
    float age;
    float size;
    float hue;
} spark[];

out vec2 corner;
flat out float age;
flat out float hue;
flat out float nearness;

void main()
{
    if (spark[0].age < 0.0)
        return;
    vec4 centre = v_matrix * gl_in[0].gl_Position;
    float fade = smoothstep(0.35, 1.5, -centre.z);
    if (fade <= 0.0)
        return;
    // Seven tenths of a unit at birth (the glow's core is a small part of
    // its frame), shrinking to half that as the spark dies.
    float halfSize = 0.35 * spark[0].size * (1.0 - 0.5 * spark[0].age);
    const vec2 corners[4] = vec2[](vec2(-1.0, -1.0), vec2(1.0, -1.0), vec2(-1.0, 1.0), vec2(1.0, 1.0));
    for (int i = 0; i < 4; ++i) {
        corner = corners[i] * 0.5 + 0.5;
        age = spark[0].age;
        hue = spark[0].hue;
        nearness = fade;
        gl_Position = p_matrix * (centre + vec4(corners[i] * halfSize, 0.0, 0.0));
        EmitVertex();
    }
    EndPrimitive();
}

#version 440 core

// A camera-facing square "size" world units across (1.2 at size 1), so the
// glow shrinks with distance like the scene around it.
layout(points) in;
layout(triangle_strip, max_vertices = 4) out;

uniform mat4 v_matrix;
uniform mat4 p_matrix;
uniform float size;

out vec2 corner;

void main()
{
    vec4 centre = v_matrix * gl_in[0].gl_Position;
    float halfSize = 0.6 * size;
    const vec2 corners[4] = vec2[](vec2(-1.0, -1.0), vec2(1.0, -1.0), vec2(-1.0, 1.0), vec2(1.0, 1.0));
    for (int i = 0; i < 4; ++i) {
        corner = corners[i] * 0.5 + 0.5;
        gl_Position = p_matrix * (centre + vec4(corners[i] * halfSize, 0.0, 0.0));
        EmitVertex();
    }
    EndPrimitive();
}

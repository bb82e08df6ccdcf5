#version 440 core

// A camera-facing square "size" world units across (1.2 at size 1), so the
// glow shrinks with distance like the scene around it, down to a least
// size on screen.
layout(points) in;
layout(triangle_strip, max_vertices = 4) out;

uniform mat4 v_matrix;
uniform mat4 p_matrix;
uniform float size;

out vec2 corner;

const float minHalfHeight = 0.06;

void main()
{
    vec4 centre = v_matrix * gl_in[0].gl_Position;
    // Never smaller on screen than minHalfHeight of the view's half height,
    // so the spark the camera follows reads from across the hall.
    float halfSize = max(0.6 * size, minHalfHeight * max(-centre.z, 0.0) / p_matrix[1][1]);
    const vec2 corners[4] = vec2[](vec2(-1.0, -1.0), vec2(1.0, -1.0), vec2(-1.0, 1.0), vec2(1.0, 1.0));
    for (int i = 0; i < 4; ++i) {
        corner = corners[i] * 0.5 + 0.5;
        gl_Position = p_matrix * (centre + vec4(corners[i] * halfSize, 0.0, 0.0));
        EmitVertex();
    }
    EndPrimitive();
}

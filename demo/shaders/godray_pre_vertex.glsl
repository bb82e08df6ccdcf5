#version 440 core

// Every mesh of the scene, for the occlusion image of the light shafts; with
// draw_background 2, the glow around the lamp instead: the full-screen quad
// turned into a disc facing the camera, centred on m_matrix's origin, its
// radius m_matrix's scale, every point of it at the centre's depth.
layout(location = 0) in vec3 position;
layout(location = 2) in vec2 tex_coord;

uniform mat4 m_matrix;
uniform mat4 vp_matrix;
uniform int draw_background;

out vec2 uv;

void main()
{
    if (draw_background != 2) {
        uv = tex_coord;
        gl_Position = vp_matrix * m_matrix * vec4(position, 1.0);
        return;
    }
    uv = position.xy;
    vec4 centre = vp_matrix * m_matrix * vec4(0.0, 0.0, 0.0, 1.0);
    if (centre.w <= 0.0) {
        // Behind the camera: nothing to draw.
        gl_Position = vec4(2.0, 2.0, 2.0, 1.0);
        return;
    }
    float radius = length(m_matrix[0].xyz);
    // The rows of the view-projection's rotation part have the projection's
    // x and y scale as their lengths.
    vec2 scale = vec2(length(vec3(vp_matrix[0][0], vp_matrix[1][0], vp_matrix[2][0])),
                      length(vec3(vp_matrix[0][1], vp_matrix[1][1], vp_matrix[2][1])));
    gl_Position = vec4(centre.xy + position.xy * radius * scale, centre.z, centre.w);
}

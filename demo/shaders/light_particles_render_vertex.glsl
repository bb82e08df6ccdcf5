#version 440 core

// One spark: where it is, how old, its sprite size and its hues.
layout(location = 0) in vec3 position;
layout(location = 1) in float age;
layout(location = 2) in float size;
layout(location = 3) in float gravity;
layout(location = 4) in float start_hue;
layout(location = 5) in float end_hue;

out Spark {
    float age;
    float size;
    float hue;
} spark;

void main()
{
    gl_Position = vec4(position, 1.0);
    spark.age = age;
    spark.size = size;
    spark.hue = mix(start_hue, end_hue, clamp(age, 0.0, 1.0));
}

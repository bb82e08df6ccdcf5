#version 440 core

// One spark record in, handed unchanged to the geometry stage, which decides
// what becomes of it.
layout(location = 0) in float type;
layout(location = 1) in vec3 position;
layout(location = 2) in vec3 velocity;
layout(location = 3) in float seed;
layout(location = 4) in float age;
layout(location = 5) in float life;
layout(location = 6) in float size;
layout(location = 7) in float gravity;
layout(location = 8) in float start_hue;
layout(location = 9) in float end_hue;

out Record {
    float type;
    vec3 position;
    vec3 velocity;
    float seed;
    float age;
    float life;
    float size;
    float gravity;
    float start_hue;
    float end_hue;
} record;

void main()
{
    record.type = type;
    record.position = position;
    record.velocity = velocity;
    record.seed = seed;
    record.age = age;
    record.life = life;
    record.size = size;
    record.gravity = gravity;
    record.start_hue = start_hue;
    record.end_hue = end_hue;
}

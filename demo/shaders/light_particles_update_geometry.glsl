#version 440 core

// Steps one record of the spark simulation and writes the next generation.
//
// Record layout (fourteen floats, captured as four outputs in this order):
//   0      type: 0 the emitter, 1 a spark that is a light source, 2 a plain spark
//   1-3    position          4-6  velocity (units per second)
//   7      seed: a spark's random number in 0..1; the emitter's milliseconds
//          since it last emitted
//   8      age fraction 0..1 of a spark; -1 for the emitter (never drawn)
//   9      a spark's age in milliseconds; the emitter's count of emissions
//   10     sprite size, 1 = seven tenths of a unit; handed from the emitter to its sparks
//   11     gravity in units per second squared; handed on the same way
//   12-13  start and end hue (0..1 around the colour wheel)
//
// Each spark gets its own pair of hues: the shot's pair turned around the
// wheel by up to half the shot's hue range either way, by the spark's seed.
// So a fountain lights the room in pools of several colours rather than one
// tint, still within the shot's palette, and sprite and light agree because
// both read the hues from the record.
//
// The emitter stays record 0: it is always written first. Every
// spawn_offset_ms it emits spawn_particle_count sparks at origin_pos, the
// first spawn_lightsource_count of them light sources, flying in random
// directions at velo_factor units per second; after them, emberCount embers
// per spark: plain sparks of emberSize, thrown upwards at 1.2 to 3 times
// velo_factor, that make the swarm read as a shower of sparks. A new emitter
// fires at once.
//
// Everything falls under gravityScale times its gravity and bounces off the
// floor (y = 0), keeping a little of its speed. Plain sparks and embers die
// at particle_lifetime_ms. A light-source spark lives lightLifeShare of that:
// its age fraction runs from 0 to 1 over its shorter life, so its light has
// faded out completely when it dies, and the number of sparks lighting the
// room at once stays small.
layout(points) in;
layout(points, max_vertices = 64) out;

in Record {
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
} record[];

// Seconds, as the engine sends them; converted once below.
uniform float dt_s;
uniform float curr_t_ms;
uniform float particle_lifetime_ms;
uniform float spawn_offset_ms;
uniform int spawn_particle_count;
uniform int spawn_lightsource_count;
uniform vec3 origin_pos;
uniform sampler1D random_directions_sampler;
uniform float start_hue_uniform;
uniform float end_hue_uniform;
uniform float velo_factor;

out vec4 type_position;
out vec4 velocity_seed;
out vec4 age_life_size_gravity;
out vec2 hues;

const int maxSparksPerStep = 63;  // the emitter's own record makes 64
const int emberCount = 5;
const float emberSize = 0.4;
const float lightLifeShare = 0.375;
const float gravityScale = 6.0;
const float bounce = 0.45;   // of the speed into the floor, kept
const float floorGrip = 0.7; // of the speed along the floor, kept at a bounce
const int maxBatchesPerStep = 8;  // a long frame catches up this far, no further
const float randomTexels = 2048.0;

void write(float type, vec3 position, vec3 velocity, float seed, float age, float life, float size,
           float gravity, float startHue, float endHue)
{
    type_position = vec4(type, position);
    velocity_seed = vec4(velocity, seed);
    age_life_size_gravity = vec4(age, life, size, gravity);
    hues = vec2(startHue, endHue);
    EmitVertex();
    EndPrimitive();
}

vec3 randomTexel(int index)
{
    float u = (float(index % int(randomTexels)) + 0.5) / randomTexels;
    return texture(random_directions_sampler, u).rgb;
}

// The spark's hue pair: the shot's, turned by its seed within the shot's range.
vec2 sparkHues(float seed)
{
    float turn = (seed - 0.5) * (end_hue_uniform - start_hue_uniform);
    return vec2(start_hue_uniform, end_hue_uniform) + turn;
}

vec3 randomDirection(int index)
{
    vec3 v = randomTexel(index) * 2.0 - 1.0;
    float len = length(v);
    return len > 0.001 ? v / len : vec3(0.0, 1.0, 0.0);
}

void emit(float nowMs, float dtMs)
{
    float sinceMs = record[0].seed + dtMs;
    float emissions = record[0].life;
    int batches = 0;
    if (emissions == 0.0) {
        batches = 1;
        sinceMs = 0.0;
    } else if (spawn_offset_ms <= 0.0) {
        batches = 1;
        sinceMs = 0.0;
    } else {
        while (sinceMs >= spawn_offset_ms && batches < maxBatchesPerStep) {
            sinceMs -= spawn_offset_ms;
            ++batches;
        }
        sinceMs = min(sinceMs, spawn_offset_ms);
    }

    write(0.0, origin_pos, record[0].velocity, sinceMs, -1.0, emissions + float(batches), record[0].size,
          record[0].gravity, start_hue_uniform, end_hue_uniform);

    int count = max(spawn_particle_count, 0);
    int lights = clamp(spawn_lightsource_count, 0, count);
    int written = 0;
    int salt = int(mod(nowMs, 997.0));
    for (int b = 0; b < batches; ++b) {
        int batch = int(emissions) + b;
        for (int i = 0; i < count && written < maxSparksPerStep; ++i) {
            int index = batch * 61 + i * 7 + salt * 13;
            vec3 velocity = randomDirection(index) * velo_factor;
            float seed = randomTexel(index + 1024).x;
            vec2 h = sparkHues(seed);
            write(i < lights ? 1.0 : 2.0, origin_pos, velocity, seed, 0.0, 0.0, record[0].size,
                  record[0].gravity, h.x, h.y);
            ++written;
        }
        for (int i = 0; i < count * emberCount && written < maxSparksPerStep; ++i) {
            int index = batch * 61 + i * 11 + salt * 13 + 500;
            float seed = randomTexel(index + 1024).x;
            vec3 direction = randomDirection(index);
            // Mostly upwards: a fountain that falls back around the emitter.
            direction = normalize(vec3(direction.x, abs(direction.y) * 0.8 + 0.5, direction.z));
            vec2 h = sparkHues(seed);
            write(2.0, origin_pos, direction * velo_factor * (1.2 + 1.8 * seed), seed, 0.0, 0.0,
                  record[0].size * emberSize, record[0].gravity, h.x, h.y);
            ++written;
        }
    }
}

void main()
{
    float dtMs = dt_s * 1000.0;
    float nowMs = curr_t_ms * 1000.0;
    if (record[0].type == 0.0) {
        emit(nowMs, dtMs);
        return;
    }

    float lifeMs = record[0].life + dtMs;
    float lifetimeMs = particle_lifetime_ms * (record[0].type == 1.0 ? lightLifeShare : 1.0);
    if (lifeMs >= lifetimeMs)
        return;  // dead: not written
    vec3 velocity = record[0].velocity - vec3(0.0, record[0].gravity * gravityScale * dt_s, 0.0);
    vec3 position = record[0].position + velocity * dt_s;
    if (position.y < 0.02 && velocity.y < 0.0) {
        position.y = 0.02;
        velocity = vec3(velocity.x * floorGrip, -velocity.y * bounce, velocity.z * floorGrip);
    }
    write(record[0].type, position, velocity, record[0].seed, lifeMs / lifetimeMs, lifeMs, record[0].size,
          record[0].gravity, record[0].start_hue, record[0].end_hue);
}

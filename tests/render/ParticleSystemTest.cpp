#include <cmath>
#include <memory>

#include <glm/geometric.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include "scene/Particle.h"
#include "support/GLContext.h"
#include "support/GlmExpect.h"
#include "support/LitRoom.h"

namespace {

using orv::render::ParticleSystem;
using orv::test::LitRoom;

struct Record {
    const float* f;
    float type() const { return f[0]; }
    glm::vec3 position() const { return {f[1], f[2], f[3]}; }
    glm::vec3 velocity() const { return {f[4], f[5], f[6]}; }
    float age() const { return f[8]; }
};

class ParticleSystemTest : public orv::test::GLTest {
protected:
    void build(unsigned capacity)
    {
        room = std::make_unique<LitRoom>(64, 48, capacity);
        particle = room->rig.particle.get();
        room->placeParticle(origin);
    }
    void TearDown() override
    {
        room.reset();
        GLTest::TearDown();
    }
    Record record(unsigned i) const { return {room->sparks->records() + i * ParticleSystem::recordFloats}; }
    unsigned countOfType(float type) const
    {
        unsigned n = 0;
        for (unsigned i = 0; i < room->sparks->recordCount(); ++i)
            n += record(i).type() == type ? 1 : 0;
        return n;
    }

    const glm::vec3 origin{1.0f, 2.0f, 3.0f};
    std::unique_ptr<LitRoom> room;
    orv::scene::Particle* particle = nullptr;
};

// The bundled update shader's tuning: five embers follow every spark, and a
// light-source spark lives three eighths of the lifetime.
constexpr unsigned embersPerSpark = 5;
constexpr float emberSize = 0.4f;
constexpr double lightLifeShare = 0.375;

// A new emitter fires at once: itself, then 2.9 -> 2 sparks, the first a
// light, then their ten embers, thrown upwards faster than the sparks.
TEST_F(ParticleSystemTest, FirstUpdateEmitsFromTheSeed)
{
    build(100);
    particle->setSpawnParticleCount(2.9f);
    particle->setSpawnLightSourceCount(1.0f);
    particle->setVelocityFactor(1.5f);
    particle->setHues(0.25f, 0.75f);
    EXPECT_EQ(room->sparks->recordCount(), 1u) << "the seed";
    room->sparks->update(0.00001);
    ASSERT_EQ(room->sparks->recordCount(), 1u + 2u * (1u + embersPerSpark));
    EXPECT_EQ(record(0).type(), 0.0f);
    EXPECT_EQ(record(1).type(), 1.0f);
    for (unsigned i = 2; i < room->sparks->recordCount(); ++i)
        EXPECT_EQ(record(i).type(), 2.0f) << i;
    for (unsigned i = 1; i < room->sparks->recordCount(); ++i) {
        SCOPED_TRACE(i);
        orv::test::expectNear(record(i).position(), origin, 1e-3f);
        if (i < 3) {
            EXPECT_NEAR(glm::length(record(i).velocity()), 1.5f, 1e-3f);
            EXPECT_EQ(record(i).f[10], 1.0f) << "the emitter's size";
        } else {
            EXPECT_GE(glm::length(record(i).velocity()), 1.5f * 1.2f - 1e-3f);
            EXPECT_LE(glm::length(record(i).velocity()), 1.5f * 3.0f + 1e-3f);
            EXPECT_GT(record(i).velocity().y, 0.0f) << "embers fly up";
            EXPECT_FLOAT_EQ(record(i).f[10], emberSize);
        }
        EXPECT_NEAR(record(i).age(), 0.0f, 1e-5f);
        // Its own turn of the shot's hues, by its seed, within half the
        // range either way; the range itself is kept.
        const float turn = (record(i).f[7] - 0.5f) * 0.5f;
        EXPECT_NEAR(record(i).f[12], 0.25f + turn, 1e-5f);
        EXPECT_NEAR(record(i).f[13], 0.75f + turn, 1e-5f);
    }
    EXPECT_NE(record(1).f[12], record(2).f[12]) << "sparks differ in hue";
    EXPECT_NE(record(1).velocity(), record(2).velocity()) << "random directions";
    EXPECT_NE(record(3).velocity(), record(4).velocity()) << "random directions";
    EXPECT_DOUBLE_EQ(room->sparks->totalTime(), 0.00001);
}

// 3 sparks and 15 embers every 100 ms living 1000 ms, the light among them
// 375 ms: about 4 lights and 170 plain sparks once it has run for longer
// than a lifetime, none of them older than its own life.
TEST_F(ParticleSystemTest, CountSettlesAtRateTimesLifetime)
{
    build(5000);
    particle->setSpawnParticleCount(3.0f);
    particle->setSpawnLightSourceCount(1.0f);
    particle->setSpawnOffsetMs(100.0);
    particle->setLifetimeMs(1000.0);
    for (int frame = 0; frame < 300; ++frame)
        room->sparks->update(0.01);
    const unsigned lights = countOfType(1.0f);
    const unsigned plain = countOfType(2.0f);
    EXPECT_GE(lights, 3u);
    EXPECT_LE(lights, 5u);
    EXPECT_GE(plain, 153u);
    EXPECT_LE(plain, 187u);
    EXPECT_EQ(countOfType(0.0f), 1u);
    EXPECT_EQ(room->sparks->recordCount(), 1u + lights + plain);
    for (unsigned i = 1; i < room->sparks->recordCount(); ++i) {
        EXPECT_GE(record(i).age(), 0.0f);
        EXPECT_LT(record(i).age(), 1.0f);
        EXPECT_LT(record(i).f[9], record(i).type() == 1.0f ? 1000.0f * lightLifeShare : 1000.0f)
            << "milliseconds lived";
    }
}

// Steps of 1/64 s are exact in milliseconds: the light spark of the first
// emission is 359.375 ms old, at age 0.958 of its 375 ms, after 23 more
// steps and dies on the next; its embers are 984.375 ms old after 63 more
// steps and die on the next.
TEST_F(ParticleSystemTest, SparksDieAtTheirLifetime)
{
    build(100);
    particle->setSpawnOffsetMs(1.0e6);
    particle->setLifetimeMs(1000.0);
    room->sparks->update(1.0 / 64.0);
    ASSERT_EQ(room->sparks->recordCount(), 2u + embersPerSpark);
    int steps = 0;
    for (; steps < 23; ++steps)
        room->sparks->update(1.0 / 64.0);
    ASSERT_EQ(countOfType(1.0f), 1u);
    EXPECT_FLOAT_EQ(record(1).age(), 359.375f / 375.0f);
    room->sparks->update(1.0 / 64.0);
    ++steps;
    EXPECT_EQ(countOfType(1.0f), 0u) << "the light has gone out";
    ASSERT_EQ(room->sparks->recordCount(), 1u + embersPerSpark);
    for (; steps < 63; ++steps)
        room->sparks->update(1.0 / 64.0);
    ASSERT_EQ(room->sparks->recordCount(), 1u + embersPerSpark);
    EXPECT_FLOAT_EQ(record(1).age(), 0.984375f);
    room->sparks->update(1.0 / 64.0);
    EXPECT_EQ(room->sparks->recordCount(), 1u) << "only the emitter is left";
}

TEST_F(ParticleSystemTest, NeverHoldsMoreThanItsCapacity)
{
    build(8);
    particle->setSpawnParticleCount(5.0f);
    particle->setSpawnOffsetMs(1.0);
    for (int frame = 0; frame < 20; ++frame) {
        room->sparks->update(0.01);
        ASSERT_LE(room->sparks->recordCount(), 8u);
    }
    EXPECT_EQ(room->sparks->recordCount(), 8u);
    EXPECT_EQ(record(0).type(), 0.0f) << "the emitter keeps its place";
}

TEST_F(ParticleSystemTest, CapacityZeroBuildsNothing)
{
    build(0);
    EXPECT_EQ(room->sparks->recordCount(), 0u);
    EXPECT_EQ(room->sparks->records(), nullptr);
    room->sparks->update(0.01);
    room->sparks->draw(*room->rig.scene, *room->sparks);
    EXPECT_EQ(room->sparks->recordCount(), 0u);
    room->drawFrame();
    EXPECT_EQ(room->geometry->lightsDrawn(), 2u) << "only the fixed lights";
}

// A record that is not a number where the light reads it never becomes a light.
TEST(SparkLightRecord, OnlyFiniteLightSourcesLight)
{
    float record[ParticleSystem::recordFloats] = {1.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f,
                                                  0.0f, 0.5f, 0.0f, 1.0f, 0.3f, 0.2f, 0.4f};
    EXPECT_TRUE(orv::render::DeferredRenderGeometry::isUsableLightRecord(record));
    record[0] = 2.0f;
    EXPECT_FALSE(orv::render::DeferredRenderGeometry::isUsableLightRecord(record));
    record[0] = 1.0f;
    for (int field : {2, 8, 12, 13}) {
        const float kept = record[field];
        record[field] = std::nanf("");
        EXPECT_FALSE(orv::render::DeferredRenderGeometry::isUsableLightRecord(record)) << field;
        record[field] = INFINITY;
        EXPECT_FALSE(orv::render::DeferredRenderGeometry::isUsableLightRecord(record)) << field;
        record[field] = kept;
    }
}

}  // namespace

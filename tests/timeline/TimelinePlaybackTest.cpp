#include <cmath>

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include "scene/PerspectiveCamera.h"
#include "timeline/TimelineFixture.h"

namespace {

using orv::test::expectNear;

float ease(float p) { return 3 * p * p - 2 * p * p * p; }

class TimelinePlayback : public orv::test::TimelineTest {
protected:
    // Camera paths 1 and 2 one unit long each, walked at 15 units per second:
    // with dt 0.01 the camera path of shot 1 is finished after its 7th frame.
    // The particle takes 0.05 per frame along its paths.
    void twoShots()
    {
        addStraightPath("Camera", 1, {{0, 0, 0}, {1, 0, 0}});
        addStraightPath("Camera", 2, {{5, 0, 0}, {6, 0, 0}});
        addStraightPath("Particle", 1, {{0, 1, 0}, {1, 1, 0}});
        addStraightPath("Particle", 2, {{0, 2, 0}, {1, 2, 0}});
    }
};

std::string shots(bool sync)
{
    const std::string shot = std::string("  - {camera_velocity: [[0, 15], [1, 15]], particle_velocity: [[0, 5], [1, 5]]") +
                             (sync ? ", sync: true}\n" : "}\n");
    return "shots:\n" + shot + "  - {camera_velocity: [[0, 15], [1, 15]], particle_velocity: [[0, 5], [1, 5]]}\n";
}

TEST_F(TimelinePlayback, WithoutSyncTheCameraMovesOnTheFrameAfterItsPathEnds)
{
    twoShots();
    const auto timeline = build(shots(false));
    int frame = 0;
    while (!timeline->cameraPaths()[0].isFinished() && frame < 100) {
        play(*timeline, 0.01);
        ++frame;
        EXPECT_EQ(timeline->cameraShot(), 0u);
    }
    EXPECT_EQ(frame, 7);
    expectNear(timeline->cameraPosition(), {1.05f, 0, 0});  // a step past the end, on the same line
    play(*timeline, 0.01);
    EXPECT_EQ(timeline->cameraShot(), 1u);
    expectNear(timeline->cameraPosition(), {5.15f, 0, 0});  // a new shot starts at its path's beginning
    EXPECT_EQ(timeline->particleShot(), 0u) << "the particle is still on its first path";
    EXPECT_FALSE(timeline->particlePaths()[0].isFinished());
}

TEST_F(TimelinePlayback, WithSyncTheCameraWaitsForTheParticle)
{
    twoShots();
    const auto timeline = build(shots(true));
    play(*timeline, 0.01, 8);
    ASSERT_TRUE(timeline->cameraPaths()[0].isFinished());
    int waited = 0;
    while (!timeline->particlePaths()[0].isFinished() && waited < 100) {
        EXPECT_EQ(timeline->cameraShot(), 0u);
        expectNear(timeline->cameraPosition(), {1.05f, 0, 0});
        play(*timeline, 0.01);
        ++waited;
    }
    EXPECT_EQ(timeline->cameraShot(), 0u);
    EXPECT_EQ(timeline->particleShot(), 0u);
    EXPECT_GT(waited, 5);
    play(*timeline, 0.01);
    EXPECT_EQ(timeline->cameraShot(), 1u);
    EXPECT_EQ(timeline->particleShot(), 1u);
    expectNear(timeline->cameraPosition(), {5.15f, 0, 0});
}

TEST_F(TimelinePlayback, TheLastShotStaysAndItsObjectsRest)
{
    twoShots();
    const auto timeline = build(shots(false));
    play(*timeline, 0.01, 60);
    ASSERT_TRUE(timeline->cameraPaths()[1].isFinished());
    ASSERT_TRUE(timeline->particlePaths()[1].isFinished());
    const glm::vec3 camera = timeline->cameraPosition();
    const glm::vec3 spark = particle->position();
    play(*timeline, 0.01, 20);
    EXPECT_EQ(timeline->cameraShot(), 1u);
    EXPECT_EQ(timeline->particleShot(), 1u);
    EXPECT_EQ(timeline->cameraPosition(), camera);
    EXPECT_EQ(particle->position(), spark);
}

TEST_F(TimelinePlayback, LookAtKeysInterpolateLinearly)
{
    addStraightPath("Camera", 1, {{0, 0, 0}, {1, 0, 0}});
    addStraightPath("Particle", 1, {{0, 0, 0}});
    const auto timeline = build("shots:\n  - {camera_velocity: [[0, 3], [1, 3]], look_at: [[0, 0, 10, 0], [1, 10, 10, 0]]}\n");
    for (int i = 0; i < 20; ++i) {
        const float progress = timeline->cameraPaths()[0].progress();
        play(*timeline, 0.01);
        expectNear(timeline->lookAtTarget(), {10.0f * progress, 10, 0});
        expectNear(timeline->camera().target(), timeline->lookAtTarget());
    }
    EXPECT_GT(timeline->lookAtTarget().x, 5.0f);
}

TEST_F(TimelinePlayback, OriginKeyFollowsTheParticle)
{
    addStraightPath("Camera", 1, {{0, 0, 0}, {1, 0, 0}});
    addStraightPath("Camera", 2, {{0, 0, 0}, {1, 0, 0}});
    addStraightPath("Particle", 1, {{0, 0, 0}, {0, 0, 5}});
    addStraightPath("Particle", 2, {{0, 0, 0}, {0, 0, 5}});
    const auto timeline = build(R"(shots:
  - {camera_velocity: [[0, 0.5], [1, 0.5]], particle_velocity: [[0, 4], [1, 4]], look_at: [[0, 0, 0, 0]]}
  - {camera_velocity: [[0, 0.5], [1, 0.5]], particle_velocity: [[0, 4], [1, 4]]}
)");
    for (int i = 0; i < 10; ++i) {
        const glm::vec3 before = particle->position();  // where the particle is before this frame's step
        play(*timeline, 0.05);
        expectNear(timeline->lookAtTarget(), before);
    }
    EXPECT_GT(glm::length(timeline->lookAtTarget()), 1.0f) << "the particle has moved";
}

TEST_F(TimelinePlayback, OriginKeyBlendsWithAPoint)
{
    addStraightPath("Camera", 1, {{0, 0, 0}, {1, 0, 0}});
    addStraightPath("Particle", 1, {{0, 0, 0}, {0, 0, 5}});
    const auto timeline = build(R"(shots:
  - camera_velocity: [[0, 2], [1, 2]]
    particle_velocity: [[0, 1], [1, 1]]
    look_at: [[0, 0, 0, 0], [1, 4, 4, 4]]
)");
    play(*timeline, 0.05, 3);
    const float progress = timeline->cameraPaths()[0].progress();
    const glm::vec3 spark = particle->position();
    play(*timeline, 0.05);
    expectNear(timeline->lookAtTarget(), spark * (1 - progress) + glm::vec3(4) * progress);
}

TEST_F(TimelinePlayback, LookAtKeysAtOnePositionDoNotDivideByZero)
{
    addStraightPath("Camera", 1, {{0, 0, 0}, {1, 0, 0}});
    addStraightPath("Particle", 1, {{0, 0, 0}});
    const auto timeline = build(R"(shots:
  - camera_velocity: [[0, 10], [1, 10]]
    look_at: [[0.5, 1, 1, 1], [0.5, 2, 2, 2], [1, 3, 3, 3]]
)");
    play(*timeline, 0.01);
    expectNear(timeline->lookAtTarget(), {1, 1, 1});
    play(*timeline, 0.01, 6);  // past progress 0.5: from key 1 towards key 2
    const glm::vec3 target = timeline->lookAtTarget();
    EXPECT_FALSE(std::isnan(target.x));
    EXPECT_GE(target.x, 2.0f);
    EXPECT_LE(target.x, 3.0f);
}

TEST_F(TimelinePlayback, SpeedFollowsTheVelocityCurve)
{
    addStraightPath("Camera", 1, {{0, 0, 0}, {10, 0, 0}});
    addStraightPath("Particle", 1, {{0, 0, 0}});
    const auto timeline = build("shots:\n  - {camera_velocity: [[0, 2], [1, 6]]}\n");
    const auto& path = timeline->cameraPaths()[0];
    play(*timeline, 0.1);
    EXPECT_FLOAT_EQ(path.speed(), 2.0f);
    expectNear(timeline->cameraPosition(), {0.2f, 0, 0});
    float nearHalf = 0.0f;
    float lastSpeed = 0.0f;
    while (!path.isFinished()) {
        const float progress = path.progress();
        play(*timeline, 0.02);
        EXPECT_NEAR(path.speed(), 2.0f + 4.0f * ease(progress), 1e-4f);
        if (std::fabs(progress - 0.5f) < 0.01f) {
            nearHalf = path.speed();
        }
        lastSpeed = path.speed();
    }
    EXPECT_NEAR(nearHalf, 4.0f, 0.1f);
    EXPECT_GT(lastSpeed, 5.95f);
}

TEST_F(TimelinePlayback, DiffuseFactorFollowsTheParticlePath)
{
    addStraightPath("Camera", 1, {{0, 0, 0}, {0, 0, 2}});
    addStraightPath("Camera", 2, {{0, 0, 0}});
    addStraightPath("Particle", 1, {{0, 0, 0}, {1, 0, 0}});
    addStraightPath("Particle", 2, {{0, 0, 0}, {1, 0, 0}});
    const auto timeline = build(R"(shots:
  - camera_velocity: [[0, 1], [1, 1]]
    particle_velocity: [[0, 3], [1, 3]]
    diffuse_factor: [[0, 0], [1, 1]]
    sync: true
  - {particle_velocity: [[0, 3], [1, 3]]}
)");
    const auto& path = timeline->particlePaths()[0];
    for (int i = 0; i < 10; ++i) {
        const float progress = path.progress();
        play(*timeline, 0.02);
        EXPECT_NEAR(particle->diffuseIntensity(), 1.35f + 1.025f * ease(progress), 1e-5f);
    }
    play(*timeline, 0.02, 10);
    // Waiting for the camera on its finished path, the particle's light holds
    // the curve's last value.
    ASSERT_TRUE(path.isFinished());
    ASSERT_EQ(timeline->particleShot(), 0u);
    EXPECT_NEAR(particle->diffuseIntensity(), 2.375f, 1e-5f);
    for (int i = 0; i < 1000 && timeline->particleShot() == 0; ++i) {
        play(*timeline, 0.02);
    }
    // Shot 2 has no diffuse curve: the light keeps what it has.
    ASSERT_EQ(timeline->particleShot(), 1u);
    play(*timeline, 0.02, 5);
    EXPECT_NEAR(particle->diffuseIntensity(), 2.375f, 1e-5f);
}

TEST_F(TimelinePlayback, SteeringTakesTheCameraOffTheTimeline)
{
    twoShots();
    const auto timeline = build(shots(true));
    play(*timeline, 0.01, 2);
    orv::view::OpenGLwindow::keyCallback(window->handle(), GLFW_KEY_D, 0, GLFW_PRESS, 0);
    play(*timeline, 0.01);
    orv::view::OpenGLwindow::keyCallback(window->handle(), GLFW_KEY_D, 0, GLFW_RELEASE, 0);
    EXPECT_FALSE(timeline->camera().isOnRails());
    const glm::vec3 steered = timeline->cameraPosition();
    // The particle no longer waits for the camera, and the camera's shot stays.
    play(*timeline, 0.01, 40);
    EXPECT_EQ(timeline->particleShot(), 1u);
    EXPECT_EQ(timeline->cameraShot(), 0u);
    EXPECT_EQ(timeline->cameraPosition(), steered);
    EXPECT_FALSE(timeline->cameraPaths()[0].isFinished());
}

// Two shots over a Z-up scene as a modelling tool exports it: the markers
// hang below a root turned -90 degrees about X, and so does the particle.
TEST_F(TimelinePlayback, ScriptedRunEndsAtTheLastAnchors)
{
    root->setLocalMatrix(glm::rotate(glm::mat4(1.0f), glm::radians(-90.0f), glm::vec3(1, 0, 0)));
    root->addChild(particle);
    addStraightPath("Camera", 1, {{-4, -4, 2}, {0, -5, 2.5f}, {4, -4, 2}});
    addStraightPath("Camera", 2, {{4, 0, 3}, {0, 4, 3}});
    addStraightPath("Particle", 1, {{-2, 0, 1}, {2, 0, 1.5f}});
    addStraightPath("Particle", 2, {{2, 2, 1}, {0, 0, 2}, {-2, 2, 1}});
    const auto timeline = build(R"(shots:
  - camera_velocity: [[0, 2], [0.5, 3], [1, 2]]
    particle_velocity: [[0, 1.5], [1, 1.5]]
    look_at: [[0, 0, 0, 0]]
    sync: true
  - camera_velocity: [[0, 2], [1, 2]]
    particle_velocity: [[0, 1], [1, 2]]
    diffuse_factor: [[0, 0], [1, 0.5]]
    look_at: [[0, 0, 1, 0], [1, 0, 2, 0]]
)");
    const auto& markers = root->children();
    const auto marker = [&](const std::string& name) {
        for (const auto& m : markers) {
            if (m->name() == name) {
                return translationOf(*m);
            }
        }
        ADD_FAILURE() << name;
        return glm::vec3(0.0f);
    };
    const double dt = 1.0 / 60.0;
    int frames = 0;
    glm::vec3 endOfShotOne(0.0f);
    while (!(timeline->cameraPaths()[1].isFinished() && timeline->particlePaths()[1].isFinished()) && frames < 3000) {
        const auto shotBefore = timeline->cameraShot();
        const glm::vec3 before = timeline->cameraPosition();
        play(*timeline, dt);
        if (shotBefore == 0 && timeline->cameraShot() == 1) {
            endOfShotOne = before;
        }
        ++frames;
    }
    ASSERT_LT(frames, 3000);
    EXPECT_EQ(timeline->cameraShot(), 1u);
    EXPECT_EQ(timeline->particleShot(), 1u);
    // A finished path leaves its object at most one step past the last anchor.
    expectNear(endOfShotOne, marker("Camera001_2"), 3.0f * dt + 1e-3f);
    expectNear(timeline->cameraPosition(), marker("Camera002_1"), 2.0f * dt + 1e-3f);
    expectNear(particle->position(), marker("Particle002_2"), 2.0f * dt + 1e-3f);
    EXPECT_NEAR(particle->diffuseIntensity(), 1.35f + 1.025f * 0.5f, 1e-4f);
    // On rails the camera looks where the timeline says.
    const glm::vec4 target = timeline->view() * glm::vec4(timeline->lookAtTarget(), 1.0f);
    EXPECT_NEAR(target.x, 0.0f, 1e-3f);
    EXPECT_NEAR(target.y, 0.0f, 1e-3f);
    EXPECT_LT(target.z, 0.0f);
}

}  // namespace

// The camera shot's "bloom" curve over the camera path's progress; a shot
// with one key holds it, a shot without keys is back at 1.
TEST_F(TimelinePlayback, BloomStrengthFollowsTheCameraShot)
{
    addStraightPath("Camera", 1, {{0, 0, 0}, {1, 0, 0}});
    addStraightPath("Camera", 2, {{5, 0, 0}, {6, 0, 0}});
    addStraightPath("Camera", 3, {{7, 0, 0}, {8, 0, 0}});
    addStraightPath("Particle", 1, {{0, 1, 0}});
    addStraightPath("Particle", 2, {{0, 1, 0}});
    addStraightPath("Particle", 3, {{0, 1, 0}});
    const auto timeline = build(R"(shots:
  - {camera_velocity: [[0, 3], [1, 3]], bloom: [[0, 2], [0.5, 0.5], [1, 3]]}
  - {camera_velocity: [[0, 3], [1, 3]], bloom: [[0, 0.25]]}
  - {camera_velocity: [[0, 3], [1, 3]]}
)");
    EXPECT_FLOAT_EQ(timeline->bloomStrength(), 1.0f) << "before the first frame";
    const auto& path = timeline->cameraPaths()[0];
    float lastProgress = 0.0f;
    for (int i = 0; i < 40 && !path.isFinished(); ++i) {
        const float progress = path.progress();
        play(*timeline, 0.01);
        const float expected = progress < 0.5f ? 2.0f - 1.5f * ease(progress / 0.5f)
                                               : 0.5f + 2.5f * ease((progress - 0.5f) / 0.5f);
        EXPECT_NEAR(timeline->bloomStrength(), expected, 1e-4f) << "at progress " << progress;
        lastProgress = progress;
    }
    EXPECT_GT(lastProgress, 0.9f);
    for (int i = 0; i < 100 && timeline->cameraShot() == 0; ++i)
        play(*timeline, 0.01);
    ASSERT_EQ(timeline->cameraShot(), 1u);
    EXPECT_FLOAT_EQ(timeline->bloomStrength(), 0.25f);
    for (int i = 0; i < 100 && timeline->cameraShot() == 1; ++i)
        play(*timeline, 0.01);
    ASSERT_EQ(timeline->cameraShot(), 2u);
    EXPECT_FLOAT_EQ(timeline->bloomStrength(), 1.0f);
}

// "sparks" sets the particle's emission when the particle enters the shot;
// what a shot leaves out, and a shot without "sparks", keeps what it had.
TEST_F(TimelinePlayback, SparksAreSetWhenTheParticleEntersItsShot)
{
    addStraightPath("Camera", 1, {{0, 0, 0}});
    addStraightPath("Camera", 2, {{0, 0, 0}});
    addStraightPath("Camera", 3, {{0, 0, 0}});
    addStraightPath("Particle", 1, {{0, 0, 0}, {1, 0, 0}});
    addStraightPath("Particle", 2, {{0, 0, 0}, {1, 0, 0}});
    addStraightPath("Particle", 3, {{0, 0, 0}, {1, 0, 0}});
    const auto timeline = build(R"(shots:
  - particle_velocity: [[0, 5], [1, 5]]
    sparks: {count: 6, lights: 2, interval_ms: 40, lifetime_ms: 1500, speed: 3.5, start_hue: 0.25, end_hue: 0.75}
  - particle_velocity: [[0, 5], [1, 5]]
    sparks: {count: 2.9, end_hue: 0.5}
  - particle_velocity: [[0, 5], [1, 5]]
)");
    EXPECT_FLOAT_EQ(particle->spawnParticleCount(), 1.0f) << "nothing changes before the first frame";
    play(*timeline, 0.01);
    EXPECT_FLOAT_EQ(particle->spawnParticleCount(), 6.0f);
    EXPECT_FLOAT_EQ(particle->spawnLightSourceCount(), 2.0f);
    EXPECT_DOUBLE_EQ(particle->spawnOffsetMs(), 40.0);
    EXPECT_DOUBLE_EQ(particle->lifetimeMs(), 1500.0);
    EXPECT_FLOAT_EQ(particle->velocityFactor(), 3.5f);
    EXPECT_FLOAT_EQ(particle->startHue(), 0.25f);
    EXPECT_FLOAT_EQ(particle->endHue(), 0.75f);

    // Set once on entering: a change made meanwhile stays for the rest of the shot.
    particle->setSpawnParticleCount(9.0f);
    play(*timeline, 0.01);
    EXPECT_FLOAT_EQ(particle->spawnParticleCount(), 9.0f);

    for (int i = 0; i < 100 && timeline->particleShot() == 0; ++i)
        play(*timeline, 0.01);
    ASSERT_EQ(timeline->particleShot(), 1u);
    EXPECT_FLOAT_EQ(particle->spawnParticleCount(), 2.9f);
    EXPECT_FLOAT_EQ(particle->endHue(), 0.5f);
    EXPECT_FLOAT_EQ(particle->startHue(), 0.25f) << "left out: kept from shot 1";
    EXPECT_DOUBLE_EQ(particle->spawnOffsetMs(), 40.0);

    for (int i = 0; i < 100 && timeline->particleShot() == 1; ++i)
        play(*timeline, 0.01);
    ASSERT_EQ(timeline->particleShot(), 2u);
    EXPECT_FLOAT_EQ(particle->spawnParticleCount(), 2.9f) << "a shot without sparks keeps them";
    EXPECT_FLOAT_EQ(particle->velocityFactor(), 3.5f);
}

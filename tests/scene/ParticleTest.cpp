#include <memory>

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include "config/ModelCatalogue.h"
#include "gl/ProgramManager.h"
#include "scene/Particle.h"
#include "support/Scratch.h"
#include "support/GlmExpect.h"

using orv::scene::Particle;
using orv::scene::SceneObject;

namespace {

using orv::test::expectNear;

class ParticleTest : public ::testing::Test {
protected:
    orv::test::ScratchDir dir;
    orv::gl::ProgramManager programs{dir.write("gl_programs.yaml", "{}\n").string()};
    orv::config::ModelCatalogue catalogue{dir.write("models.yaml", "{}\n").string(), programs};
};

TEST_F(ParticleTest, Defaults)
{
    const auto particle = std::make_shared<Particle>(catalogue);
    EXPECT_EQ(particle->name(), "Part");
    EXPECT_EQ(particle->modelName(), "particle");
    EXPECT_EQ(glm::vec3(particle->localMatrix()[3]), glm::vec3(0, 2, 0));
    EXPECT_TRUE(particle->isOnRails());
    EXPECT_FLOAT_EQ(particle->startHue(), 0.0f);
    EXPECT_FLOAT_EQ(particle->endHue(), 1.0f);
    EXPECT_FLOAT_EQ(particle->velocityFactor(), 1.2f);
    EXPECT_DOUBLE_EQ(particle->lifetimeMs(), 4000.0);
    EXPECT_DOUBLE_EQ(particle->spawnOffsetMs(), 250.0);
    EXPECT_FLOAT_EQ(particle->spawnParticleCount(), 1.0f);
    EXPECT_FLOAT_EQ(particle->spawnLightSourceCount(), 1.0f);
    // Its light keeps the point-light defaults.
    EXPECT_FLOAT_EQ(particle->diffuseIntensity(), 1.35f);
    EXPECT_FLOAT_EQ(particle->attenuationExp(), 0.45f);
}

TEST_F(ParticleTest, PathPointIsPlacedAsXMinusZY)
{
    const auto root = std::make_shared<SceneObject>();
    const auto particle = std::make_shared<Particle>(catalogue);
    root->addChild(particle);
    particle->setPosition({1, 2, 3});
    root->update(0.016);
    EXPECT_EQ(particle->position(), glm::vec3(1, -3, 2));
    // Light passes asking the light for its position get the world position too,
    // while the stored field (what setUniforms sends) keeps the path point.
    const orv::scene::PointLight& light = *particle;
    EXPECT_EQ(light.position(), glm::vec3(1, -3, 2));
    EXPECT_EQ(particle->PointLight::position(), glm::vec3(1, 2, 3));
}

TEST_F(ParticleTest, SitsOnItsPathBelowAZUpRoot)
{
    // The scene file's root turns Z-up content into Y-up; the particle's
    // placement undoes it, so its world position is the path point.
    const auto root = std::make_shared<SceneObject>();
    root->setLocalMatrix(glm::rotate(glm::mat4(1.0f), glm::radians(-90.0f), glm::vec3(1, 0, 0)));
    const auto particle = std::make_shared<Particle>(catalogue);
    root->addChild(particle);
    particle->setPosition({4, -5, 6});
    root->update(0.0);
    expectNear(particle->position(), {4, -5, 6});
    // Moving it through its Moveable part updates it on its own as well.
    orv::scene::Moveable& moveable = *particle;
    moveable.setPosition({-1, 2, 0.5f});
    moveable.update(0.0);
    expectNear(particle->position(), {-1, 2, 0.5f});
}

}  // namespace

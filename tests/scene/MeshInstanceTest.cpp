#include <gtest/gtest.h>
#include <glm/gtc/matrix_transform.hpp>

#include "scene/Mesh.h"
#include "scene/MeshInstance.h"
#include "scene/SceneObject.h"
#include "support/GlmExpect.h"

namespace {

using orv::test::expectNear;

using orv::scene::Mesh;

glm::mat4 rotation(float angle, const glm::vec3& axis) { return glm::rotate(glm::mat4(1.0f), angle, axis); }

TEST(MeshInstanceSpin, StillMeshKeepsItsLocal)
{
    auto instance = std::make_shared<Mesh>()->createInstance();
    const glm::mat4 local = glm::translate(glm::mat4(1.0f), {1, 2, 3});
    instance->setLocalMatrix(local);
    instance->update(0.5);
    EXPECT_EQ(instance->localMatrix(), local);
}

TEST(MeshInstanceSpin, TurnsAboutYAndAccumulates)
{
    auto mesh = std::make_shared<Mesh>();
    mesh->setRotation({0, 1, 0});
    auto instance = mesh->createInstance();
    instance->setLocalMatrix(glm::translate(glm::mat4(1.0f), {1, 0, 0}));

    instance->update(0.5);
    // The spin is applied on the parent side of the local: the offset turns too.
    expectNear(instance->localMatrix(), rotation(0.5f, {0, 1, 0}) * glm::translate(glm::mat4(1.0f), {1, 0, 0}));
    instance->update(0.5);
    expectNear(instance->localMatrix(), rotation(1.0f, {0, 1, 0}) * glm::translate(glm::mat4(1.0f), {1, 0, 0}));
    EXPECT_NEAR(instance->localMatrix()[3].x, std::cos(1.0f), 1e-5f);
    EXPECT_NEAR(instance->localMatrix()[3].z, -std::sin(1.0f), 1e-5f);
}

TEST(MeshInstanceSpin, AxesTurnInTheOrderXYZ)
{
    auto mesh = std::make_shared<Mesh>();
    mesh->setRotation({0.3f, -0.7f, 1.1f});
    auto instance = mesh->createInstance();
    instance->update(2.0);
    expectNear(instance->localMatrix(),
               rotation(2.2f, {0, 0, 1}) * rotation(-1.4f, {0, 1, 0}) * rotation(0.6f, {1, 0, 0}));
}

TEST(MeshInstanceSpin, NodeUpdateSpinsThenPlacesTheInstance)
{
    auto mesh = std::make_shared<Mesh>();
    mesh->setRotation({0, 0, 2});
    auto instance = mesh->createInstance();
    auto node = std::make_shared<orv::scene::SceneObject>();
    node->setLocalMatrix(glm::translate(glm::mat4(1.0f), {0, 0, -4}));
    node->addMeshInstance(instance);
    node->update(0.25);
    expectNear(instance->modelMatrix(), node->modelMatrix() * rotation(0.5f, {0, 0, 1}));
}

TEST(MeshInstanceClone, CarriesMeshAndCastShadowOnly)
{
    auto mesh = std::make_shared<Mesh>();
    mesh->setTargets({"shadow_mapping", "deferred_render_geometry"});
    auto instance = mesh->createInstance();
    EXPECT_TRUE(instance->parallax());
    EXPECT_TRUE(instance->renderFlag());
    EXPECT_EQ(instance->meshTargets(), mesh->targets());
    instance->setColor({0.2f, 0.4f, 0.6f});
    instance->setCastShadow(true);
    instance->setDrawSuppression(1);
    instance->setParallax(false);
    instance->setRenderFlag(false);
    instance->setLocalMatrix(glm::translate(glm::mat4(1.0f), {1, 1, 1}));
    EXPECT_TRUE(instance->hasColor());
    EXPECT_EQ(instance->color(), glm::vec3(0.2f, 0.4f, 0.6f));

    auto copy = instance->clone();
    EXPECT_NE(copy, instance);
    EXPECT_EQ(copy->mesh(), mesh);
    EXPECT_TRUE(copy->castShadow());
    EXPECT_FALSE(copy->hasColor());
    EXPECT_EQ(copy->color(), glm::vec3(0.0f));
    EXPECT_EQ(copy->drawSuppression(), 0);
    EXPECT_TRUE(copy->parallax());
    EXPECT_TRUE(copy->renderFlag());
    EXPECT_EQ(copy->localMatrix(), glm::mat4(1.0f));

    instance->setCastShadow(false);
    EXPECT_FALSE(instance->clone()->castShadow());
}

}  // namespace

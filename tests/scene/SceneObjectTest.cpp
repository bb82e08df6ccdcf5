#include <stdexcept>

#include <gtest/gtest.h>
#include <glm/gtc/matrix_transform.hpp>

#include "scene/Mesh.h"
#include "scene/MeshInstance.h"
#include "scene/SceneObject.h"

namespace {

using orv::scene::Mesh;
using orv::scene::MeshInstance;
using orv::scene::SceneObject;

std::shared_ptr<SceneObject> node(const std::string& name)
{
    auto object = std::make_shared<SceneObject>();
    object->setName(name);
    return object;
}

std::shared_ptr<SceneObject> child(const std::shared_ptr<SceneObject>& parent, const std::string& name)
{
    auto object = parent->createChild();
    object->setName(name);
    return object;
}

std::vector<std::string> names(const std::vector<std::shared_ptr<SceneObject>>& objects)
{
    std::vector<std::string> result;
    for (const auto& object : objects)
        result.push_back(object->name());
    return result;
}

glm::mat4 translation(float x, float y, float z) { return glm::translate(glm::mat4(1.0f), {x, y, z}); }

TEST(SceneObjectUpdate, WorldMatricesFollowTheTreeInOneFrame)
{
    auto root = node("root");
    root->setLocalMatrix(translation(1, 0, 0));
    auto a = child(root, "a");
    a->setLocalMatrix(glm::scale(glm::mat4(1.0f), {2, 2, 2}));
    auto late = node("late");
    late->setLocalMatrix(translation(0, 3, 0));
    a->addChild(late);
    auto instance = std::make_shared<Mesh>()->createInstance();
    instance->setLocalMatrix(translation(0, 0, 5));
    a->addMeshInstance(instance);

    root->update(0.1);

    EXPECT_EQ(root->modelMatrix(), root->localMatrix());
    EXPECT_EQ(a->modelMatrix(), root->modelMatrix() * a->localMatrix());
    EXPECT_EQ(late->parent(), a);
    EXPECT_EQ(late->modelMatrix(), a->modelMatrix() * late->localMatrix());
    EXPECT_EQ(late->modelMatrix()[3], glm::vec4(1, 6, 0, 1));
    EXPECT_EQ(instance->modelMatrix(), a->modelMatrix() * instance->localMatrix());

    // A child updated on its own still sees its parent's current model.
    root->setLocalMatrix(translation(-1, 0, 0));
    root->update(0.1);
    EXPECT_EQ(late->modelMatrix()[3], glm::vec4(-1, 6, 0, 1));
}

TEST(SceneObjectUpdate, NodeWithParentLinkOnlyIsNotAChild)
{
    auto root = node("root");
    root->setLocalMatrix(translation(4, 0, 0));
    auto linked = std::make_shared<SceneObject>(root);
    root->update(0);
    EXPECT_TRUE(root->children().empty());
    linked->update(0);
    EXPECT_EQ(linked->modelMatrix(), root->modelMatrix());
}

TEST(SceneObjectTransform, ModelFileMatrixIsTransposedIntoTheLocal)
{
    auto object = node("o");
    aiMatrix4x4 rowMajor;  // identity
    rowMajor.a4 = 7.0f;    // translation in the last column, row by row
    rowMajor.b4 = 8.0f;
    rowMajor.c4 = 9.0f;
    rowMajor.a2 = 0.5f;    // row 0, column 1
    object->setTransformation(rowMajor);
    EXPECT_EQ(object->localMatrix()[3], glm::vec4(7, 8, 9, 1));
    EXPECT_EQ(object->localMatrix()[1][0], 0.5f);
    EXPECT_EQ(object->localMatrix()[0][1], 0.0f);
}

TEST(SceneObjectSearch, FindObjectsByContainedText)
{
    auto root = node("Pillar_root");  // the node itself is never tested
    auto p1 = child(root, "Pillar_01");
    child(p1, "Pillar_01_top");
    auto wall = child(root, "Wall");
    child(wall, "Pillar_in_wall");
    child(root, "Floor");
    EXPECT_EQ(names(root->findObjects("Pillar")),
              (std::vector<std::string>{"Pillar_01", "Pillar_01_top", "Pillar_in_wall"}));
    EXPECT_TRUE(root->findObjects("Ceiling").empty());
}

TEST(SceneObjectSearch, DirectChildNamedExactlyIsListedTwice)
{
    auto root = node("root");
    auto pillar = child(root, "Pillar");
    child(pillar, "Pillar_top");
    auto found = root->findObjects("Pillar");
    EXPECT_EQ(names(found), (std::vector<std::string>{"Pillar", "Pillar", "Pillar_top"}));
    EXPECT_EQ(found[0], pillar);
    EXPECT_EQ(found[1], pillar);

    // Only direct children get the exact-match entry.
    auto grand = node("root");
    child(child(grand, "Hall"), "Pillar");
    EXPECT_EQ(names(grand->findObjects("Pillar")), (std::vector<std::string>{"Pillar"}));
}

TEST(SceneObjectSearch, FindMeshInstancesByExactNameSkipsTheNodeItself)
{
    auto mesh = std::make_shared<Mesh>();
    auto root = node("Lamp");
    root->addMeshInstance(mesh->createInstance());
    auto lamp = child(root, "Lamp");
    auto first = mesh->createInstance();
    auto second = mesh->createInstance();
    lamp->addMeshInstance(first);
    lamp->addMeshInstance(second);
    auto inner = child(child(lamp, "Lamp_shade"), "Lamp");
    auto third = mesh->createInstance();
    inner->addMeshInstance(third);

    EXPECT_EQ(root->findMeshInstances("Lamp"), (std::vector<std::shared_ptr<MeshInstance>>{first, second, third}));
    EXPECT_TRUE(root->findMeshInstances("Lam").empty());
}

TEST(SceneObjectSearch, BoundingSphereInstanceIsTheFirstFoundOrAnError)
{
    auto root = node("bounding_sphere");
    auto sphere = child(root, "BoundingSphere");
    auto instance = std::make_shared<Mesh>()->createInstance();
    sphere->addMeshInstance(instance);
    sphere->addMeshInstance(std::make_shared<Mesh>()->createInstance());
    EXPECT_EQ(root->boundingSphereInstance(), instance);

    EXPECT_THROW(sphere->boundingSphereInstance(), std::runtime_error);
}

TEST(SceneObjectDraw, SuppressDrawReachesDescendantsOnlyWhenRecursive)
{
    auto mesh = std::make_shared<Mesh>();
    auto root = node("root");
    auto own = mesh->createInstance();
    root->addMeshInstance(own);
    auto below = mesh->createInstance();
    child(child(root, "a"), "b")->addMeshInstance(below);

    root->suppressDraw(false);
    EXPECT_NE(own->drawSuppression(), 0);
    EXPECT_EQ(below->drawSuppression(), 0);

    root->suppressDraw(true);
    EXPECT_NE(below->drawSuppression(), 0);
}

TEST(SceneObjectClone, CopiesTheSubtreeWithNewInstancesAndIdentityTransforms)
{
    auto mesh = std::make_shared<Mesh>();
    auto parent = node("parent");
    auto source = child(parent, "source");
    source->setLocalMatrix(translation(1, 2, 3));
    parent->update(0);
    auto shadowed = mesh->createInstance();
    shadowed->setCastShadow(true);
    shadowed->setColor({1, 0, 0});
    shadowed->setLocalMatrix(translation(0, 1, 0));
    source->addMeshInstance(shadowed);
    source->addMeshInstance(mesh->createInstance());
    auto a = child(source, "a");
    auto deep = child(a, "deep");
    deep->addMeshInstance(mesh->createInstance());
    child(source, "b");

    auto copy = source->clone();

    EXPECT_EQ(copy->name(), "source");
    EXPECT_EQ(copy->localMatrix(), glm::mat4(1.0f));
    EXPECT_EQ(copy->modelMatrix(), glm::mat4(1.0f));
    EXPECT_EQ(copy->parent(), parent);
    EXPECT_EQ(parent->children().size(), 1u);

    ASSERT_EQ(copy->meshInstances().size(), 2u);
    const auto& copied = copy->meshInstances()[0];
    EXPECT_NE(copied, shadowed);
    EXPECT_EQ(copied->mesh(), mesh);
    EXPECT_TRUE(copied->castShadow());
    EXPECT_FALSE(copied->hasColor());
    EXPECT_EQ(copied->localMatrix(), glm::mat4(1.0f));
    EXPECT_FALSE(copy->meshInstances()[1]->castShadow());

    ASSERT_EQ(names(copy->children()), (std::vector<std::string>{"a", "b"}));
    const auto& copiedA = copy->children()[0];
    EXPECT_NE(copiedA, a);
    EXPECT_EQ(copiedA->parent(), copy);
    EXPECT_EQ(copy->children()[1]->parent(), copy);
    ASSERT_EQ(names(copiedA->children()), (std::vector<std::string>{"deep"}));
    EXPECT_EQ(copiedA->children()[0]->parent(), copiedA);
    ASSERT_EQ(copiedA->children()[0]->meshInstances().size(), 1u);
    EXPECT_NE(copiedA->children()[0]->meshInstances()[0], deep->meshInstances()[0]);

    // The source is untouched.
    EXPECT_EQ(source->children().size(), 2u);
    EXPECT_EQ(a->parent(), source);
}

TEST(SceneObjectLifetime, ReleasingTheRootFreesTheTree)
{
    std::weak_ptr<SceneObject> leaf;
    {
        auto root = node("root");
        leaf = child(child(root, "a"), "b");
    }
    EXPECT_TRUE(leaf.expired());
}

}  // namespace

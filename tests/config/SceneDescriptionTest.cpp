#include <memory>
#include <string>
#include <vector>

#include <glm/glm.hpp>
#include <glm/gtc/quaternion.hpp>
#include <gtest/gtest.h>

#include "ConfigTest.h"
#include "GltfBuilder.h"
#include "config/AssimpImport.h"
#include "config/ModelCatalogue.h"
#include "config/NodeTree.h"
#include "config/SceneDescription.h"
#include "scene/Mesh.h"
#include "scene/MeshInstance.h"
#include "scene/SceneObject.h"
#include "support/GlmExpect.h"

using orv::config::ModelCatalogue;
using orv::config::SceneDescription;
using orv::scene::SceneObject;
using orv::test::errorOf;
using orv::test::GltfBuilder;
using orv::test::ppm;

namespace {

using orv::test::expectNear;

const glm::quat zUpToYUp = glm::angleAxis(glm::radians(-90.0f), glm::vec3(1, 0, 0));

class SceneDescriptionTest : public orv::test::ConfigTest {
protected:
    // Loads the catalogue (empty unless given), then the scene file described
    // by scene.yaml's "main" entry.
    std::unique_ptr<SceneDescription> loadScene(const std::string& sceneYaml, const std::string& modelsYaml = "")
    {
        models = loadedCatalogue(modelsYaml);
        write("config/scene.yaml", sceneYaml);
        auto description = std::make_unique<SceneDescription>("config/scene.yaml", "main", *models);
        description->load();
        return description;
    }

    // The one child of parent named name.
    static std::shared_ptr<SceneObject> child(const std::shared_ptr<SceneObject>& parent, const std::string& name)
    {
        std::shared_ptr<SceneObject> found;
        for (const auto& c : parent->children())
            if (c->name() == name) {
                EXPECT_FALSE(found) << "two children named " << name;
                found = c;
            }
        EXPECT_TRUE(found) << "no child named " << name;
        return found;
    }

    std::unique_ptr<ModelCatalogue> models;
};

glm::vec3 worldPosition(const std::shared_ptr<SceneObject>& object)
{
    return glm::vec3(object->modelMatrix()[3]);
}

}  // namespace

TEST_F(SceneDescriptionTest, TreeFollowsTheNodesAndSettingsDecideWhichMeshesGetInstances)
{
    GltfBuilder room;
    const int root = room.node({.name = "Room", .mesh = room.quad("RootMesh"), .rotation = zUpToYUp});
    room.node({.name = "Floor", .mesh = room.quad("Floor"), .parent = root});
    const int group = room.node({.name = "Group", .mesh = room.quad("Unlisted"), .parent = root,
                                 .translation = {1, 2, 3}});
    room.node({.name = "Inner", .mesh = room.quad("Inner"), .parent = group, .translation = {0, 0, 1}});
    room.node({.name = "Hidden", .mesh = room.quads("Hidden", {-1, -1}), .parent = root});
    room.node({.name = "Wire", .mesh = room.line("Wire"), .parent = root});
    write("models/room.gltf", room.json());

    const auto scene = loadScene(R"(
main:
  path: models/room.gltf
  models:
    Room: {targets: [deferred_render_geometry]}
    Floor: {targets: [deferred_render_geometry, shadow_mapping], cast_shadow: true, parallax: true,
            is_light_source: true, rotation: [0, 1, 0], load_onto_gpu: false}
    Inner: {targets: [deferred_render_geometry]}
    Hidden: {targets: [deferred_render_geometry], ignore: true}
    Wire: {targets: [deferred_render_geometry]}
)");

    const auto tree = scene->root();
    ASSERT_TRUE(tree);
    EXPECT_EQ(scene->root(), tree) << "every call hands out the same root";
    EXPECT_EQ(tree->name(), "Room");
    EXPECT_TRUE(tree->meshInstances().empty()) << "the root node's own meshes are never built";
    ASSERT_EQ(tree->children().size(), 4u);

    const auto floor = child(tree, "Floor");
    ASSERT_EQ(floor->meshInstances().size(), 1u);
    const auto& instance = floor->meshInstances()[0];
    EXPECT_EQ(instance->meshTargets(), (std::vector<std::string>{"deferred_render_geometry", "shadow_mapping"}));
    EXPECT_TRUE(instance->castShadow());
    EXPECT_TRUE(instance->mesh()->parallax());
    EXPECT_TRUE(instance->mesh()->isLightSource());
    EXPECT_EQ(instance->mesh()->rotation(), glm::vec3(0, 1, 0));
    EXPECT_EQ(instance->mesh()->vertexArray(), 0u);
    EXPECT_FALSE(instance->hasColor());
    EXPECT_EQ(instance->drawSuppression(), 0);

    // Authored Z-up below the rotated root: (x, y, z) lands at (x, z, -y).
    const auto groupObject = child(tree, "Group");
    EXPECT_TRUE(groupObject->meshInstances().empty()) << "no settings, no instances";
    expectNear(worldPosition(groupObject), {1, 3, -2});
    const auto inner = child(groupObject, "Inner");
    EXPECT_EQ(inner->meshInstances().size(), 1u);
    expectNear(worldPosition(inner), {1, 4, -2});

    const auto hidden = child(tree, "Hidden");
    EXPECT_TRUE(hidden->meshInstances().empty()) << "ignore";
    EXPECT_TRUE(child(tree, "Wire")->meshInstances().empty()) << "a mesh of fewer than three vertices";
}

TEST_F(SceneDescriptionTest, NodesWithoutTargetsOrWithSuppressDrawMarkAllTheirOwnInstances)
{
    // Two materials keep the importer from joining each node's two meshes.
    GltfBuilder room;
    const int red = room.material({.diffuse = "red.ppm"});
    const int blue = room.material({.diffuse = "blue.ppm"});
    const int root = room.node({.name = "Room"});
    const int plain = room.node({.name = "Plain", .mesh = room.quads("Plain", {red, blue}), .parent = root});
    room.node({.name = "PlainChild", .mesh = room.quad("PlainChild"), .parent = plain});
    room.node({.name = "Muted", .mesh = room.quads("Muted", {red, blue}), .parent = root});
    room.node({.name = "Shown", .mesh = room.quads("Shown", {red, blue}), .parent = root});
    write("models/room.gltf", room.json());
    write("models/red.ppm", ppm(1, 255, 0, 0));
    write("models/blue.ppm", ppm(1, 0, 0, 255));

    const auto scene = loadScene(R"(
main:
  path: models/room.gltf
  models:
    Plain: {cast_shadow: true}
    PlainChild: {targets: [deferred_render_geometry]}
    Muted: {targets: [deferred_render_geometry], suppress_draw: true}
    Shown: {targets: [deferred_render_geometry]}
)");

    const auto tree = scene->root();
    const auto expectInstances = [](const std::shared_ptr<SceneObject>& object, bool suppressed,
                                    std::vector<std::string> targets) {
        ASSERT_EQ(object->meshInstances().size(), object->name() == "PlainChild" ? 1u : 2u) << object->name();
        for (const auto& instance : object->meshInstances()) {
            EXPECT_EQ(instance->drawSuppression() != 0, suppressed) << object->name();
            EXPECT_EQ(instance->meshTargets(), targets) << object->name();
        }
    };
    const auto plainObject = child(tree, "Plain");
    expectInstances(plainObject, true, {});
    expectInstances(child(plainObject, "PlainChild"), false, {"deferred_render_geometry"});
    expectInstances(child(tree, "Muted"), true, {});
    expectInstances(child(tree, "Shown"), false, {"deferred_render_geometry"});
}

TEST_F(SceneDescriptionTest, ModelNodesGetTheirOwnCloneAtTheirOwnTransform)
{
    GltfBuilder crate;
    const int crateRoot = crate.node({.name = "Crate", .mesh = crate.quad("Box")});
    crate.node({.name = "Handle", .mesh = crate.quad("Handle"), .parent = crateRoot});
    write("models/crate.gltf", crate.json());
    GltfBuilder room;
    const int root = room.node({.name = "Room", .rotation = zUpToYUp});
    room.node({.name = "model-crate_001", .parent = root, .translation = {1, 0, 0}});
    const int second = room.node({.name = "model-crate_002", .mesh = room.quad("Own"), .parent = root,
                                  .translation = {0, 5, 0}});
    room.node({.name = "NotVisited", .mesh = room.quad("NotVisited"), .parent = second});
    write("models/room.gltf", room.json());

    const auto scene = loadScene(R"(
main:
  path: models/room.gltf
  models:
    model-crate_002: {targets: [deferred_render_geometry]}
    NotVisited: {targets: [deferred_render_geometry]}
)",
                                 "crate: {path: models/crate.gltf, cast_shadow: true}\n");

    const auto tree = scene->root();
    ASSERT_EQ(tree->children().size(), 2u);
    const auto first = child(tree, "crate_001");
    const auto other = child(tree, "crate_002");
    ASSERT_TRUE(first && other);
    EXPECT_NE(first, other);
    EXPECT_EQ(first->parent(), tree);
    expectNear(worldPosition(first), {1, 0, 0});
    expectNear(worldPosition(other), {0, 0, -5});

    const auto original = models->find("crate")[0];
    for (const auto& copy : {first, other}) {
        ASSERT_EQ(copy->meshInstances().size(), 1u) << "the model's meshes, not the node's";
        EXPECT_EQ(copy->meshInstances()[0]->mesh(), original->meshInstances()[0]->mesh());
        EXPECT_NE(copy->meshInstances()[0], original->meshInstances()[0]);
        EXPECT_TRUE(copy->meshInstances()[0]->castShadow());
        ASSERT_EQ(copy->children().size(), 1u) << "the model's children, not the node's";
        EXPECT_EQ(copy->children()[0]->name(), "Handle");
        expectNear(worldPosition(copy->children()[0]), worldPosition(copy));
    }
}

TEST_F(SceneDescriptionTest, NumberSuffixOfFourCharactersIsDroppedFromLongerNames)
{
    GltfBuilder room;
    const int root = room.node({.name = "Room", .mesh = room.quad("RootMesh")});
    std::string catalogue;
    for (const std::string model : {"x", "ab_1", "abc_12", "ab", "abc", "long_name"}) {
        GltfBuilder file;
        file.node({.name = "Root", .mesh = file.quad("mesh-" + model)});
        write("models/" + model + ".gltf", file.json());
        catalogue += model + ": {path: models/" + model + ".gltf}\n";
    }
    for (const char* node : {"model-x_123", "model-ab_1", "model-abc_12", "model-long_name_0_9"})
        room.node({.name = node, .parent = root});
    write("models/room.gltf", room.json());

    const auto scene = loadScene("main: {path: models/room.gltf}\n", catalogue);

    const auto meshOf = [&](const std::string& name) {
        const auto object = child(scene->root(), name);
        return object && !object->meshInstances().empty() ? object->meshInstances()[0]->meshName() : "";
    };
    EXPECT_EQ(meshOf("x_123"), "mesh-x");
    EXPECT_EQ(meshOf("ab_1"), "mesh-ab_1");
    EXPECT_EQ(meshOf("abc_12"), "mesh-abc_12");
    EXPECT_EQ(meshOf("long_name_0_9"), "mesh-long_name");
}

TEST_F(SceneDescriptionTest, ModelNodeWithoutItsModelKeepsItsOwnMeshesAndLosesItsChildren)
{
    GltfBuilder room;
    const int root = room.node({.name = "Room"});
    const int ghost = room.node({.name = "model-ghost_001", .mesh = room.quad("Sheet"), .parent = root,
                                 .translation = {0, 2, 0}});
    room.node({.name = "Chain", .mesh = room.quad("Chain"), .parent = ghost});
    write("models/room.gltf", room.json());

    testing::internal::CaptureStderr();
    const auto scene = loadScene(R"(
main:
  path: models/room.gltf
  models:
    model-ghost_001: {targets: [deferred_render_geometry], cast_shadow: true}
    Chain: {targets: [deferred_render_geometry]}
)");
    const std::string warning = testing::internal::GetCapturedStderr();

    const auto object = child(scene->root(), "model-ghost_001");
    ASSERT_TRUE(object);
    ASSERT_EQ(object->meshInstances().size(), 1u);
    EXPECT_EQ(object->meshInstances()[0]->meshName(), "Sheet");
    EXPECT_TRUE(object->meshInstances()[0]->castShadow());
    EXPECT_TRUE(object->children().empty());
    expectNear(worldPosition(object), {0, 2, 0});
    EXPECT_NE(warning.find("\"ghost\""), std::string::npos) << warning;
    EXPECT_NE(warning.find("config/scene.yaml"), std::string::npos) << warning;
}

TEST_F(SceneDescriptionTest, TexturesOffGiveTheSolidColourAndSceneAndCatalogueLoadImagesApart)
{
    GltfBuilder crate;
    crate.node({.name = "Crate", .mesh = crate.quad("Box", crate.material({.diffuse = "shared.ppm"}))});
    write("models/crate.gltf", crate.json());
    GltfBuilder room;
    const int shared = room.material({.normal = "bump.ppm", .diffuse = "shared.ppm"});
    const int root = room.node({.name = "Room"});
    room.node({.name = "Textured", .mesh = room.quad("Textured", shared), .parent = root});
    room.node({.name = "Red", .mesh = room.quad("Red", shared), .parent = root});
    write("models/room.gltf", room.json());
    write("models/shared.ppm", ppm(2));
    write("models/bump.ppm", ppm(1));

    const auto scene = loadScene(R"(
main:
  path: models/room.gltf
  models:
    Textured: {targets: [deferred_render_geometry]}
    Red: {targets: [deferred_render_geometry], load_textures: false}
)",
                                 "crate: {path: models/crate.gltf}\n");

    const auto textured = child(scene->root(), "Textured")->meshInstances()[0];
    EXPECT_FALSE(textured->hasColor());
    EXPECT_EQ(textureWidth(textured->mesh()->diffuseMap()), 2);
    EXPECT_TRUE(textured->mesh()->hasTangents());

    const auto red = child(scene->root(), "Red")->meshInstances()[0];
    EXPECT_TRUE(red->hasColor());
    EXPECT_EQ(red->color(), glm::vec3(0.75f, 0.0f, 0.0f));
    EXPECT_FALSE(red->mesh()->hasTexCoords());
    EXPECT_FALSE(red->mesh()->diffuseMap());
    EXPECT_FALSE(red->mesh()->normalMap());

    const auto fromCatalogue = models->find("crate")[0]->meshInstances()[0]->mesh()->diffuseMap();
    ASSERT_TRUE(fromCatalogue);
    EXPECT_NE(textured->mesh()->diffuseMap(), fromCatalogue);
    EXPECT_NE(textured->mesh()->diffuseMap()->id(), fromCatalogue->id());
    EXPECT_TRUE(scene->textures().contains("models/shared.ppm"));
    EXPECT_TRUE(models->textures().contains("models/shared.ppm"));
}

TEST_F(SceneDescriptionTest, YamlAndImportErrors)
{
    GltfBuilder room;
    const int root = room.node({.name = "Room"});
    room.node({.name = "Floor", .mesh = room.quad("Floor"), .parent = root});
    write("models/room.gltf", room.json());
    models = loadedCatalogue("");

    const auto loading = [this](const std::string& yaml) {
        return errorOf([&] {
            write("config/scene.yaml", yaml);
            SceneDescription("config/scene.yaml", "main", *models).load();
        });
    };
    const auto expectError = [](const std::string& message, const std::string& what) {
        EXPECT_NE(message.find(what), std::string::npos) << message;
        EXPECT_EQ(message.find('\n'), std::string::npos) << message;
    };

    expectError(errorOf([this] { SceneDescription("config/scene.yaml", "main", *models); }),
                "bad file: config/scene.yaml");
    expectError(loading("main: {path: [models/room.gltf\n"), "yaml-cpp: error at line");
    expectError(loading("- main\n"), "invalid node");
    expectError(loading("main\n"), "operator[] call on a scalar");
    expectError(loading("main: scalar\n"), "operator[] call on a scalar");
    expectError(loading("other: {path: models/room.gltf}\n"), "bad conversion");
    expectError(loading(""), "bad conversion");
    expectError(loading("main: {models: {}}\n"), "bad conversion");
    expectError(loading("main: {path: models/room.gltf, models: 5}\n"), "operator[] call on a scalar");
    expectError(loading("main: {path: models/room.gltf, models: {Floor: yes}}\n"), "operator[] call on a scalar");
    expectError(loading("main: {path: models/room.gltf, models: {Floor: {targets: [[a]]}}}\n"), "bad conversion");
    expectError(loading("main: {path: models/room.gltf, models: {Floor: {rotation: [1, 2, z]}}}\n"),
                "bad conversion");
    const std::string import = loading("main: {path: models/nowhere.gltf}\n");
    expectError(import, "cannot import \"models/nowhere.gltf\"");
    EXPECT_NE(import.find("Unable to open file"), std::string::npos) << import;
}

// What the checker reads of a scene file is what load builds from: the same
// reading, without GL or a catalogue.
TEST_F(SceneDescriptionTest, ReadNodesGivesTheMeshesLoadWouldBuildAndSkipsFaultsOnlyWhenAsked)
{
    GltfBuilder room;
    const int root = room.node({.name = "Room", .mesh = room.quad("RootMesh")});
    room.node({.name = "Floor", .mesh = room.quad("Floor"), .parent = root});
    room.node({.name = "Wire", .mesh = room.line("Wire"), .parent = root});
    room.node({.name = "Broken", .mesh = room.quad("Broken"), .parent = root});
    const int crate = room.node({.name = "model-crate_001", .mesh = room.quad("CrateStandIn"), .parent = root});
    room.node({.name = "Lid", .mesh = room.quad("Lid"), .parent = crate});
    const int ghost = room.node({.name = "model-ghost_002", .mesh = room.quad("Sheet"), .parent = root});
    room.node({.name = "Chain", .mesh = room.quad("Chain"), .parent = ghost});
    write("models/room.gltf", room.json());
    const YAML::Node settings = YAML::Load(R"(
Room: {targets: [deferred_render_geometry]}
Floor: {targets: [deferred_render_geometry], load_textures: false}
Wire: {targets: [deferred_render_geometry]}
Broken: {targets: [[deferred_render_geometry]]}
model-crate_001: {targets: [deferred_render_geometry]}
model-ghost_002: {targets: [deferred_render_geometry]}
Chain: {targets: [deferred_render_geometry]}
)");
    const orv::config::AssimpImport imported("models/room.gltf", SceneDescription::importFlags);
    const auto holdsModel = [](const std::string& model) { return model == "crate"; };

    const orv::config::NodeTree tree =
        SceneDescription::readNodes(*imported.scene(), settings, holdsModel, SceneDescription::Faults::skip);
    EXPECT_EQ(tree.name, "Room");
    EXPECT_FALSE(tree.hasMesh()) << "the root node's own meshes are never built";
    std::vector<std::string> names;
    for (const auto& node : tree.children)
        names.push_back(node.name);
    ASSERT_EQ(names, (std::vector<std::string>{"Floor", "Wire", "Broken", "model-crate_001", "model-ghost_002"}));
    const auto& floor = tree.children[0];
    ASSERT_EQ(floor.meshes.size(), 1u);
    ASSERT_TRUE(floor.settings);
    EXPECT_FALSE(floor.settings->loadTextures);
    EXPECT_TRUE(floor.model.empty());
    EXPECT_FALSE(tree.children[1].hasMesh()) << "a mesh of fewer than three vertices";
    EXPECT_FALSE(tree.children[2].hasMesh()) << "settings that do not read, skipped";
    EXPECT_FALSE(tree.children[2].settings);
    const auto& placed = tree.children[3];
    EXPECT_EQ(placed.model, "crate");
    EXPECT_FALSE(placed.hasMesh()) << "the catalogue's model stands in for the node's own meshes";
    EXPECT_TRUE(placed.children.empty());
    const auto& unknown = tree.children[4];
    EXPECT_EQ(unknown.model, "ghost");
    EXPECT_EQ(unknown.meshes.size(), 1u) << "no model: the node's own meshes";
    EXPECT_TRUE(unknown.children.empty()) << "and not its children, as load builds it";
    EXPECT_EQ(SceneDescription::placedNameOf(unknown.name), "ghost_002");

    const std::string raised = errorOf([&] {
        SceneDescription::readNodes(*imported.scene(), settings, holdsModel, SceneDescription::Faults::raise);
    });
    EXPECT_NE(raised.find("bad conversion"), std::string::npos) << raised;

    // The catalogue builds every mesh of every node, each node from its file.
    const orv::config::NodeTree model = ModelCatalogue::readNodes(*imported.scene(), "models/room.gltf");
    EXPECT_EQ(model.meshes.size(), 1u);
    ASSERT_EQ(model.children.size(), 5u);
    EXPECT_EQ(model.children[1].meshes.size(), 1u) << "the catalogue keeps short meshes";
    ASSERT_EQ(model.children[3].children.size(), 1u);
    EXPECT_EQ(model.children[3].children[0].source, "models/room.gltf");
    EXPECT_TRUE(model.children[3].model.empty());
}

#include <memory>
#include <string>

#include <glm/glm.hpp>
#include <gtest/gtest.h>

#include "ConfigTest.h"
#include "GltfBuilder.h"
#include "config/ModelCatalogue.h"
#include "scene/BoundingSphere.h"
#include "scene/ImageTexture.h"
#include "scene/Mesh.h"
#include "scene/MeshInstance.h"
#include "scene/ModelObject.h"
#include "scene/SceneObject.h"

using orv::config::ModelCatalogue;
using orv::scene::SceneObject;
using orv::test::errorOf;
using orv::test::GltfBuilder;
using orv::test::ppm;

namespace {

class ModelCatalogueTest : public orv::test::ConfigTest {
protected:
    // A model file whose root node rootName carries one textured quad mesh.
    void writeModel(const std::string& path, const std::string& rootName, const std::string& diffuse = "")
    {
        GltfBuilder file;
        const int material = diffuse.empty() ? -1 : file.material({.diffuse = diffuse});
        file.node({.name = rootName, .mesh = file.quad(rootName + "Mesh", material)});
        write(path, file.json());
    }
};

std::shared_ptr<SceneObject> single(const std::vector<std::shared_ptr<SceneObject>>& found)
{
    EXPECT_EQ(found.size(), 1u);
    return found.empty() ? nullptr : found.front();
}

}  // namespace

TEST_F(ModelCatalogueTest, EntryWithOnlyPathGivesTexturedUploadedPlainMeshes)
{
    GltfBuilder file;
    const int wood = file.material({.diffuse = "wood.ppm"});
    const int root = file.node({.name = "CrateRoot", .mesh = file.quad("Box", wood), .translation = {1, 2, 3}});
    file.node({.name = "Lid", .mesh = file.quad("LidMesh", wood), .parent = root, .translation = {0, 0, 1}});
    write("models/crate.gltf", file.json());
    write("models/wood.ppm", ppm(3));

    auto models = loadedCatalogue("crate:\n  path: models/crate.gltf\n");

    const auto crate = single(models->find("crate"));
    ASSERT_TRUE(crate);
    EXPECT_EQ(crate->name(), "CrateRoot");
    ASSERT_EQ(crate->meshInstances().size(), 1u);
    const auto& instance = crate->meshInstances()[0];
    const auto& mesh = instance->mesh();
    EXPECT_EQ(mesh->name(), "Box");
    EXPECT_EQ(textureWidth(mesh->diffuseMap()), 3);
    EXPECT_TRUE(mesh->hasTexCoords());
    EXPECT_FALSE(mesh->hasTangents()) << "no normal map, so no tangents";
    EXPECT_NE(mesh->vertexArray(), 0u);
    EXPECT_TRUE(mesh->targets().empty());
    EXPECT_FALSE(mesh->isLightSource());
    EXPECT_FALSE(mesh->parallax());
    EXPECT_EQ(mesh->rotation(), glm::vec3(0.0f));
    EXPECT_FALSE(instance->castShadow());

    // The tree is updated once: world matrices are there for every node.
    EXPECT_EQ(crate->modelMatrix()[3], glm::vec4(1, 2, 3, 1));
    ASSERT_EQ(crate->children().size(), 1u);
    const auto& lid = crate->children()[0];
    EXPECT_EQ(lid->name(), "Lid");
    EXPECT_EQ(lid->modelMatrix()[3], glm::vec4(1, 2, 4, 1));
    ASSERT_EQ(lid->meshInstances().size(), 1u);
    EXPECT_EQ(lid->meshInstances()[0]->mesh()->diffuseMap(), mesh->diffuseMap());
}

TEST_F(ModelCatalogueTest, EverySettingReachesMeshesAndInstances)
{
    writeModel("models/lamp.gltf", "Lamp", "glow.ppm");
    write("models/glow.ppm", ppm(2));

    auto models = loadedCatalogue(R"(
lamp:
  path: models/lamp.gltf
  load_textures: false
  load_onto_gpu: false
  is_light_source: true
  parallax: true
  targets: [deferred_render_geometry, shadow_mapping]
  rotation: [0.5, 1, -2]
  cast_shadow: true
  environment_cube: true
  unknown_key: ignored
)");

    const auto lamp = single(models->find("lamp"));
    ASSERT_TRUE(lamp);
    ASSERT_EQ(lamp->meshInstances().size(), 1u);
    const auto& instance = lamp->meshInstances()[0];
    const auto& mesh = instance->mesh();
    EXPECT_FALSE(mesh->diffuseMap());
    EXPECT_FALSE(mesh->hasTexCoords());
    EXPECT_EQ(models->textures().size(), 0u);
    EXPECT_EQ(mesh->vertexArray(), 0u);
    EXPECT_TRUE(mesh->isLightSource());
    EXPECT_TRUE(mesh->parallax());
    EXPECT_TRUE(mesh->environmentCube());
    EXPECT_EQ(mesh->targets(), (std::vector<std::string>{"deferred_render_geometry", "shadow_mapping"}));
    EXPECT_EQ(mesh->rotation(), glm::vec3(0.5f, 1.0f, -2.0f));
    EXPECT_TRUE(instance->castShadow());
}

TEST_F(ModelCatalogueTest, RotationOfAnyOtherSizeGivesNoSpinAndUnconvertibleBooleansTheirDefault)
{
    writeModel("models/a.gltf", "A");
    auto models = loadedCatalogue(R"(
short: {path: models/a.gltf, rotation: [1, 2]}
scalar: {path: models/a.gltf, rotation: 5}
long: {path: models/a.gltf, rotation: [1, 2, 3, 4]}
mapped: {path: models/a.gltf, rotation: {x: 1, y: 2, z: 3}, cast_shadow: maybe, load_onto_gpu: [1],
         environment_cube: often}
)");
    for (const char* name : {"short", "scalar", "long", "mapped"}) {
        const auto model = single(models->find(name));
        ASSERT_TRUE(model) << name;
        EXPECT_EQ(model->meshInstances()[0]->mesh()->rotation(), glm::vec3(0.0f)) << name;
    }
    const auto mapped = models->find("mapped")[0]->meshInstances()[0];
    EXPECT_FALSE(mapped->castShadow());
    EXPECT_FALSE(mapped->mesh()->environmentCube());
    EXPECT_FALSE(models->find("short")[0]->meshInstances()[0]->mesh()->environmentCube()) << "default";
    EXPECT_NE(mapped->mesh()->vertexArray(), 0u);
}

TEST_F(ModelCatalogueTest, MaterialTexturesFillNormalSpecularLightAndDiffuseSlots)
{
    GltfBuilder file;
    const int all = file.material({.normal = "n.ppm", .specular = "s.ppm", .light = "l.ppm", .diffuse = "d.ppm"});
    file.node({.name = "Panel", .mesh = file.quad("Panel", all)});
    write("models/panel.gltf", file.json());
    write("models/n.ppm", ppm(1));
    write("models/s.ppm", ppm(2));
    write("models/l.ppm", ppm(3));
    write("models/d.ppm", ppm(4));

    auto models = loadedCatalogue("panel: {path: models/panel.gltf}\n");

    const auto& mesh = models->find("panel")[0]->meshInstances()[0]->mesh();
    EXPECT_EQ(textureWidth(mesh->normalMap()), 1);
    EXPECT_EQ(textureWidth(mesh->specularMap()), 2);
    EXPECT_EQ(textureWidth(mesh->displacementMap()), 3);
    EXPECT_EQ(textureWidth(mesh->diffuseMap()), 4);
    EXPECT_EQ(mesh->texCoords().size(), 4u);
    EXPECT_EQ(mesh->tangents().size(), 4u) << "a normal map brings tangents";
    for (const char* name : {"models/n.ppm", "models/s.ppm", "models/l.ppm", "models/d.ppm"})
        EXPECT_TRUE(models->textures().contains(name)) << name;
}

TEST_F(ModelCatalogueTest, OneFileNamedByManyMaterialsIsOneTexturePerPath)
{
    GltfBuilder first;
    const int bumpy = first.material({.normal = "bump.ppm", .diffuse = "shared.ppm"});
    const int plain = first.material({.diffuse = "shared.ppm"});
    first.node({.name = "Two", .mesh = first.quads("Two", {bumpy, plain})});
    write("models/first.gltf", first.json());
    writeModel("models/second.gltf", "Second", "shared.ppm");
    writeModel("other/third.gltf", "Third", "shared.ppm");
    write("models/shared.ppm", ppm(2));
    write("models/bump.ppm", ppm(1));
    write("other/shared.ppm", ppm(5));

    auto models = loadedCatalogue(R"(
first: {path: models/first.gltf}
second: {path: models/second.gltf}
third: {path: other/third.gltf}
)");

    const auto& two = models->find("first")[0]->meshInstances();
    ASSERT_EQ(two.size(), 2u);
    const auto shared = two[0]->mesh()->diffuseMap();
    ASSERT_TRUE(shared);
    EXPECT_EQ(two[1]->mesh()->diffuseMap(), shared);
    EXPECT_EQ(models->find("second")[0]->meshInstances()[0]->mesh()->diffuseMap(), shared);
    const auto elsewhere = models->find("third")[0]->meshInstances()[0]->mesh()->diffuseMap();
    EXPECT_NE(elsewhere, shared);
    EXPECT_EQ(textureWidth(elsewhere), 5);
    EXPECT_EQ(models->textures().size(), 3u);
}

TEST_F(ModelCatalogueTest, PathWithoutFolderFindsTexturesInTheWorkingDirectory)
{
    writeModel("crate.gltf", "Crate", "wood.ppm");
    write("wood.ppm", ppm(3));
    auto models = loadedCatalogue("crate: {path: crate.gltf}\n");
    EXPECT_EQ(textureWidth(models->find("crate")[0]->meshInstances()[0]->mesh()->diffuseMap()), 3);
}

TEST_F(ModelCatalogueTest, FindPutsTheModelFirstThenObjectsWhoseNameContainsIt)
{
    GltfBuilder desk;
    const int top = desk.node({.name = "Desk", .mesh = desk.quad("Top")});
    desk.node({.name = "desk_lamp", .parent = top});
    write("models/desk.gltf", desk.json());
    GltfBuilder lamp;
    const int lampRoot = lamp.node({.name = "LampRoot", .mesh = lamp.quad("Foot")});
    const int shade = lamp.node({.name = "lamp_shade", .parent = lampRoot});
    lamp.node({.name = "Bulb", .mesh = lamp.quad("Bulb"), .parent = shade});
    write("models/lamp.gltf", lamp.json());

    auto models = loadedCatalogue("desk: {path: models/desk.gltf}\nlamp: {path: models/lamp.gltf}\n");

    const auto found = models->find("lamp");
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0]->name(), "LampRoot") << "the model answering to the key comes first";
    EXPECT_EQ(found[1]->name(), "lamp_shade");
    EXPECT_EQ(found[2]->name(), "desk_lamp");

    const auto bulb = single(models->find("Bulb"));
    ASSERT_TRUE(bulb);
    EXPECT_EQ(bulb->meshInstances()[0]->meshName(), "Bulb");
    EXPECT_TRUE(models->find("chair").empty());
    EXPECT_TRUE(models->find("LampRoot").empty()) << "model roots answer to their key only";
}

TEST_F(ModelCatalogueTest, EmptyOrScalarFileHoldsNoModels)
{
    for (const char* text : {"", "# nothing here\n", "just a scalar\n"}) {
        auto models = loadedCatalogue(text);
        EXPECT_EQ(models->size(), 0u) << text;
    }
}

TEST_F(ModelCatalogueTest, YamlErrorsLeaveAsTheLibraryRaisesThem)
{
    writeModel("models/a.gltf", "A");
    const auto loading = [this](const std::string& yaml) {
        return errorOf([&] { loadedCatalogue(yaml); });
    };
    const auto expectError = [](const std::string& message, const std::string& what) {
        EXPECT_NE(message.find(what), std::string::npos) << message;
    };

    expectError(errorOf([this] { ModelCatalogue("config/models.yaml", programs); }), "bad file: config/models.yaml");
    expectError(loading("crate: [unclosed\n"), "yaml-cpp: error at line");
    expectError(loading("- path: models/a.gltf\n"), "invalid node; this may result from using a map iterator");
    expectError(loading("crate: 5\n"), "operator[] call on a scalar");
    expectError(loading("crate:\n  cast_shadow: true\n"), "bad conversion");
    expectError(loading("crate: {path: [models/a.gltf]}\n"), "bad conversion");
    expectError(loading("crate: {path: models/a.gltf, targets: [[nested]]}\n"), "bad conversion");
    expectError(loading("crate: {path: models/a.gltf, targets: deferred_render_geometry}\n"), "bad conversion");
    expectError(loading("crate: {path: models/a.gltf, rotation: [1, fast, 2]}\n"), "bad conversion");

    EXPECT_THROW(loadedCatalogue("crate: 5\n"), YAML::BadSubscript);
    EXPECT_THROW(loadedCatalogue("crate:\n  cast_shadow: true\n"), YAML::BadConversion);
}

TEST_F(ModelCatalogueTest, ImportFailureNamesTheModelFileOnOneLineAndKeepsEarlierModels)
{
    writeModel("models/a.gltf", "A");
    write("models/broken.gltf", "{ this is not json");
    auto models = catalogue("a: {path: models/a.gltf}\nmissing: {path: models/missing.gltf}\n");
    const std::string message = errorOf([&] { models->load(); });
    EXPECT_NE(message.find("cannot import \"models/missing.gltf\""), std::string::npos) << message;
    EXPECT_NE(message.find("Unable to open file"), std::string::npos) << message;
    EXPECT_EQ(message.find('\n'), std::string::npos) << message;
    EXPECT_EQ(models->find("a").size(), 1u);
    EXPECT_TRUE(models->find("missing").empty());

    EXPECT_NE(errorOf([this] { loadedCatalogue("b: {path: models/broken.gltf}\n"); }).find("models/broken.gltf"),
              std::string::npos);
}

namespace {

class Lamp : public orv::scene::ModelObject {
public:
    using ModelObject::ModelObject;
    std::string modelName() const override { return "lamp"; }
};

}  // namespace

TEST_F(ModelCatalogueTest, ModelObjectHangsACloneOfItsModelBelowItself)
{
    writeModel("models/lamp.gltf", "LampRoot");
    auto models = loadedCatalogue("lamp: {path: models/lamp.gltf, cast_shadow: true}\n");
    const auto lamp = std::make_shared<Lamp>(*models);
    lamp->loadModel();

    ASSERT_EQ(lamp->children().size(), 1u);
    const auto& copy = lamp->children()[0];
    const auto original = models->find("lamp")[0];
    EXPECT_NE(copy, original);
    EXPECT_EQ(copy->name(), "LampRoot") << "a clone carries the file's root-node name";
    EXPECT_EQ(copy->parent(), lamp);
    ASSERT_EQ(copy->meshInstances().size(), 1u);
    EXPECT_NE(copy->meshInstances()[0], original->meshInstances()[0]);
    EXPECT_EQ(copy->meshInstances()[0]->mesh(), original->meshInstances()[0]->mesh());
    EXPECT_TRUE(copy->meshInstances()[0]->castShadow());
}

TEST_F(ModelCatalogueTest, BoundingSphereFindsItsInstanceAndAMissingModelIsNamed)
{
    writeModel("models/sphere.gltf", "BoundingSphere");
    auto models = loadedCatalogue("bounding_sphere: {path: models/sphere.gltf, load_textures: false}\n");
    const auto sphere = std::make_shared<orv::scene::BoundingSphere>(*models);
    sphere->loadModel();
    EXPECT_EQ(sphere->boundingSphereInstance(), sphere->children()[0]->meshInstances()[0]);

    auto without = loadedCatalogue("lamp: {path: models/sphere.gltf}\n");
    const auto lonely = std::make_shared<orv::scene::BoundingSphere>(*without);
    const std::string message = errorOf([&] { lonely->loadModel(); });
    EXPECT_NE(message.find("config/models.yaml"), std::string::npos) << message;
    EXPECT_NE(message.find("\"bounding_sphere\""), std::string::npos) << message;
    EXPECT_TRUE(lonely->children().empty());
}

#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <glm/glm.hpp>
#include <gtest/gtest.h>
#include <yaml-cpp/yaml.h>

#include "config/ModelCatalogue.h"
#include "config/SceneDescription.h"
#include "gl/ProgramManager.h"
#include "scene/BoundingSphere.h"
#include "scene/Mesh.h"
#include "scene/MeshInstance.h"
#include "scene/SceneObject.h"
#include "support/GLContext.h"
#include "support/Scratch.h"

using orv::scene::SceneObject;

namespace {

// The bundled demo's catalogue and scene, loaded from the demo folder as the
// player loads them, checked for the names the other parts rely on.
class DemoContentTest : public orv::test::GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        cwd_ = std::make_unique<orv::test::WorkingDir>(std::string(ORV_SOURCE_DIR) + "/demo");
        testing::internal::CaptureStderr();
        models_ = std::make_unique<orv::config::ModelCatalogue>("config/models.yaml", programs_);
        models_->load();
        scene_ = std::make_unique<orv::config::SceneDescription>("config/scene.yaml", "main", *models_);
        scene_->load();
        diagnostics_ = testing::internal::GetCapturedStderr();
    }
    void TearDown() override
    {
        cwd_.reset();
        GLTest::TearDown();
    }

    orv::gl::ProgramManager programs_{"config/gl_programs.yaml"};
    std::unique_ptr<orv::test::WorkingDir> cwd_;
    std::unique_ptr<orv::config::ModelCatalogue> models_;
    std::unique_ptr<orv::config::SceneDescription> scene_;
    std::string diagnostics_;
};

}  // namespace

TEST_F(DemoContentTest, LoadsWithoutDiagnosticsAndHoldsTheNamedParts)
{
    EXPECT_EQ(diagnostics_, "") << "missing textures or models";
    const auto root = scene_->root();
    ASSERT_TRUE(root);

    // Z-up content turned into Y-up by the root: the lamp hangs 6.2 above the floor.
    const auto lamp = root->findMeshInstances("Room_Light");
    ASSERT_EQ(lamp.size(), 1u);
    const glm::vec4 lampPosition = lamp[0]->modelMatrix()[3];
    EXPECT_NEAR(lampPosition.y, 6.2f, 1e-5f);
    EXPECT_TRUE(lamp[0]->mesh()->isLightSource());

    // The lantern hangs where the lamp does, and neither of its parts glows.
    // Its cage throws the room light's shadows; its glazing, level with the
    // light, must not, or it bands the walls all round the hall.
    const auto isShadowMapped = [](const orv::scene::MeshInstance& instance) {
        const auto& targets = instance.meshTargets();
        return instance.castShadow() && std::find(targets.begin(), targets.end(), "shadow_mapping") != targets.end();
    };
    for (const auto& [part, castsShadow] : {std::pair{"Lantern_Cage", true}, std::pair{"Lantern_Glazing", false}}) {
        const auto found = root->findMeshInstances(part);
        ASSERT_EQ(found.size(), 1u) << part;
        const glm::vec4 at = found[0]->modelMatrix()[3];
        EXPECT_LT(glm::distance(glm::vec3(at), glm::vec3(lampPosition)), 1e-5f) << part;
        EXPECT_FALSE(found[0]->mesh()->isLightSource()) << part;
        EXPECT_EQ(isShadowMapped(*found[0]), castsShadow) << part;
    }

    // Eight pillars, each its own mesh (the importer would merge identical
    // ones and drop their names), all casting shadows.
    std::set<const orv::scene::Mesh*> pillarMeshes;
    for (const auto& pillar : root->findObjects("Pillar"))
        for (const auto& instance : pillar->meshInstances()) {
            EXPECT_NE(instance->meshName().find("Pillar"), std::string::npos) << pillar->name();
            EXPECT_TRUE(instance->castShadow()) << pillar->name();
            pillarMeshes.insert(instance->mesh().get());
        }
    EXPECT_EQ(pillarMeshes.size(), 8u);

    // The tiled and textured surfaces show all four texture kinds, the
    // parallax ones with their height map.
    for (const char* name : {"Floor", "Wall_North", "Wall_East", "Pillar_001", "Arcade_West", "crate_001",
                             "pedestal_001", "statue_001"}) {
        const auto instances = root->findMeshInstances(name);
        ASSERT_FALSE(instances.empty()) << name;
        const auto& mesh = instances[0]->mesh();
        EXPECT_TRUE(mesh->normalMap() && mesh->specularMap() && mesh->displacementMap() && mesh->diffuseMap())
            << name << " shows all four texture kinds";
    }

    // The mirror and the glass are drawn by their passes only.
    for (const auto& [model, pass] : {std::pair{"orb_001", "reflection"}, std::pair{"glass_001", "refraction"}}) {
        const auto found = root->findMeshInstances(model);
        ASSERT_FALSE(found.empty()) << model;
        EXPECT_EQ(found[0]->meshTargets(), std::vector<std::string>{pass}) << model;
    }
}

// Every target a model or a node lists is a pass that draws meshes by their
// targets: a misspelt one would silently draw nothing.
TEST_F(DemoContentTest, EveryListedTargetIsAPassThatDrawsMeshes)
{
    const std::set<std::string> passes = {"deferred_render_geometry", "shadow_mapping", "cubemap", "reflection",
                                          "refraction"};
    int listed = 0;
    const auto check = [&](const YAML::Node& entries, const std::string& file) {
        for (const auto& entry : entries) {
            for (const auto& target : entry.second["targets"]) {
                EXPECT_EQ(passes.count(target.as<std::string>()), 1u)
                    << file << ": " << entry.first.as<std::string>() << " lists " << target.as<std::string>();
                ++listed;
            }
        }
    };
    check(YAML::LoadFile("config/models.yaml"), "config/models.yaml");
    check(YAML::LoadFile("config/scene.yaml")["main"]["models"], "config/scene.yaml");
    EXPECT_GT(listed, 20);

    // And what the scene built from them carries the same names.
    std::set<std::string> drawnBy;
    for (const auto& object : scene_->root()->findObjects(""))
        for (const auto& instance : object->meshInstances())
            for (const auto& target : instance->meshTargets())
                drawnBy.insert(target);
    EXPECT_EQ(drawnBy, passes) << "every mesh-drawing pass has something to draw";
}

// The demo ships in the repository: its assets stay small.
TEST_F(DemoContentTest, AssetsStayUnderTwentyFiveMegabytes)
{
    std::uintmax_t bytes = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator("assets"))
        if (entry.is_regular_file())
            bytes += entry.file_size();
    EXPECT_GT(bytes, 1'000'000u);
    EXPECT_LT(bytes, 25'000'000u);
}

TEST_F(DemoContentTest, CatalogueHoldsTheModelsThePlayerAsksFor)
{
    const auto particle = models_->find("particle");
    ASSERT_FALSE(particle.empty());
    EXPECT_EQ(particle[0]->name().find("Particle"), std::string::npos)
        << "clones hang in the scene, where this name would be taken for a path marker";

    const auto sphere = std::make_shared<orv::scene::BoundingSphere>(*models_);
    sphere->loadModel();
    const auto instance = sphere->boundingSphereInstance();
    ASSERT_TRUE(instance);
    // The faces of the light volume reach radius 1 everywhere.
    float nearest = 10.0f;
    const auto& positions = instance->mesh()->positions();
    const auto& indices = instance->mesh()->indices();
    for (std::size_t i = 0; i + 2 < indices.size(); i += 3) {
        const glm::vec3 centre = (positions[indices[i]] + positions[indices[i + 1]] + positions[indices[i + 2]]) / 3.0f;
        nearest = std::min(nearest, glm::length(centre));
    }
    EXPECT_GE(nearest, 0.99f);
    EXPECT_LT(nearest, 1.1f);
}

#include <memory>
#include <string>

#include <glm/glm.hpp>
#include <gtest/gtest.h>

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

    // Z-up content turned into Y-up by the root: the lamp hangs 5 above the floor.
    const auto lamp = root->findMeshInstances("Room_Light");
    ASSERT_EQ(lamp.size(), 1u);
    const glm::vec4 lampPosition = lamp[0]->modelMatrix()[3];
    EXPECT_NEAR(lampPosition.y, 5.0f, 1e-5f);
    EXPECT_TRUE(lamp[0]->mesh()->isLightSource());

    int pillars = 0;
    for (const auto& pillar : root->findObjects("Pillar"))
        for (const auto& instance : pillar->meshInstances()) {
            EXPECT_NE(instance->meshName().find("Pillar"), std::string::npos);
            EXPECT_TRUE(instance->castShadow());
            ++pillars;
        }
    EXPECT_EQ(pillars, 4);

    for (const char* crate : {"crate_001", "crate_002", "crate_003"}) {
        const auto found = root->findObjects(crate);
        ASSERT_EQ(found.size(), 2u) << crate << " (a direct child is listed twice)";
        ASSERT_EQ(found[0]->meshInstances().size(), 1u);
        const auto& mesh = found[0]->meshInstances()[0]->mesh();
        EXPECT_TRUE(mesh->normalMap() && mesh->specularMap() && mesh->displacementMap() && mesh->diffuseMap())
            << "the crate shows all four texture kinds";
    }

    // Three paths of three anchors each, for the camera and for the particle.
    for (const char* prefix : {"Camera", "Particle"}) {
        const auto markers = root->findObjects(prefix);
        ASSERT_EQ(markers.size(), 27u) << prefix;
        for (std::size_t i = 0; i < markers.size(); ++i) {
            const std::string expected = prefix + std::string(i / 9 == 0 ? "001" : i / 9 == 1 ? "002" : "003") +
                                         "_" + std::to_string(i % 9 / 3) +
                                         (i % 3 == 0 ? "" : i % 3 == 1 ? "_in" : "_out");
            EXPECT_EQ(markers[i]->name(), expected);
        }
    }
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

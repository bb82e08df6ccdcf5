#include <gtest/gtest.h>

#include "config/SceneDescription.h"
#include "scene/PerspectiveCamera.h"
#include "timeline/TimelineFixture.h"

namespace {

using orv::test::expectNear;

// The bundled demo's timeline against the bundled demo's scene, loaded as the
// player loads them.
class DemoTimeline : public orv::test::TimelineTest {};

TEST_F(DemoTimeline, FitsTheDemoSceneAndPlaysToTheLastAnchors)
{
    orv::test::WorkingDir demo(ORV_SOURCE_DIR "/demo");
    orv::gl::ProgramManager demoPrograms("config/gl_programs.yaml");
    demoPrograms.load();
    orv::config::ModelCatalogue models("config/models.yaml", demoPrograms);
    models.load();
    orv::config::SceneDescription description("config/scene.yaml", "main", models);
    description.load();
    const auto sceneRoot = description.root();
    const auto spark = std::make_shared<orv::scene::Particle>(models);
    sceneRoot->addChild(spark);
    spark->loadModel();

    testing::internal::CaptureStderr();
    orv::timeline::Timeline timeline("config/timeline.yaml", sceneRoot, *window, spark);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "no warnings about the demo's own timeline";
    ASSERT_EQ(timeline.shotCount(), 3u);
    ASSERT_EQ(timeline.cameraPaths().size(), 3u);
    ASSERT_EQ(timeline.particlePaths().size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(timeline.cameraPaths()[i].controlPointCount(), 3u) << i;
        EXPECT_EQ(timeline.particlePaths()[i].controlPointCount(), 3u) << i;
    }

    const auto anchor = [&](const std::string& name) {
        const auto found = sceneRoot->findObjects(name);
        EXPECT_FALSE(found.empty()) << name;
        return found.empty() ? glm::vec3(0.0f) : translationOf(*found.front());
    };
    // The authored Z-up anchor (-7, -8, 2) of the first camera path, turned Y-up by the scene's root.
    expectNear(anchor("Camera001_0"), {-7, 2, 8}, 1e-4f);

    const double dt = 1.0 / 60.0;
    int frames = 0;
    while (!(timeline.cameraShot() == 2 && timeline.cameraPaths()[2].isFinished() &&
             timeline.particlePaths()[2].isFinished()) &&
           frames < 60 * 120) {
        timeline.update(dt);
        sceneRoot->update(dt);
        ++frames;
    }
    ASSERT_LT(frames, 60 * 120) << "the demo never reached its end";
    EXPECT_GT(frames, 60 * 10) << "three shots of a few seconds each";
    EXPECT_TRUE(timeline.camera().isOnRails());
    expectNear(timeline.cameraPosition(), anchor("Camera003_2"), 0.1f);
    expectNear(spark->position(), anchor("Particle003_2"), 0.1f);
    EXPECT_EQ(timeline.currentInactiveTargets(), std::vector<std::string>{"shadowcast_pillars"});
    demoPrograms.deletePrograms();
}

}  // namespace

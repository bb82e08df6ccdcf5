#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include <glm/glm.hpp>
#include <gtest/gtest.h>

#include "config/SceneDescription.h"
#include "render/TargetNames.h"
#include "scene/PerspectiveCamera.h"
#include "timeline/TimelineFixture.h"

namespace {

using orv::test::expectNear;

// The music's bar (96 beats a minute, four beats a bar) and its length in
// bars: tools/make_music.py writes the track on this grid and
// tools/demo_shots.py fits every shot to whole bars of it.
constexpr double barSeconds = 2.5;
constexpr int trackBars = 34;
constexpr double dt = 1.0 / 60.0;

// The bundled demo's timeline against the bundled demo's scene, loaded as the
// player loads them.
class DemoTimeline : public orv::test::TimelineTest {
protected:
    void SetUp() override
    {
        TimelineTest::SetUp();
        cwd = std::make_unique<orv::test::WorkingDir>(ORV_SOURCE_DIR "/demo");
        demoPrograms = std::make_unique<orv::gl::ProgramManager>("config/gl_programs.yaml");
        demoPrograms->load();
        models = std::make_unique<orv::config::ModelCatalogue>("config/models.yaml", *demoPrograms);
        models->load();
        description = std::make_unique<orv::config::SceneDescription>("config/scene.yaml", "main", *models);
        description->load();
        sceneRoot = description->root();
        spark = std::make_shared<orv::scene::Particle>(*models);
        sceneRoot->addChild(spark);
        spark->loadModel();
        testing::internal::CaptureStderr();
        timeline = std::make_unique<orv::timeline::Timeline>("config/timeline.yaml", sceneRoot, *window, spark);
        warnings = testing::internal::GetCapturedStderr();
    }
    void TearDown() override
    {
        // GL objects go while the window's context still lives.
        timeline.reset();
        spark.reset();
        sceneRoot.reset();
        description.reset();
        models.reset();
        if (demoPrograms)
            demoPrograms->deletePrograms();
        demoPrograms.reset();
        cwd.reset();
        TimelineTest::TearDown();
    }

    void step()
    {
        timeline->update(dt);
        sceneRoot->update(dt);
    }
    glm::vec3 anchor(const std::string& name) const
    {
        const auto found = sceneRoot->findObjects(name);
        EXPECT_FALSE(found.empty()) << name;
        return found.empty() ? glm::vec3(0.0f) : translationOf(*found.front());
    }
    // Where the camera points: the view matrix's -Z axis in the world.
    glm::vec3 forward() const
    {
        const glm::mat4 view = timeline->view();
        return -glm::normalize(glm::vec3(view[0][2], view[1][2], view[2][2]));
    }

    std::unique_ptr<orv::test::WorkingDir> cwd;
    std::unique_ptr<orv::gl::ProgramManager> demoPrograms;
    std::unique_ptr<orv::config::ModelCatalogue> models;
    std::unique_ptr<orv::config::SceneDescription> description;
    std::shared_ptr<orv::scene::SceneObject> sceneRoot;
    std::shared_ptr<orv::scene::Particle> spark;
    std::unique_ptr<orv::timeline::Timeline> timeline;
    std::string warnings;
};

TEST_F(DemoTimeline, FitsTheDemoSceneAndPlaysToTheLastAnchors)
{
    EXPECT_EQ(warnings, "") << "no warnings about the demo's own timeline";
    const std::size_t shots = timeline->shotCount();
    EXPECT_GE(shots, 6u);
    EXPECT_LE(shots, 8u);
    ASSERT_EQ(timeline->cameraPaths().size(), shots) << "one camera path per shot, none left over";
    ASSERT_EQ(timeline->particlePaths().size(), shots) << "one particle path per shot, none left over";

    // Every path has its anchors in the scene and a curve to fly.
    std::set<std::string> switchedOff;
    for (std::size_t i = 0; i < shots; ++i) {
        char number[24];
        std::snprintf(number, sizeof number, "%03zu", i + 1);
        EXPECT_EQ(timeline->cameraPaths()[i].controlPointCount() * 3,
                  sceneRoot->findObjects(std::string("Camera") + number).size())
            << "shot " << i + 1;
        EXPECT_EQ(timeline->particlePaths()[i].controlPointCount() * 3,
                  sceneRoot->findObjects(std::string("Particle") + number).size())
            << "shot " << i + 1;
        EXPECT_GE(timeline->cameraPaths()[i].controlPointCount(), 2u) << "shot " << i + 1;
        EXPECT_GE(timeline->particlePaths()[i].controlPointCount(), 2u) << "shot " << i + 1;
    }
    // The authored Z-up anchor (-14, -28, 13.5) of the first camera path, turned Y-up by the scene's root.
    expectNear(anchor("Camera001_0"), {-14, 13.5f, 28}, 1e-4f);

    int frames = 0;
    while (!timeline->isFinished() && frames < 60 * 150) {
        for (const std::string& name : timeline->currentInactiveTargets())
            switchedOff.insert(name);
        step();
        ++frames;
    }
    ASSERT_LT(frames, 60 * 150) << "the demo never reached its end";
    EXPECT_GE(frames * dt, 60.0) << "a demo of one to two minutes";
    EXPECT_TRUE(timeline->camera().isOnRails());
    char last[24];
    std::snprintf(last, sizeof last, "%03zu", shots);
    const std::string lastAnchor = "_" + std::to_string(timeline->cameraPaths().back().controlPointCount() - 1);
    expectNear(timeline->cameraPosition(), anchor(std::string("Camera") + last + lastAnchor), 0.1f);
    const std::string lastParticle = "_" + std::to_string(timeline->particlePaths().back().controlPointCount() - 1);
    expectNear(spark->position(), anchor(std::string("Particle") + last + lastParticle), 0.1f);

    // Every switch serves some shot, but the two without which a shot would
    // lose its lit or its shadowed geometry.
    for (std::string_view name : orv::render::targets::renderOrder) {
        const bool kept = name == orv::render::targets::deferredRenderGeometry ||
                          name == orv::render::targets::shadowMapping;
        EXPECT_EQ(switchedOff.count(std::string(name)), kept ? 0u : 1u) << name;
    }
    for (std::string_view name : orv::render::switches::all) {
        EXPECT_EQ(switchedOff.count(std::string(name)), 1u) << name;
    }
}

// Shot changes fall on the music's bar lines and the demo lasts as long as
// its track. Inside a shot the view turns smoothly: no key falls back to
// another point when a path ends (a synced shot's wait, the rest after the
// last shot), and the particle's light never jumps, not even across shots.
TEST_F(DemoTimeline, ShotsChangeOnBarLinesAndNothingSnaps)
{
    constexpr double maxTurnDegrees = 2.5;  // per frame, at 60 frames a second
    constexpr float maxLightStep = 0.03f;   // diffuse intensity per frame

    std::vector<double> starts{0.0};
    glm::vec3 previousForward(0.0f);
    float previousLight = 0.0f;
    std::uint32_t previousShot = 0;
    double finished = -1.0;
    double worstTurn = 0.0;
    std::uint32_t worstShot = 0;
    double time = 0.0;
    // Two seconds past the end: the view must rest where the last shot left it.
    for (int frame = 0; frame < 60 * 150 && (finished < 0.0 || time < finished + 2.0); ++frame) {
        step();
        time += dt;
        const std::uint32_t shot = timeline->cameraShot();
        if (shot != previousShot) {
            // The switch comes in the frame after the path ended.
            starts.push_back(time - dt);
        } else if (frame > 0) {
            const double cosine = std::clamp(static_cast<double>(glm::dot(forward(), previousForward)), -1.0, 1.0);
            const double turn = std::acos(cosine) * 180.0 / M_PI;
            if (turn > worstTurn) {
                worstTurn = turn;
                worstShot = shot;
            }
        }
        if (frame > 0) {
            EXPECT_LE(std::abs(spark->diffuseIntensity() - previousLight), maxLightStep) << "at " << time << " s";
        }
        previousForward = forward();
        previousLight = spark->diffuseIntensity();
        previousShot = shot;
        if (finished < 0.0 && timeline->isFinished())
            finished = time;
    }
    ASSERT_GT(finished, 0.0) << "the demo never reached its end";
    EXPECT_LE(worstTurn, maxTurnDegrees) << "the view jerks in shot " << worstShot + 1;

    ASSERT_EQ(starts.size(), timeline->shotCount());
    for (std::size_t i = 0; i < starts.size(); ++i) {
        const double bars = starts[i] / barSeconds;
        EXPECT_NEAR(bars, std::round(bars), 2.0 * dt / barSeconds) << "shot " << i + 1 << " starts at " << starts[i];
    }
    EXPECT_NEAR(finished, trackBars * barSeconds, 2.0 * dt) << "the demo and its music end together";
}

}  // namespace

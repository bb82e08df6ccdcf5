#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <iomanip>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "render/Target.h"
#include "render/TargetNames.h"
#include "scene/PerspectiveCamera.h"
#include "scene/SceneObject.h"
#include "support/DemoRig.h"
#include "support/GLContext.h"
#include "support/LitRoom.h"
#include "support/Pictures.h"

namespace {

// RGBA8, bottom row first, as GL reads them.
using Picture = std::vector<std::uint8_t>;

constexpr int width = 320;
constexpr int height = 240;

struct Golden {
    const char* file;
    double seconds;  // demo time, reached as every entry of the player reaches it
    std::uint32_t shot;
};
// One frame in the middle of each shot. The shots last 20, 10, 10, 10, 15, 10
// and 10 s.
constexpr std::array<Golden, 7> goldens = {{
    {"shot1_10.0s.png", 10.0, 0},
    {"shot2_25.0s.png", 25.0, 1},
    {"shot3_35.0s.png", 35.0, 2},
    {"shot4_45.0s.png", 45.0, 3},
    {"shot5_57.5s.png", 57.5, 4},
    {"shot6_70.0s.png", 70.0, 5},
    {"shot7_80.0s.png", 80.0, 6},
}};

const std::filesystem::path goldenDir = ORV_SOURCE_DIR "/tests/golden";

bool blessing()
{
    const char* bless = std::getenv("ORV_BLESS_GOLDEN");
    return bless != nullptr && std::string(bless) == "1";
}

// The bundled demo, moved to a time the way every entry of the player moves it.
struct Playback {
    // Goes silently to just before `seconds` and draws the frame that lands
    // on it: what a frame shows depends on the steps before it, not on
    // whether they were drawn.
    void playTo(double seconds)
    {
        demo.demo->advanceTo(seconds);
        demo.frame(0.0);
    }
    // Draws the current state again, without moving anything.
    void redraw()
    {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        demo.scene->draw();
    }
    Picture grab() const
    {
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        return orv::test::readPixels(0, 0, width, height);
    }

    orv::test::DemoRig demo{width, height};
};

// On a mismatch the frame and the difference go to the picture folder,
// named after `label`.
testing::AssertionResult matchesReference(const Picture& frame, const Golden& golden, const std::string& label)
{
    const Picture reference = orv::test::loadPicture(goldenDir / golden.file, width, height);
    if (reference.empty())
        return testing::AssertionFailure() << "no " << width << " x " << height << " reference at "
                                           << (goldenDir / golden.file) << " (tools/bless-golden writes it)";
    const orv::test::Difference d = orv::test::compare(frame, reference);
    const bool matches = d.withinGoldenTolerance();
    auto result = matches ? testing::AssertionSuccess() : testing::AssertionFailure();
    result << std::fixed << std::setprecision(2) << golden.file << ": " << d.offShare * 100.0
           << "% of pixels off by more than " << orv::test::Difference::offLevels << " levels, mean difference " << d.meanLevels << " levels";
    if (!matches) {
        result << "; frame " << orv::test::savePicture(label + "_" + golden.file, frame, width, height)
               << ", difference x4 " << orv::test::savePicture(label + "_diff_" + golden.file, d.image, width, height);
    }
    return result;
}

class GoldenFrame : public orv::test::GLTest {};

// With ORV_BLESS_GOLDEN=1 the frames become the references instead.
TEST_F(GoldenFrame, DemoMatchesItsReferenceInEachShot)
{
    Playback play;
    for (const Golden& golden : goldens) {
        play.playTo(golden.seconds);
        ASSERT_EQ(play.demo.timeline->cameraShot(), golden.shot) << golden.file;
        const Picture frame = play.grab();
        if (blessing()) {
            const std::string saved = orv::test::savePicture("blessed_" + std::string(golden.file), frame, width, height);
            std::filesystem::create_directories(goldenDir);
            std::filesystem::copy_file(saved, goldenDir / golden.file, std::filesystem::copy_options::overwrite_existing);
        } else {
            EXPECT_TRUE(matchesReference(frame, golden, "golden"));
        }
    }
}

// The comparison is only worth having if it notices a pass gone missing or
// a camera out of place.
TEST_F(GoldenFrame, MissingSkyOrMovedCameraFailsTheComparison)
{
    if (blessing())
        GTEST_SKIP() << "references are being written";
    const Golden& golden = goldens[0];
    Playback play;
    auto& demo = play.demo;
    orv::render::Target* sky = demo.renderer->target(std::string(orv::render::targets::cubemap));
    ASSERT_NE(sky, nullptr);
    // The last frame without the sky box.
    const std::vector<std::string> noSky = {std::string(orv::render::targets::cubemap)};
    demo.scene->setOverrides(&noSky);
    play.playTo(golden.seconds);
    EXPECT_FALSE(matchesReference(play.grab(), golden, "without_sky"));

    // Only the sky made the difference: back on, the same state matches.
    demo.scene->setOverrides(nullptr);
    sky->setEnabled(true);
    play.redraw();
    EXPECT_TRUE(matchesReference(play.grab(), golden, "sky_back"));

    auto& camera = demo.timeline->camera();
    camera.setPosition(camera.position() + glm::vec3(0.1f, 0.0f, 0.0f));
    camera.update(0.0);
    play.redraw();
    EXPECT_FALSE(matchesReference(play.grab(), golden, "moved_camera"));
}

}  // namespace

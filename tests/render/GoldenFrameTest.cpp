#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <iomanip>
#include <string>
#include <vector>

#include <IL/il.h>
#include <gtest/gtest.h>

#include "render/Target.h"
#include "render/TargetNames.h"
#include "scene/PerspectiveCamera.h"
#include "scene/SceneObject.h"
#include "support/DemoRig.h"
#include "support/GLContext.h"
#include "support/LitRoom.h"

namespace {

// RGBA8, bottom row first, as GL reads them.
using Picture = std::vector<std::uint8_t>;

constexpr int width = 320;
constexpr int height = 240;
constexpr double step = 0.25;
// The player's loop advances its first frames by a token step; so do we.
constexpr int settlingFrames = 3;
constexpr double settlingStep = 0.00001;

struct Golden {
    const char* file;
    double seconds;  // of fixed steps after the settling frames
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

// A pixel is off when any of its R, G, B levels is more than offLevels
// away from the reference (alpha is ignored). A frame matches while at most
// maxOffShare of its pixels are off and the mean absolute level difference
// over all RGB values stays within maxMeanLevels. Reruns on one machine are
// bit-identical; the slack is for another Mesa's rounding. A missing sky
// or a camera moved by 0.1 units breaks both limits several times over.
constexpr int offLevels = 24;
constexpr double maxOffShare = 0.01;
constexpr double maxMeanLevels = 2.0;

const std::filesystem::path goldenDir = ORV_SOURCE_DIR "/tests/golden";

bool blessing()
{
    const char* bless = std::getenv("ORV_BLESS_GOLDEN");
    return bless != nullptr && std::string(bless) == "1";
}

// The bundled demo, stepped as the player's loop steps it but with fixed steps.
struct Playback {
    Playback()
    {
        for (int i = 0; i < settlingFrames; ++i)
            demo.frame(settlingStep);
    }
    // Plays whole steps until the demo is `seconds` in, drawing only the
    // last one: what a frame shows depends on the steps before it, not on
    // whether they were drawn.
    void playTo(double seconds)
    {
        while ((steps + 1) * step <= seconds + 1e-9) {
            if ((steps + 2) * step <= seconds + 1e-9)
                demo.scene->silentFrame(step);
            else
                demo.frame(step);
            ++steps;
        }
    }
    // Draws the current state again, without moving anything.
    void redraw()
    {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        demo.renderer->render(*demo.scene);
    }
    Picture grab() const
    {
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        return orv::test::readPixels(0, 0, width, height);
    }

    orv::test::DemoRig demo{width, height};
    int steps = 0;
};

// A PNG in GL's row order, or nothing when it is not a readable frame of our size.
Picture loadPicture(const std::filesystem::path& path)
{
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    // PNG rows run top first; DevIL turns them over while loading.
    ilEnable(IL_ORIGIN_SET);
    ilOriginFunc(IL_ORIGIN_LOWER_LEFT);
    Picture pixels;
    if (ilLoadImage(path.c_str()) && ilConvertImage(IL_RGBA, IL_UNSIGNED_BYTE) &&
        ilGetInteger(IL_IMAGE_WIDTH) == width && ilGetInteger(IL_IMAGE_HEIGHT) == height) {
        pixels.resize(static_cast<std::size_t>(width) * height * 4);
        ilCopyPixels(0, 0, 0, width, height, 1, IL_RGBA, IL_UNSIGNED_BYTE, pixels.data());
    }
    ilDisable(IL_ORIGIN_SET);
    ilDeleteImages(1, &image);
    return pixels;
}

struct Difference {
    double offShare = 0.0;
    double meanLevels = 0.0;
    Picture image;  // |frame - reference| x 4
};

Difference compare(const Picture& frame, const Picture& reference)
{
    Difference d;
    d.image.assign(frame.size(), 255);
    std::size_t off = 0;
    double sum = 0.0;
    for (std::size_t p = 0; p < frame.size(); p += 4) {
        int largest = 0;
        for (std::size_t c = p; c < p + 3; ++c) {
            const int level = std::abs(frame[c] - reference[c]);
            largest = std::max(largest, level);
            sum += level;
            d.image[c] = static_cast<std::uint8_t>(std::min(255, level * 4));
        }
        off += largest > offLevels ? 1 : 0;
    }
    const double pixels = static_cast<double>(frame.size() / 4);
    d.offShare = static_cast<double>(off) / pixels;
    d.meanLevels = sum / (pixels * 3.0);
    return d;
}

// On a mismatch the frame and the difference go to the picture folder,
// named after `label`.
testing::AssertionResult matchesReference(const Picture& frame, const Golden& golden, const std::string& label)
{
    const Picture reference = loadPicture(goldenDir / golden.file);
    if (reference.empty())
        return testing::AssertionFailure() << "no " << width << " x " << height << " reference at "
                                           << (goldenDir / golden.file) << " (tools/bless-golden writes it)";
    const Difference d = compare(frame, reference);
    const bool matches = d.offShare <= maxOffShare && d.meanLevels <= maxMeanLevels;
    auto result = matches ? testing::AssertionSuccess() : testing::AssertionFailure();
    result << std::fixed << std::setprecision(2) << golden.file << ": " << d.offShare * 100.0
           << "% of pixels off by more than " << offLevels << " levels, mean difference " << d.meanLevels << " levels";
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
    play.playTo(golden.seconds - step);
    auto& demo = play.demo;
    orv::render::Target* sky = demo.renderer->target(std::string(orv::render::targets::cubemap));
    ASSERT_NE(sky, nullptr);
    // The loop's last frame by hand, without the sky box.
    demo.timeline->update(step);
    demo.renderer->prepare(demo.timeline->currentInactiveTargets());
    sky->setEnabled(false);
    demo.description->root()->update(step);
    demo.renderer->update(step);
    play.redraw();
    EXPECT_FALSE(matchesReference(play.grab(), golden, "without_sky"));

    // Only the sky made the difference: back on, the same state matches.
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

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <glm/geometric.hpp>
#include <gtest/gtest.h>

#include "dev/DevSession.h"
#include "render/GodrayPost.h"
#include "render/GodrayPre.h"
#include "render/TargetNames.h"
#include "scene/RoomLight.h"
#include "support/DemoRig.h"
#include "support/GLContext.h"
#include "support/Pictures.h"
#include "support/Player.h"
#include "support/Scratch.h"

namespace {

using orv::test::Picture;

constexpr int width = 160;
constexpr int height = 90;
// The bundled demo's music: 96 beats a minute, 4 beats a bar.
constexpr double bar = 2.5;

std::string exact(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%.17g", seconds);
    return text;
}

// The frames of `orv --capture` with the given options, at the rig's size.
std::vector<Picture> capture(const std::filesystem::path& demo, const std::string& options, int frames,
                             int pictureWidth = width, int pictureHeight = height)
{
    orv::test::ScratchDir out;
    const auto run = orv::test::runPlayer(demo, 0.0, "orv", 600, "",
                                          "--size " + std::to_string(pictureWidth) + "x" +
                                              std::to_string(pictureHeight) + " " + options + " --capture '" +
                                              out.path().string() + "'");
    EXPECT_EQ(run.exitCode, 0) << options << ": " << run.err;
    std::vector<Picture> pictures;
    for (int i = 0; i < frames; ++i) {
        char name[32];
        std::snprintf(name, sizeof(name), "frame_%05d.png", i);
        pictures.push_back(orv::test::loadPicture(out.path() / name, pictureWidth, pictureHeight));
    }
    return pictures;
}

// Colour only: the alpha GL leaves in the frame is no part of the picture.
bool sameColours(const Picture& a, const Picture& b)
{
    if (a.empty() || a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (i % 4 != 3 && a[i] != b[i])
            return false;
    }
    return true;
}

Picture readBack(GLenum buffer)
{
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadBuffer(buffer);
    return orv::test::readPixels(0, 0, width, height);
}

// Shot `shot`'s thumbnail of a contact sheet of width x height frames, in GL's row order.
Picture thumbnail(const std::filesystem::path& sheetFile, std::size_t shots, std::size_t shot)
{
    constexpr int margin = 8;
    constexpr int label = 20;
    const int columns = 3;
    const int rows = static_cast<int>((shots + 2) / 3);
    const int sheetWidth = columns * width + (columns + 1) * margin;
    const int sheetHeight = rows * (height + label) + (rows + 1) * margin;
    const Picture sheet = orv::test::loadPicture(sheetFile, sheetWidth, sheetHeight);
    if (sheet.empty())
        return {};
    const int left = margin + static_cast<int>(shot % columns) * (width + margin);
    const int top = margin + static_cast<int>(shot / columns) * (height + label + margin);
    Picture frame(static_cast<std::size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        // Row y from the bottom of the frame is row top + height - 1 - y from the top of the sheet.
        const int sheetRow = sheetHeight - 1 - (top + height - 1 - y);
        std::copy_n(sheet.begin() + (static_cast<std::ptrdiff_t>(sheetRow) * sheetWidth + left) * 4, width * 4,
                    frame.begin() + static_cast<std::ptrdiff_t>(y) * width * 4);
    }
    return frame;
}

// Records where each shot starts on the clock: the start of the step in
// which the timeline switched to it, the step that moves it first.
class ShotProbe : public orv::scene::SceneObject {
public:
    explicit ShotProbe(const orv::timeline::Timeline& timeline) : timeline_(timeline) {}
    void update(double dt) override
    {
        if (timeline_.cameraShot() != shot) {
            shot = timeline_.cameraShot();
            starts.push_back(time);
        }
        time += dt;
    }
    double time = 0.0;
    std::uint32_t shot = 0;
    std::vector<double> starts{0.0};

private:
    const orv::timeline::Timeline& timeline_;
};

// The frame at a time is one frame, whichever way the player got there: a
// capture from that time, a live start there, a --dev seek to it after
// playing elsewhere, and the contact sheet. Once inside a shot (the contact
// sheet's own frame) and once just after a shot change.
TEST(Entries, EveryEntryShowsTheSameFrameAtATime)
{
    const std::filesystem::path demo = ORV_SOURCE_DIR "/demo";
    orv::demo::ShotTimes shots;
    {
        orv::test::DemoRig rig{width, height};
        shots = rig.demo->shots();
    }
    ASSERT_GE(shots.starts.size(), 4u);
    const std::size_t middleShot = 2;
    const double inside = (shots.starts[middleShot] + shots.endOf(middleShot)) / 2.0;
    const double afterChange = shots.starts[3] + 0.05;

    orv::test::ScratchDir out;
    const auto sheetRun = orv::test::runPlayer(
        demo, 0.0, "orv", 600, "",
        "--size " + std::to_string(width) + "x" + std::to_string(height) + " --contact-sheet '" +
            (out.path() / "sheet.png").string() + "'");
    ASSERT_EQ(sheetRun.exitCode, 0) << sheetRun.err;
    const Picture sheetFrame = thumbnail(out.path() / "sheet.png", shots.starts.size(), middleShot);

    for (const double at : {inside, afterChange}) {
        SCOPED_TRACE("at " + exact(at) + " s");
        const Picture captured = capture(demo, "--from " + exact(at) + " --to " + exact(at + 0.01), 1).front();
        ASSERT_FALSE(captured.empty());

        orv::test::DemoRig rig{width, height};
        // --start: the first frame the loop draws and presents.
        rig.demo->advanceTo(at);
        glfwSetWindowShouldClose(rig.window->handle(), GLFW_TRUE);
        rig.scene->run();
        // The software driver's swap copies the back buffer out and keeps it.
        EXPECT_TRUE(sameColours(readBack(GL_BACK), captured)) << "--start";

        // --dev: a seek after playing elsewhere.
        orv::dev::DevSession session(*rig.window, "config/gl_programs.yaml");
        ASSERT_TRUE(session.seek(at + 7.0));
        session.frame(0.3);
        ASSERT_TRUE(session.seek(at));
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        session.frame(0.3);
        EXPECT_TRUE(sameColours(readBack(GL_BACK), captured)) << "--dev seek";

        if (at == inside) {
            EXPECT_TRUE(sameColours(sheetFrame, captured)) << "--contact-sheet";
        }
    }
}

// Frames come from the same steps at any frame rate: a second of demo at
// 1, 15 and 60 frames a second ends on the same picture.
TEST(Clock, TheFrameRateDoesNotChangeTheFrames)
{
    orv::demo::ShotTimes shots;
    {
        orv::test::DemoRig rig{width, height};
        shots = rig.demo->shots();
    }
    ASSERT_GE(shots.starts.size(), 6u);
    // The middle of shot 6, on a quarter second so that the second before it is exact.
    const double at = std::round((shots.starts[5] + shots.endOf(5)) / 2.0 * 4.0) / 4.0;
    std::vector<Picture> last;
    for (const int fps : {1, 15, 60}) {
        const auto frames = capture(ORV_SOURCE_DIR "/demo",
                                    "--fps " + std::to_string(fps) + " --from " + exact(at - 1.0) + " --to " + exact(at),
                                    fps + 1);
        last.push_back(frames.back());
        ASSERT_FALSE(last.back().empty()) << fps << " frames a second";
    }
    for (std::size_t i = 1; i < last.size(); ++i) {
        const orv::test::Difference d = orv::test::compare(last[i], last[0]);
        EXPECT_TRUE(d.withinGoldenTolerance()) << i << ": " << d.offShare << " of the pixels off, mean " << d.meanLevels;
    }
}

// A cut shows the new shot's shafts as its lamp's place allows from its
// first frame on: easing them across the cut would show the glow swelling up
// (or dying away) over the new shot's first frames. Inside a shot they ease.
TEST(Cuts, TheShaftsStartEachShotAsItsLampAllows)
{
    orv::test::DemoRig rig{width, height};
    auto* post = dynamic_cast<orv::render::GodrayPost*>(rig.renderer->target("godray_post"));
    auto* pre = dynamic_cast<orv::render::GodrayPre*>(rig.renderer->target("godray_pre"));
    ASSERT_NE(post, nullptr);
    ASSERT_NE(pre, nullptr);
    const auto lampAllows = [&] {
        const glm::vec3 lamp = orv::render::GodrayPost::screenPosition(rig.timeline->viewProjection(), pre->roomLight()->position());
        const float distance = glm::distance(rig.timeline->cameraPosition(), pre->roomLight()->position());
        return orv::render::GodrayPost::visibilityAt(lamp) * orv::render::GodrayPost::nearnessAt(distance);
    };
    const auto starts = rig.demo->shots().starts;
    int jumps = 0;
    for (std::size_t shot = 1; shot < starts.size(); ++shot) {
        rig.demo->advanceTo(starts[shot] - 0.3);
        float lastOfPrevious = post->visibility();
        while (rig.timeline->cameraShot() < shot) {
            lastOfPrevious = post->visibility();
            rig.frame(1.0 / 30.0);
        }
        const auto& off = rig.timeline->currentInactiveTargets();
        if (std::find(off.begin(), off.end(), "godray_post") != off.end())
            continue;
        EXPECT_EQ(post->visibility(), lampAllows()) << "first frame of shot " << shot + 1;
        jumps += std::abs(post->visibility() - lastOfPrevious) > 0.5f ? 1 : 0;
        const float before = post->visibility();
        for (int i = 0; i < 3; ++i)
            rig.frame(1.0 / 30.0);
        EXPECT_LE(std::abs(post->visibility() - before), 3.0f / 30.0f / orv::render::GodrayPost::fadeSeconds + 1e-4f)
            << "within shot " << shot + 1;
    }
    EXPECT_GE(jumps, 1) << "no cut where the lamp comes into view or leaves it";
}

// Shots change on the music's bar lines at whatever rate the frames come:
// the clock's steps, not the frames, decide where a shot ends.
TEST(Clock, ShotChangesLandOnTheirBarLinesAtEveryFrameRate)
{
    for (const double fps : {1.0, 15.0, 60.0}) {
        SCOPED_TRACE(std::to_string(fps) + " frames a second");
        orv::test::DemoRig rig{width, height};
        // Shot timing needs no pass; turning them off makes the run quick.
        std::vector<std::string> passes;
        for (const auto name : orv::render::targets::renderOrder)
            passes.emplace_back(name);
        rig.scene->setOverrides(&passes);
        auto probe = std::make_shared<ShotProbe>(*rig.timeline);
        rig.root->addChild(probe);
        while (!rig.timeline->isFinished() && rig.demo->time() < 200.0)
            rig.demo->advance(1.0 / fps);

        const auto& expected = rig.demo->shots().starts;
        ASSERT_EQ(probe->starts.size(), expected.size());
        for (std::size_t shot = 1; shot < expected.size(); ++shot) {
            const double start = probe->starts[shot];
            EXPECT_NEAR(start, std::round(start / bar) * bar, 1.0 / 60.0 + 1e-6) << "shot " << shot + 1;
            // The demo's own list holds the first moment the shot is seen: one step later.
            EXPECT_NEAR(start, expected[shot] - 1.0 / 60.0, 1e-6) << "shot " << shot + 1;
        }
    }
}

// Without --to the capture runs to the end of the last shot; finding that
// end must not move the demo being captured. A first shot without light
// keys keeps whatever light level the particle was last given.
TEST(Clock, CaptureWithoutAnEndGivesTheFramesOfACaptureWithOne)
{
    orv::test::ScratchDir dir;
    dir.copyFrom(ORV_SOURCE_DIR "/demo");
    std::string timeline = dir.read("config/timeline.yaml");
    const auto keys = timeline.find("    diffuse_factor:");
    ASSERT_NE(keys, std::string::npos);
    timeline.erase(keys, timeline.find('\n', keys) + 1 - keys);
    dir.write("config/timeline.yaml", timeline);

    constexpr int small = 64;
    constexpr int smallHeight = 36;
    const auto bounded = capture(dir.path(), "--fps 1 --to 3", 4, small, smallHeight);
    const auto whole = capture(dir.path(), "--fps 1", 4, small, smallHeight);
    for (std::size_t i = 0; i < bounded.size(); ++i)
        EXPECT_TRUE(sameColours(bounded[i], whole[i])) << "frame " << i;
}

}  // namespace

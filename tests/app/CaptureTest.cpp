#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>
#include <yaml-cpp/yaml.h>

#include "render/FrameProfiler.h"
#include "render/TargetNames.h"
#include "support/Player.h"
#include "support/Scratch.h"

namespace {

using orv::test::runPlayer;
using orv::test::ScratchDir;

std::string slurp(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The bundled demo at 10 frames a second, small, up to `to` seconds.
orv::test::PlayerRun capture(const std::filesystem::path& out, const std::string& more = "",
                             const std::string& to = "0.5")
{
    return runPlayer(ORV_SOURCE_DIR "/demo", 0.0, "orv", 120, "",
                     "--size 160x90 --fps 10 --to " + to + " --capture '" + out.string() + "' " + more);
}

// The same frames twice, byte for byte; and the profile of the run holds
// every pass of every frame.
TEST(Capture, FramesAreTheSameEveryRunAndTheProfileCoversEveryPass)
{
    ScratchDir dir;
    const auto first = capture(dir.path() / "a", "--profile '" + (dir.path() / "profile.json").string() + "'");
    ASSERT_EQ(first.exitCode, 0) << first.err;
    const auto second = capture(dir.path() / "b");
    ASSERT_EQ(second.exitCode, 0) << second.err;
    EXPECT_EQ(first.out.find("fmod"), std::string::npos) << "a capture plays no music";

    for (int frame = 0; frame < 6; ++frame) {
        char name[32];
        std::snprintf(name, sizeof(name), "frame_%05d.png", frame);
        const std::string a = slurp(dir.path() / "a" / name);
        ASSERT_GT(a.size(), 1000u) << name;
        EXPECT_TRUE(a == slurp(dir.path() / "b" / name)) << name;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "a" / "frame_00006.png")) << "0 to 0.5 s at 10 per second";
    EXPECT_FALSE(slurp(dir.path() / "a" / "frame_00000.png") == slurp(dir.path() / "a" / "frame_00005.png"));

    const YAML::Node profile = YAML::LoadFile((dir.path() / "profile.json").string());
    // The passes in their order, then the draw onto the window (the demo smooths its edges there).
    ASSERT_EQ(profile["passes"].size(), orv::render::targets::renderOrder.size() + 1);
    for (std::size_t i = 0; i < orv::render::targets::renderOrder.size(); ++i)
        EXPECT_EQ(profile["passes"][i].as<std::string>(), orv::render::targets::renderOrder[i]);
    EXPECT_EQ(profile["passes"][orv::render::targets::renderOrder.size()].as<std::string>(), "present");
    ASSERT_EQ(profile["frames"].size(), 6u);
    for (const auto& frame : profile["frames"]) {
        double total = 0.0;
        for (const auto& pass : profile["passes"]) {
            const double ms = frame["gpu_ms"][pass.as<std::string>()].as<double>();
            EXPECT_GE(ms, 0.0) << pass;
            total += ms;
        }
        EXPECT_GT(frame["gpu_ms"]["present"].as<double>(), 0.0) << "the smoothing draws every frame";
        EXPECT_GT(total, 0.0);
        EXPECT_GE(frame["light_loop_ms"].as<double>(), 0.0);
        EXPECT_LE(frame["light_loop_ms"].as<double>(), frame["gpu_ms"]["deferred_render_geometry"].as<double>());
        // The geometry pass's steps split its time: none negative, together no more than the pass.
        double steps = 0.0;
        for (std::string_view step : orv::render::FrameProfiler::geometryStepNames) {
            const double ms = frame["geometry_ms"][std::string(step)].as<double>();
            EXPECT_GE(ms, 0.0) << step;
            steps += ms;
        }
        EXPECT_GT(frame["geometry_ms"]["fill"].as<double>(), 0.0);
        EXPECT_DOUBLE_EQ(frame["geometry_ms"]["light_loop"].as<double>(), frame["light_loop_ms"].as<double>());
        EXPECT_LE(steps, frame["gpu_ms"]["deferred_render_geometry"].as<double>() + 1e-3);
        EXPECT_GE(frame["cpu_ms"].as<double>(), 0.0);
    }
    EXPECT_NE(first.out.find("deferred_render_geometry"), std::string::npos) << "the table at exit";
}

TEST(Capture, VideoCarriesFramesAndMusic)
{
    ScratchDir dir;
    const auto video = dir.path() / "demo.mp4";
    const auto run = runPlayer(ORV_SOURCE_DIR "/demo", 0.0, "orv", 120, "",
                               "--size 160x90 --fps 10 --from 1 --to 2 --video '" + video.string() + "'");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto probe = dir.path() / "probe.txt";
    const std::string command = "ffprobe -v error -show_entries stream=codec_type,codec_name,nb_read_frames "
                                "-count_frames -of csv=p=0 '" + video.string() + "' > '" + probe.string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string streams = slurp(probe);
    EXPECT_NE(streams.find("h264,video,11"), std::string::npos) << streams;
    EXPECT_NE(streams.find("aac,audio"), std::string::npos) << streams;
}

// Started elsewhere with --demo: the sheet lands where the relative path says.
TEST(Capture, ContactSheetHasAFrameOfEveryShot)
{
    ScratchDir dir;
    const auto sheet = dir.path() / "sheet.png";
    const auto run = runPlayer(dir.path(), 0.0, "orv", 300, "",
                               "--demo '" ORV_SOURCE_DIR "/demo' --size 160x90 --fps 10 --contact-sheet sheet.png");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find(sheet.string()), std::string::npos) << run.out;
    // Seven shots: three rows of up to three 160 x 90 thumbnails with their labels.
    const std::string png = slurp(sheet);
    ASSERT_GT(png.size(), 24u);
    const auto big = [&](std::size_t at) {
        return static_cast<unsigned>(static_cast<unsigned char>(png[at])) << 24 |
               static_cast<unsigned>(static_cast<unsigned char>(png[at + 1])) << 16 |
               static_cast<unsigned>(static_cast<unsigned char>(png[at + 2])) << 8 |
               static_cast<unsigned>(static_cast<unsigned char>(png[at + 3]));
    };
    EXPECT_EQ(big(16), 3u * 160u + 4u * 8u) << "width";
    EXPECT_EQ(big(20), 3u * (90u + 20u) + 4u * 8u) << "height";
}

}  // namespace

namespace {

// Moving on silently to a time lands on the frame a capture from 0 draws there.
TEST(Capture, StartingLaterGivesTheFramePlayedUpToThere)
{
    ScratchDir dir;
    const auto whole = capture(dir.path() / "whole", "", "1.5");
    ASSERT_EQ(whole.exitCode, 0) << whole.err;
    const auto later = capture(dir.path() / "later", "--start 1.2", "1.3");
    ASSERT_EQ(later.exitCode, 0) << later.err;
    // Three token steps, then 0.1 s each: the frame at 1.2 s is number 14.
    const std::string reached = slurp(dir.path() / "later" / "frame_00000.png");
    ASSERT_GT(reached.size(), 1000u);
    EXPECT_TRUE(reached == slurp(dir.path() / "whole" / "frame_00014.png"));
    EXPECT_FALSE(reached == slurp(dir.path() / "whole" / "frame_00013.png"));
}

}  // namespace

namespace {

// A capture draws at --scale as given: a frame-rate target, far above what
// any machine draws, changes none of the frames, even past the frames a
// controller judges before its first step. The scale itself does reach the
// captured frames.
TEST(Capture, ATargetFrameRateIsIgnoredAndTheScaleKept)
{
    ScratchDir dir;
    const auto scaled = capture(dir.path() / "scaled", "--scale 0.5", "3");
    ASSERT_EQ(scaled.exitCode, 0) << scaled.err;
    const auto targeted = capture(dir.path() / "targeted", "--scale 0.5 --target-fps 1000", "3");
    ASSERT_EQ(targeted.exitCode, 0) << targeted.err;
    const auto full = capture(dir.path() / "full", "", "0.1");
    ASSERT_EQ(full.exitCode, 0) << full.err;

    for (int frame = 0; frame <= 30; ++frame) {
        char name[32];
        std::snprintf(name, sizeof(name), "frame_%05d.png", frame);
        const std::string a = slurp(dir.path() / "scaled" / name);
        ASSERT_GT(a.size(), 1000u) << name;
        EXPECT_TRUE(a == slurp(dir.path() / "targeted" / name)) << name;
    }
    EXPECT_FALSE(slurp(dir.path() / "scaled" / "frame_00000.png") == slurp(dir.path() / "full" / "frame_00000.png"));
}

}  // namespace

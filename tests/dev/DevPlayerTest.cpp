#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "support/Player.h"
#include "support/Scratch.h"

namespace {

// The player with --dev, end to end: it plays the demo from a folder of its
// own, picks up a shader saved while it plays (saved again and again, so
// that one save surely comes after it started watching), says so and when
// the new frame was on screen, and still ends cleanly on Escape.
TEST(DevPlayer, ReloadsASavedShaderAndEndsOnEscape)
{
    orv::test::ScratchDir demo;
    const std::filesystem::path bundled = ORV_SOURCE_DIR "/demo";
    std::filesystem::copy(bundled / "config", demo.path() / "config");
    std::filesystem::copy(bundled / "shaders", demo.path() / "shaders");
    std::filesystem::create_directory_symlink(bundled / "assets", demo.path() / "assets");
    const auto shader = demo.path() / "shaders/copy_fragment.glsl";
    std::stringstream original;
    original << std::ifstream(shader).rdbuf();

    std::atomic<bool> done = false;
    std::thread editor([&] {
        while (!done) {
            std::this_thread::sleep_for(std::chrono::seconds(2));
            const auto temporary = demo.path() / "shaders/.copy_fragment.glsl.new";
            std::ofstream(temporary) << original.str() << "\n";
            std::filesystem::rename(temporary, shader);
        }
    });
    const auto run = orv::test::runPlayer(demo.path(), 8.0, "orv", 120, "", "--dev --size 160x90");
    done = true;
    editor.join();

    EXPECT_TRUE(run.escaped);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("orv --dev: watching"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("orv --dev: reloaded shaders/copy_fragment.glsl"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("ms after the save"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("error"), std::string::npos) << run.err;
}

}  // namespace

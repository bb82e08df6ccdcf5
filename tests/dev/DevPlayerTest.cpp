#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include <GL/glew.h>
#include <gtest/gtest.h>
#include <yaml-cpp/yaml.h>

#include "support/GLContext.h"
#include "support/Player.h"
#include "support/Scratch.h"

namespace {

// The player with --dev, end to end: it plays the demo from a folder of its
// own, picks up a shader saved while it plays (saved again and again, so
// that one save surely comes after it started watching), says so and when
// the new frame was on screen, and still ends cleanly on Escape. Its
// programs go through the same binary cache as a plain start's: one file per
// program, and one more for each relinked version of the saved shader's.
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
    const auto cache = demo.path() / "cache";
    const auto run = orv::test::runPlayer(demo.path(), 8.0, "orv", 120,
                                          "env ORV_PROGRAM_CACHE=1 XDG_CACHE_HOME=" + cache.string(),
                                          "--dev --size 160x90");
    done = true;
    editor.join();

    EXPECT_TRUE(run.escaped);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("orv --dev: watching"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("orv --dev: reloaded shaders/copy_fragment.glsl"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("ms after the save"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("error"), std::string::npos) << run.err;

    // Mesa gives program binaries only while its own shader cache is on.
    ASSERT_EQ(orv::test::ensureGLContext(), "");
    GLint formats = 0;
    glGetIntegerv(GL_NUM_PROGRAM_BINARY_FORMATS, &formats);
    if (formats == 0)
        GTEST_SKIP() << "the GL offers no program binaries";
    const std::size_t programs = YAML::LoadFile((demo.path() / "config/gl_programs.yaml").string()).size();
    std::size_t kept = 0;
    std::error_code none;
    for (const auto& entry : std::filesystem::directory_iterator(cache / "orv", none))
        kept += entry.path().extension() == ".bin" ? 1 : 0;
    EXPECT_GT(kept, programs) << "every program, then the relinked copy program";
}

}  // namespace

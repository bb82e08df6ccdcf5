#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "support/Player.h"
#include "support/Scratch.h"

namespace {

using orv::test::runPlayer;
using orv::test::ScratchDir;

int lineCount(const std::string& text)
{
    int lines = 0;
    for (char c : text) {
        lines += (c == '\n') ? 1 : 0;
    }
    return lines;
}

// A demo folder with the bundled demo's configuration, for tests that break one file of it.
struct DemoCopy : ::testing::Test {
    ScratchDir dir;
    void SetUp() override
    {
        std::filesystem::copy(std::filesystem::path(ORV_SOURCE_DIR) / "demo", dir.path(),
                              std::filesystem::copy_options::recursive);
    }
};

TEST_F(DemoCopy, MissingWindowFileIsOneLineNamingIt)
{
    std::filesystem::remove(dir.path() / "config/window.yaml");
    const auto run = runPlayer(dir.path());
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(lineCount(run.err), 1) << run.err;
    EXPECT_NE(run.err.find("config/window.yaml"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("bad file"), std::string::npos) << run.err;
    EXPECT_EQ(run.out.find("fmod initialised successfully"), std::string::npos);
}

TEST_F(DemoCopy, SyntaxErrorInWindowFileCarriesTheParserLocation)
{
    dir.write("config/window.yaml", "OpenGLwindow:\n  title: [unclosed\n  full_screen: false\n");
    const auto run = runPlayer(dir.path());
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(lineCount(run.err), 1) << run.err;
    EXPECT_NE(run.err.find("config/window.yaml"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("yaml-cpp: error at line"), std::string::npos) << run.err;
}

TEST_F(DemoCopy, WindowFileWithoutTitleIsABadConversion)
{
    dir.write("config/window.yaml", "OpenGLwindow:\n  full_screen: false\n");
    const auto run = runPlayer(dir.path());
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(lineCount(run.err), 1) << run.err;
    EXPECT_NE(run.err.find("config/window.yaml"), std::string::npos) << run.err;
}

}  // namespace

namespace {

TEST_F(DemoCopy, NoDisplayMeansOneLineAndExitOne)
{
    const auto run = orv::test::runPlayer(dir.path(), 0.0, "orv", 60, "env -u DISPLAY -u WAYLAND_DISPLAY");
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(lineCount(run.err), 1) << run.err;
    EXPECT_NE(run.err.find("OpenGL 4.4 core"), std::string::npos) << run.err;
}

}  // namespace

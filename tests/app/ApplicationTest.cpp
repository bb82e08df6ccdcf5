#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include <cstdio>
#include <sys/wait.h>

#include <gtest/gtest.h>
#include <yaml-cpp/yaml.h>

#include "support/GLContext.h"
#include "support/Player.h"
#include "support/Sanitizer.h"
#include "support/Scratch.h"

namespace {

using orv::test::underAddressSanitizer;
using orv::test::runPlayer;
using orv::test::ScratchDir;

int count(const std::string& text, const std::string& what)
{
    int found = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) {
        ++found;
    }
    return found;
}

// The bundled demo copied into a scratch folder, for runs that change a file of it.
struct Demo : ::testing::Test {
    ScratchDir dir;
    void SetUp() override { dir.copyFrom(std::filesystem::path(ORV_SOURCE_DIR) / "demo"); }
    std::string read(const std::string& relative) const { return dir.read(relative); }
    // Lines of standard error that are ours rather than the audio layer's
    // note about a missing sound device.
    static std::string withoutAudioNote(const std::string& err)
    {
        return std::regex_replace(err, std::regex("orv: no audio device[^\n]*\n"), "");
    }
};

TEST_F(Demo, PlaysUntilEscapeAndEndsWithStatusZero)
{
    const auto run = runPlayer(dir.path(), 2.0);
    EXPECT_TRUE(run.escaped) << "the player ended before Escape: " << run.err;
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(count(run.out, "fmod initialised successfully\n"), 1) << run.out;
    EXPECT_EQ(withoutAudioNote(run.err), "") << run.err;
}

TEST_F(Demo, ModelFileThatDoesNotExistIsOneLineAndNoMusic)
{
    std::string models = read("config/models.yaml");
    models.replace(models.find("assets/models/crate.gltf"), 24, "assets/models/missing.gltf");
    dir.write("config/models.yaml", models);
    const auto run = runPlayer(dir.path());
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(count(run.err, "\n"), 1) << run.err;
    EXPECT_NE(run.err.find("missing.gltf"), std::string::npos) << run.err;
    EXPECT_EQ(run.out.find("fmod initialised successfully"), std::string::npos) << run.out;
}

TEST_F(Demo, SceneFileWithoutItsMainEntryIsABadConversion)
{
    std::string scene = read("config/scene.yaml");
    scene.replace(scene.find("main:"), 5, "mine:");
    dir.write("config/scene.yaml", scene);
    const auto run = runPlayer(dir.path());
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(count(run.err, "\n"), 1) << run.err;
    EXPECT_NE(run.err.find("bad conversion"), std::string::npos) << run.err;
    EXPECT_EQ(run.out.find("fmod initialised successfully"), std::string::npos) << run.out;
}

TEST_F(Demo, CatalogueWithoutTheParticleModelNamesTheFileAndTheModel)
{
    std::string models = read("config/models.yaml");
    models.replace(models.find("\nparticle:"), 10, "\nspark:");
    dir.write("config/models.yaml", models);
    const auto run = runPlayer(dir.path());
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(count(run.err, "\n"), 1) << run.err;
    EXPECT_NE(run.err.find("config/models.yaml"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("\"particle\""), std::string::npos) << run.err;
}

TEST_F(Demo, EmptyOrScalarCatalogueIsOneErrorLineAlone)
{
    for (const char* catalogue : {"", "just a scalar\n"}) {
        dir.write("config/models.yaml", catalogue);
        const auto run = runPlayer(dir.path());
        EXPECT_EQ(run.exitCode, 1) << run.err;
        EXPECT_EQ(count(withoutAudioNote(run.err), "\n"), 1) << run.err;
        EXPECT_NE(run.err.find("config/models.yaml"), std::string::npos) << run.err;
    }
}

TEST_F(Demo, TimelineWithMoreShotsThanCameraPathsNamesTheTimelineFile)
{
    // The demo scene holds seven camera paths; an eighth shot has none.
    std::string timeline = read("config/timeline.yaml");
    timeline += "  - {camera_velocity: [[0, 1], [1, 1]], particle_velocity: [[0, 1], [1, 1]]}\n";
    dir.write("config/timeline.yaml", timeline);
    const auto run = runPlayer(dir.path());
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(count(run.err, "\n"), 1) << run.err;
    EXPECT_NE(run.err.find("config/timeline.yaml"), std::string::npos) << run.err;
    EXPECT_EQ(count(run.err, "config/timeline.yaml"), 1) << run.err;
}

TEST_F(Demo, ShaderThatDoesNotCompileIsReportedAndThePlayerGoesOn)
{
    dir.write("shaders/copy_fragment.glsl", "#version 440 core\nvoid main() { this is not glsl; }\n");
    const auto run = runPlayer(dir.path(), 2.0);
    EXPECT_TRUE(run.escaped) << "the player ended before Escape: " << run.err;
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("GL shader compilation error: "), std::string::npos) << run.err;
    EXPECT_EQ(count(run.out, "fmod initialised successfully\n"), 1) << run.out;
}

TEST_F(Demo, MissingWindowFileIsOneLineNamingIt)
{
    std::filesystem::remove(dir.path() / "config/window.yaml");
    const auto run = runPlayer(dir.path());
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(count(run.err, "\n"), 1) << run.err;
    EXPECT_NE(run.err.find("config/window.yaml"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("bad file"), std::string::npos) << run.err;
    EXPECT_EQ(run.out.find("fmod initialised successfully"), std::string::npos);
}

TEST_F(Demo, SyntaxErrorInWindowFileCarriesTheParserLocation)
{
    dir.write("config/window.yaml", "OpenGLwindow:\n  title: [unclosed\n  full_screen: false\n");
    const auto run = runPlayer(dir.path());
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(count(run.err, "\n"), 1) << run.err;
    // The parser's position, as file:line:column.
    EXPECT_EQ(run.err.rfind("orv: config/window.yaml:3:14: ", 0), 0u) << run.err;
}

TEST_F(Demo, WindowFileWithoutTitleIsABadConversion)
{
    dir.write("config/window.yaml", "OpenGLwindow:\n  full_screen: false\n");
    const auto run = runPlayer(dir.path());
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(count(run.err, "\n"), 1) << run.err;
    EXPECT_NE(run.err.find("config/window.yaml"), std::string::npos) << run.err;
}

TEST_F(Demo, NoDisplayMeansOneLineAndExitOne)
{
    const auto run = runPlayer(dir.path(), 0.0, "orv", 60, "env -u DISPLAY -u WAYLAND_DISPLAY");
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(count(run.err, "\n"), 1) << run.err;
    EXPECT_NE(run.err.find("OpenGL 4.4 core"), std::string::npos) << run.err;
}

TEST_F(Demo, SyntaxErrorInAnyConfigurationFileIsOneLineNamingIt)
{
    for (const std::string file : {"config/gl_programs.yaml", "config/models.yaml", "config/scene.yaml",
                                   "config/timeline.yaml"}) {
        SCOPED_TRACE(file);
        const std::string original = read(file);
        dir.write(file, original + "\nbroken: [unclosed\n");
        const auto run = runPlayer(dir.path());
        dir.write(file, original);
        EXPECT_EQ(run.exitCode, 1) << run.err;
        EXPECT_EQ(count(run.err, "\n"), 1) << run.err;
        const auto lines = static_cast<std::size_t>(count(original, "\n")) + 3;  // the end of the file, after the unclosed list
        EXPECT_EQ(run.err.rfind("orv: " + file + ":" + std::to_string(lines) + ":", 0), 0u) << run.err;
        EXPECT_EQ(run.out.find("fmod initialised successfully"), std::string::npos) << run.out;
    }
}

}  // namespace

namespace {

TEST_F(Demo, LightVolumeModelWithoutItsSphereIsOneLineNamingTheCatalogue)
{
    std::string models = read("config/models.yaml");
    models.replace(models.find("assets/models/bounding_sphere.gltf"), 34, "assets/models/crate.gltf");
    dir.write("config/models.yaml", models);
    const auto run = runPlayer(dir.path());
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(count(run.err, "\n"), 1) << run.err;
    EXPECT_NE(run.err.find("config/models.yaml"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("\"BoundingSphere\""), std::string::npos) << run.err;
    EXPECT_EQ(run.out.find("fmod initialised successfully"), std::string::npos) << run.out;
}

TEST_F(Demo, WindowSizeThatNoWindowCanHaveIsOneLineNamingTheFile)
{
    for (const char* size : {"{x: -5, y: 720}", "{x: 1280, y: 0}", "{x: 100000, y: 720}"}) {
        dir.write("config/window.yaml", std::string("OpenGLwindow:\n  title: \"orv\"\n  resolution: ") + size + "\n");
        const auto run = runPlayer(dir.path());
        EXPECT_EQ(run.exitCode, 1) << size << ": " << run.err;
        EXPECT_EQ(count(withoutAudioNote(run.err), "\n"), 1) << run.err;
        EXPECT_NE(run.err.find("config/window.yaml"), std::string::npos) << run.err;
    }
}

TEST_F(Demo, SceneWithoutTheLampIsOneLineNamingTheSceneFile)
{
    std::string room = read("assets/models/room.gltf");
    for (auto at = room.find("\"Room_Light\""); at != std::string::npos; at = room.find("\"Room_Light\""))
        room.replace(at, 12, "\"Room_Lamp\"");
    dir.write("assets/models/room.gltf", room);
    const auto run = runPlayer(dir.path());
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(count(withoutAudioNote(run.err), "\n"), 1) << run.err;
    EXPECT_NE(run.err.find("config/scene.yaml"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("\"Room_Light\""), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("assets/models/room.gltf"), std::string::npos) << "the file the node lives in: " << run.err;
    EXPECT_EQ(run.out.find("fmod initialised successfully"), std::string::npos) << run.out;
}

// A window the GL cannot make framebuffers for must not play on into
// incomplete passes (and a later abort): after the GL's own report, one line
// naming the file and the size, and no music. Here the GL runs out of memory
// under a 6 GB limit.
TEST_F(Demo, WindowTooLargeForTheFramebuffersStopsTheStart)
{
    if (underAddressSanitizer)
        GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit allows";
    dir.write("config/window.yaml", "OpenGLwindow:\n  title: \"orv\"\n  resolution: {x: 8192, y: 8192}\n");
    const auto run = runPlayer(dir.path(), 0.0, "orv", 300, "ulimit -v 6000000;");
    EXPECT_EQ(run.exitCode, 1) << run.err;
    const std::string err = withoutAudioNote(run.err);
    const auto lastLine = err.substr(err.rfind('\n', err.size() - 2) + 1);
    EXPECT_NE(lastLine.find("config/window.yaml"), std::string::npos) << run.err;
    EXPECT_NE(lastLine.find("8192 x 8192"), std::string::npos) << run.err;
    EXPECT_EQ(run.out.find("fmod initialised successfully"), std::string::npos) << run.out;
}

// The player laid out as cmake --install lays it out under some prefix, run
// from a folder that holds no demo, so that no display is needed: --check
// reports on the installed demo. A demo in the folder still comes first.
TEST(Installed, PlayerStartedWhereThereIsNoDemoTakesTheInstalledOne)
{
    ScratchDir prefix;
    std::filesystem::create_directories(prefix.path() / "bin");
    const auto player = prefix.path() / "bin/orv";
    std::error_code linked;
    std::filesystem::create_hard_link(ORV_PLAYER, player, linked);
    if (linked)
        std::filesystem::copy_file(ORV_PLAYER, player);
    const auto demo = prefix.path() / "share/orv/demo";
    std::filesystem::create_directories(demo);
    std::filesystem::copy(std::filesystem::path(ORV_SOURCE_DIR) / "demo", demo,
                          std::filesystem::copy_options::recursive);
    ScratchDir elsewhere;

    const auto run = [&](const std::string& arguments) {
        std::string output;
        FILE* pipe = popen(("cd '" + elsewhere.path().string() + "' && '" + player.string() + "' " + arguments +
                            " 2>&1").c_str(), "r");
        char buffer[4096];
        for (size_t got; pipe && (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            output.append(buffer, got);
        const int status = pipe ? pclose(pipe) : -1;
        return std::make_pair(WIFEXITED(status) ? WEXITSTATUS(status) : -1, output);
    };

    const auto [versionStatus, version] = run("--version");
    EXPECT_EQ(versionStatus, 0);
    EXPECT_TRUE(std::regex_match(version, std::regex("orv [0-9]+\\.[0-9]+(\\.[0-9]+)*\n"))) << version;

    const auto [checkStatus, checked] = run("--check");
    EXPECT_EQ(checkStatus, 0) << checked;
    EXPECT_NE(checked.find(std::filesystem::weakly_canonical(demo).string() + ": no problems"), std::string::npos)
        << checked;

    std::filesystem::create_directories(elsewhere.path() / "config");
    std::filesystem::copy_file(demo / "config/window.yaml", elsewhere.path() / "config/window.yaml");
    const auto [hereStatus, here] = run("--check");
    EXPECT_EQ(hereStatus, 1) << "the folder's own, incomplete demo is the one checked: " << here;
    EXPECT_NE(here.find("config/gl_programs.yaml"), std::string::npos) << here;
}

}  // namespace

namespace {

// Asked for, the start's steps go to standard error, one line each in the
// order they ran, and nothing else changes; the programs are kept in the
// cache folder the environment names, and a second start takes them.
TEST_F(Demo, StartupTimesWhenAskedAndProgramsKeptBetweenRuns)
{
    const std::filesystem::path cache = dir.path() / "cache";
    const std::size_t programs = YAML::LoadFile((dir.path() / "config" / "gl_programs.yaml").string()).size();
    ASSERT_GT(programs, 0u);
    // Mesa offers program binaries only while its own shader cache is on.
    ASSERT_EQ(orv::test::ensureGLContext(), "");
    GLint formats = 0;
    glGetIntegerv(GL_NUM_PROGRAM_BINARY_FORMATS, &formats);
    const std::size_t expected = formats > 0 ? programs : 0;
    const std::string env = "env ORV_STARTUP_TIMES=1 ORV_PROGRAM_CACHE=1 XDG_CACHE_HOME=" + cache.string();
    for (int start = 0; start < 2; ++start) {
        const auto run = runPlayer(dir.path(), 1.0, "orv", 120, env);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(count(run.out, "fmod initialised successfully\n"), 1) << run.out;
        std::string err = withoutAudioNote(run.err);
        std::size_t at = 0;
        for (const char* step : {"window and GL context", "programs: compile, link", "models: import, images, upload",
                                 "of which model import", "scene file", "of which scene import", "timeline", "shot times", "renderer",
                                 "music", "total before the first frame"}) {
            const auto found = err.find(step, at);
            ASSERT_NE(found, std::string::npos) << step << " (in order) in:\n" << err;
            at = found;
        }
        // Every line is one of the steps' and nothing else was said.
        err = std::regex_replace(err, std::regex("startup: +[0-9.]+ ms +([0-9.]+|-) cpu  [^\n]+\n"), "");
        EXPECT_EQ(err, "") << run.err;
        std::size_t kept = 0;
        std::error_code none;
        for (const auto& entry : std::filesystem::directory_iterator(cache / "orv", none))
            kept += entry.path().extension() == ".bin" ? 1 : 0;
        EXPECT_EQ(kept, expected) << "one file per program of the demo, after start " << start + 1;
    }
}

}  // namespace

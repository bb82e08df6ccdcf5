#include "check/DemoChecker.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/Player.h"
#include "support/Scratch.h"

namespace {

using orv::check::DemoChecker;
using orv::test::runPlayer;
using orv::test::ScratchDir;

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Each expected (place, text) pair is found on a line of its own, and there
// are no other lines; withHint: each line also ends with the hint in brackets.
void expectOneLineEach(const std::vector<std::pair<std::string, std::string>>& expected, const std::string& err,
                       bool withHint)
{
    const auto lines = linesOf(err);
    EXPECT_EQ(lines.size(), expected.size()) << err;
    for (const auto& entry : expected) {
        const auto& place = entry.first;
        const auto& text = entry.second;
        const bool found = std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.rfind(place, 0) == 0 && line.find(text) != std::string::npos &&
                   (!withHint || line.back() == ')');
        });
        EXPECT_TRUE(found) << "no line " << place << " ... " << text << " in:\n" << err;
    }
}

// A copy of the bundled demo that a test breaks on purpose.
struct BrokenDemo : ::testing::Test {
    ScratchDir dir;
    std::string out;
    std::string err;

    void SetUp() override { dir.copyFrom(std::filesystem::path(ORV_SOURCE_DIR) / "demo"); }

    std::string read(const std::string& relative) const { return dir.read(relative); }

    // Replaces the first occurrence of from in the file.
    void replace(const std::string& relative, const std::string& from, const std::string& to)
    {
        std::string text = read(relative);
        const auto at = text.find(from);
        ASSERT_NE(at, std::string::npos) << relative << " no longer holds: " << from;
        text.replace(at, from.size(), to);
        dir.write(relative, text);
    }

    // "file:line:" of the line of the file that holds text.
    std::string where(const std::string& relative, const std::string& text) const
    {
        const auto lines = linesOf(read(relative));
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].find(text) != std::string::npos)
                return relative + ":" + std::to_string(i + 1) + ":";
        }
        ADD_FAILURE() << relative << " holds no " << text;
        return {};
    }

    int check()
    {
        std::ostringstream outStream;
        std::ostringstream errStream;
        const int status = DemoChecker::checkFolder(dir.path().string(), outStream, errStream);
        out = outStream.str();
        err = errStream.str();
        return status;
    }
};

TEST_F(BrokenDemo, BundledDemoChecksCleanWithoutADisplay)
{
    ASSERT_EQ(check(), 0) << err;
    EXPECT_EQ(err, "");
    EXPECT_EQ(linesOf(out).size(), 1u) << out;

    // The real player, with no X server to talk to.
    const auto run = runPlayer(dir.path(), 0.0, "orv", 120, "env -u DISPLAY", "--check");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    ASSERT_EQ(linesOf(run.out).size(), 1u) << run.out;
    EXPECT_NE(run.out.find("no problems"), std::string::npos) << run.out;
}

TEST_F(BrokenDemo, TenMistakesAreTenLinesEachNamingItsFileAndLine)
{
    replace("config/window.yaml", "full_screen: false", "full_screen: maybe");
    replace("config/gl_programs.yaml", "shaders/gauss_h_fragment.glsl", "shaders/gauss_h_fragmnt.glsl");
    replace("config/gl_programs.yaml", "uniforms: [scene, blur, bloom_strength,",
            "uniforms: [scene, blur, bloom_strength, glow,");
    replace("shaders/copy_fragment.glsl", "void main()", "float broken = ;\n\nvoid main()");
    replace("config/models.yaml", "targets: [reflection]", "targets: [reflections]");
    replace("config/models.yaml", "bounding_sphere.gltf", "bounding_spher.gltf");
    replace("config/scene.yaml", "parallax: true", "parralax: true");
    replace("config/timeline.yaml", "camera_velocity: [[0,", "camera_velocity: [[0.9, 1], [0.2, 1], [1,");
    replace("config/timeline.yaml", "diffuse_factor: [[0,", "diffuse_factor: [[1.5, 0], [0,");
    replace("config/timeline.yaml", "inactive_targets: [particle_system]",
            "inactive_targets: [particle_system, bloomm]");

    EXPECT_EQ(check(), 1);
    EXPECT_EQ(out, "");
    const std::vector<std::pair<std::string, std::string>> expected = {
        {where("config/window.yaml", "maybe"), "\"full_screen\" is not true or false"},
        {where("config/gl_programs.yaml", "gauss_h_fragmnt"), "cannot read the shader file"},
        {where("config/gl_programs.yaml", "glow"), "\"glow\", which none of its shaders declares"},
        {where("shaders/copy_fragment.glsl", "broken"), "GL shader compilation error: program \"copy\""},
        {where("config/models.yaml", "reflections"), "\"reflections\" in \"targets\" is not a render pass"},
        {where("config/models.yaml", "bounding_spher.gltf"), "the file does not exist"},
        {where("config/scene.yaml", "parralax"), "warning: unknown key \"parralax\""},
        {where("config/timeline.yaml", "[0.2, 1]"), "comes after a larger key"},
        {where("config/timeline.yaml", "[[1.5, 0]"), "outside 0 to 1"},
        {where("config/timeline.yaml", "bloomm"), "neither a render target nor an effect switch"},
    };
    expectOneLineEach(expected, err, true);
}

TEST_F(BrokenDemo, EnvironmentCubeWithoutItsProgramIsOneLinePerModel)
{
    replace("config/gl_programs.yaml", "environment_cube:\n  source:", "room_cube:\n  source:");
    EXPECT_EQ(check(), 1);
    const auto lines = linesOf(err);
    ASSERT_EQ(lines.size(), 2u) << err;
    for (const auto& [line, model] : {std::pair{lines[0], "orb"}, std::pair{lines[1], "glass"}}) {
        EXPECT_EQ(line.rfind("config/models.yaml:", 0), 0u) << line;
        EXPECT_NE(line.find("model \"" + std::string(model) +
                            "\" asks for an environment cube, but config/gl_programs.yaml has no program "
                            "\"environment_cube\" (add the program"),
                  std::string::npos)
            << line;
    }
    EXPECT_EQ(lines[0].rfind(where("config/models.yaml", "environment_cube: true"), 0), 0u) << lines[0];
}

// The glow's strength and the sparks per shot: the checker knows their
// shapes, and that the bloom program must list the uniform its shader reads.
TEST_F(BrokenDemo, BloomAndSparksMistakesAreFound)
{
    replace("config/gl_programs.yaml", "uniforms: [scene, blur, bloom_strength,", "uniforms: [scene, blur,");
    replace("config/timeline.yaml", "bloom: [[0,", "bloom: [[0, 1], [0.5], [0.6,");
    replace("config/timeline.yaml", "sparks: {count: 1, lights: 1, interval_ms: 250",
            "sparks: {count: many, light: 1, interval_ms: 0");
    replace("config/timeline.yaml",
            "sparks: {count: 1, lights: 1, interval_ms: 250, lifetime_ms: 4000, speed: 1.2, start_hue: 0, end_hue: 1}",
            "sparks: [1, 2]");

    EXPECT_EQ(check(), 1);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {where("config/gl_programs.yaml", "bloom:"),
         "program \"bloom\" declares the uniform \"bloom_strength\" but does not list it"},
        {where("config/timeline.yaml", "bloom: [[0, 1], [0.5]"), "an entry of shot 5 \"bloom\" is not [key, value]"},
        {where("config/timeline.yaml", "count: many"), "shot 1 \"sparks\" \"count\" is not a number"},
        {where("config/timeline.yaml", "count: many"), "warning: unknown key \"light\" in shot 1 \"sparks\""},
        {where("config/timeline.yaml", "count: many"), "shot 1 \"sparks\" \"interval_ms\" is not above 0"},
        {where("config/timeline.yaml", "sparks: [1,"), "shot 2 \"sparks\" is not a map"},
    };
    expectOneLineEach(expected, err, false);
}

// The checks over the tree the player assembles from the scene, its placed
// models and the particle.
TEST_F(BrokenDemo, SceneTreeFaultsAreFoundInTheAssembledTree)
{
    replace("config/scene.yaml", "Room_Light:", "Room_Lamp:");
    replace("assets/models/room.gltf", "\"Camera003_2_out\"", "\"Kamera003_2_out\"");
    replace("assets/models/room.gltf", "\"model-orb_001\"", "\"model-orbit_001\"");
    replace("assets/models/bounding_sphere.gltf", "\"BoundingSphere\"", "\"Ball\"");
    const std::string shots = read("config/timeline.yaml");
    dir.write("config/timeline.yaml", shots + "\n  - camera_velocity: [[0, 1], [1, 1]]\n"
                                              "    particle_velocity: [[0, 1], [1, 1]]\n");
    // The demo's own counts: its camera markers less the renamed one, and one
    // shot more than it has paths.
    const auto count = [](const std::string& text, const std::string& what) {
        std::size_t n = 0;
        for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++n;
        return n;
    };
    const std::string markers = std::to_string(count(read("assets/models/room.gltf"), "\"Camera"));
    const std::size_t paths = count(shots, "camera_velocity");
    const std::string extra = std::to_string(paths + 1);

    EXPECT_EQ(check(), 1);
    const auto lines = linesOf(err);
    const std::vector<std::string> expected = {
        "config/models.yaml: the model \"bounding_sphere\" has no object named \"BoundingSphere\" carrying a mesh",
        "config/scene.yaml: warning: node \"model-orbit_001\" names the model \"orbit\", which config/models.yaml "
        "does not hold; the node's own meshes are used (add the model to config/models.yaml or rename the node)",
        "config/scene.yaml: no node named \"Room_Light\" carrying a mesh",
        "config/timeline.yaml: the scene has " + markers +
            " objects named \"Camera...\", not groups of three (anchor, incoming handle, outgoing handle): " +
            markers +
            " in the scene file (every path point is three markers: the point and its \"_in\" and \"_out\" "
            "handles)",
        "config/timeline.yaml: shot " + extra + " has no path: the scene has " + std::to_string(paths) +
            " \"Particle\" path(s) for " + extra + " or more shots",
    };
    EXPECT_EQ(lines, expected) << err;
}

// What stops the player is its one error line, word for word the checker's.
TEST_F(BrokenDemo, PlayerStopsWithTheCheckersLine)
{
    const auto agree = [&](const std::string& what) {
        EXPECT_EQ(check(), 1) << what;
        const auto lines = linesOf(err);
        ASSERT_FALSE(lines.empty()) << what;
        const auto run = runPlayer(dir.path(), 0.0);
        EXPECT_EQ(run.exitCode, 1) << what << ": " << run.err;
        EXPECT_NE(std::find(lines.begin(), lines.end(), run.err.substr(0, run.err.find('\n')).substr(5)),
                  lines.end())
            << what << ": the player said\n" << run.err << "the checker said\n" << err;
        EXPECT_EQ(run.err.rfind("orv: ", 0), 0u) << run.err;
    };

    // A required key missing: the library's error, at the entry's line.
    replace("config/models.yaml", "path: assets/models/crate.gltf", "file: assets/models/crate.gltf");
    agree("a model without a path");
    EXPECT_NE(err.find("config/models.yaml:"), std::string::npos) << err;
    EXPECT_NE(err.find("bad conversion"), std::string::npos) << err;
    replace("config/models.yaml", "file: assets/models/crate.gltf", "path: assets/models/crate.gltf");

    // An empty catalogue: the first model the player asks for is missing.
    const std::string models = read("config/models.yaml");
    dir.write("config/models.yaml", "# nothing yet\n");
    agree("an empty model catalogue");
    dir.write("config/models.yaml", models);

    // A uniform a pass sets, missing from its program's list.
    replace("config/gl_programs.yaml", "uniforms: [exposure, ", "uniforms: [");
    agree("a pass's uniform not listed");
    EXPECT_NE(err.find("does not list the uniform \"exposure\""), std::string::npos) << err;
    replace("config/gl_programs.yaml", "uniforms: [", "uniforms: [exposure, ");
    // The same for the optional edge smoothing program, once it is there.
    replace("config/gl_programs.yaml", "uniforms: [scene]\n", "uniforms: []\n");
    agree("the edge smoothing program without its uniform");
    EXPECT_NE(err.find("program \"edge_smoothing\" does not list the uniform \"scene\""), std::string::npos) << err;
    replace("config/gl_programs.yaml", "uniforms: []\n", "uniforms: [scene]\n");

    // A node of the particle model named like a camera marker: the count no
    // longer fits, and the line says where the extra marker comes from.
    replace("assets/models/particle.gltf", "\"name\": \"Spark\"", "\"name\": \"Camera001_spark\"");
    agree("a camera marker inside the particle model");
    EXPECT_NE(err.find("in assets/models/particle.gltf (\"Camera001_spark\")"), std::string::npos) << err;
}

// Where the player goes on, it prints the checker's line and plays on.
TEST_F(BrokenDemo, PlayerPlaysOnAfterTheCheckersLines)
{
    replace("config/gl_programs.yaml", "shaders/godray_post_fragment.glsl", "shaders");
    replace("config/timeline.yaml", "camera_velocity: [[0,", "camera_velocity: [[0, 0], [0,");
    replace("config/timeline.yaml", "inactive_targets: [particle_system]",
            "inactive_targets: [particle_system, bloomm]");
    EXPECT_EQ(check(), 1);
    const auto lines = linesOf(err);
    ASSERT_EQ(lines.size(), 3u) << err;
    EXPECT_NE(err.find("(it is a folder)"), std::string::npos) << err;
    EXPECT_NE(err.find("warning: shot 1: \"camera_velocity\" has the speed 0 at key 0"), std::string::npos) << err;

    const auto run = runPlayer(dir.path(), 1.5);
    EXPECT_TRUE(run.escaped) << run.err;
    EXPECT_EQ(run.exitCode, 0) << run.err;
    for (const auto& line : lines)
        EXPECT_NE(run.err.find(line + "\n"), std::string::npos) << line << "\nnot in\n" << run.err;
}

}  // namespace

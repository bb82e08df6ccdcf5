#include "check/ConfigChecker.h"

#include <string>

#include <gtest/gtest.h>

#include "support/Scratch.h"

namespace {

using orv::check::ConfigChecker;
using orv::problem::Report;

// The five files written into a scratch folder and checked from there.
struct ConfigCheckerTest : ::testing::Test {
    orv::test::ScratchDir dir;
    orv::test::WorkingDir inside{dir.path()};
    Report report;

    void SetUp() override
    {
        dir.write("config/window.yaml", "OpenGLwindow:\n  title: t\n  resolution: {x: 64, y: 48}\n");
        dir.write("config/gl_programs.yaml",
                  "copy:\n  source:\n    - {type: vertex, file: v.glsl}\n  uniforms: [scene]\n");
        dir.write("config/models.yaml", "particle:\n  path: p.gltf\n  targets: [main_particle]\n");
        dir.write("config/scene.yaml", "main:\n  path: room.gltf\n  models:\n    Floor: {parallax: true}\n");
        dir.write("config/timeline.yaml",
                  "shots:\n  - camera_velocity: [[0, 1], [1, 2]]\n    look_at: [[0, 1, 2, 3]]\n"
                  "    inactive_targets: [bloom, cubemap]\n");
    }

    std::string run()
    {
        const auto config = ConfigChecker(report).run();
        std::string text;
        for (const auto& problem : report.problems())
            text += problem.text() + "\n";
        return text;
    }
};

TEST_F(ConfigCheckerTest, FilesOfTheRightShapeHaveNoProblemsAndTellWhatTheyHold)
{
    ConfigChecker checker(report);
    const auto config = checker.run();
    EXPECT_TRUE(report.problems().empty()) << report.problems().front().text();
    ASSERT_EQ(config.programs.size(), 1u);
    EXPECT_EQ(config.programs[0].stages[0].file.name, "v.glsl");
    EXPECT_EQ(config.programs[0].stages[0].file.mark.line, 2);
    ASSERT_EQ(config.models.size(), 1u);
    EXPECT_EQ(config.models[0].path.name, "p.gltf");
    EXPECT_EQ(config.scenePath.name, "room.gltf");
    EXPECT_EQ(config.shots, 1u);
}

TEST_F(ConfigCheckerTest, EveryFileIsCheckedPastTheFaultsOfTheOthers)
{
    dir.write("config/window.yaml", "OpenGLwindow:\n  title: t\n  resolution: {x: -5, y: 48}\n  size: 3\n");
    dir.write("config/gl_programs.yaml", "copy:\n  source:\n    - {type: vertex}\n  uniforms: scene\n");
    dir.write("config/models.yaml", "");
    dir.write("config/scene.yaml", "main:\n  path: [room.gltf\n");
    dir.write("config/timeline.yaml",
              "shots:\n  - look_at: [[0, 1, 2]]\n    sync: often\n    particle_velocity: [[0, 1], [2, 1]]\n");
    const std::string lines = run();
    EXPECT_EQ(lines,
              "config/window.yaml:4:3: warning: unknown key \"size\" in \"OpenGLwindow\"; it is ignored (known keys: "
              "title, full_screen, resolution)\n"
              "config/window.yaml: resolution -5 x 48 is not a window size (each side from 1 to 16384)\n"
              "config/gl_programs.yaml:3:7: bad conversion (a required key is missing here or its value has the "
              "wrong type; see docs/authoring.md)\n"
              "config/gl_programs.yaml:4:13: \"uniforms\" is not a list (write it as [a, b, ...] or as \"- \" lines)\n"
              "config/scene.yaml:3:1: end of sequence flow not found (fix the YAML syntax there)\n"
              "config/timeline.yaml:3:11: \"sync\" is not true or false (the player takes its default instead; write "
              "true or false)\n"
              "config/timeline.yaml:4:34: key 2 of shot 1 \"particle_velocity\" is outside 0 to 1 (keys are "
              "fractions of the path: 0 at its start, 1 at its end)\n"
              "config/timeline.yaml:2:15: an entry of shot 1 \"look_at\" is not [key, x, y, z] (write each entry as "
              "[key, x, y, z])\n");
    // An empty catalogue is the player's "no model" error, found with the models.
    EXPECT_EQ(report.errors(), 7u);
    EXPECT_EQ(report.warnings(), 1u);
}

TEST_F(ConfigCheckerTest, EnvironmentCubeIsACatalogueFlagForMirrorsAndGlass)
{
    dir.write("config/models.yaml", "particle:\n  path: p.gltf\n  targets: [main_particle]\n"
                                    "orb: {path: o.gltf, targets: [reflection], environment_cube: true}\n"
                                    "gem: {path: g.gltf, targets: [refraction, shadow_mapping], environment_cube: no}\n"
                                    "crate: {path: c.gltf, targets: [deferred_render_geometry], environment_cube: true}\n"
                                    "glass: {path: g.gltf, targets: [refraction], environment_cube: 256}\n");
    dir.write("config/scene.yaml", "main:\n  path: room.gltf\n  models:\n    Floor: {environment_cube: true}\n");
    ConfigChecker checker(report);
    const auto config = checker.run();
    std::string lines;
    for (const auto& problem : report.problems())
        lines += problem.text() + "\n";
    EXPECT_EQ(lines,
              "config/models.yaml:6:78: warning: model \"crate\" asks for an environment cube but is drawn by "
              "neither \"reflection\" nor \"refraction\" (only those passes show the cube; add one of them to "
              "\"targets\")\n"
              "config/models.yaml:7:64: \"environment_cube\" is not true or false (the player takes its default "
              "instead; write true or false)\n"
              "config/scene.yaml:4:13: warning: unknown key \"environment_cube\" in node \"Floor\"; it is ignored "
              "(known keys: targets, load_textures, load_onto_gpu, is_light_source, parallax, cast_shadow, "
              "rotation, ignore, suppress_draw)\n");
    ASSERT_EQ(config.models.size(), 5u);
    const bool asks[] = {false, true, false, true, false};
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(config.models[i].environmentCube, asks[i]) << config.models[i].name.name;
    EXPECT_EQ(config.models[1].environmentCubeMark.line, 3);
}

TEST_F(ConfigCheckerTest, MissingFilesAndAnEmptyShotListAreTheLoadersOwnErrors)
{
    std::filesystem::remove(dir.path() / "config/window.yaml");
    dir.write("config/timeline.yaml", "shots: []\n");
    EXPECT_EQ(run(),
              "config/window.yaml: bad file (the file is missing or cannot be read; every demo needs it)\n"
              "config/timeline.yaml: \"shots\" must be a non-empty list of shots (give \"shots\" one map per shot)\n");
}

}  // namespace

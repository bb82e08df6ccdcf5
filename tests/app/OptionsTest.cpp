#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/Options.h"
#include "support/Scratch.h"

namespace {

using orv::app::parseOptions;
using orv::test::ScratchDir;
using orv::test::WorkingDir;

orv::app::ParsedOptions parse(std::vector<const char*> arguments, const orv::app::Installation& installation = {},
                              std::string* out = nullptr)
{
    arguments.insert(arguments.begin(), "orv");
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    auto parsed = parseOptions(static_cast<int>(arguments.size()), arguments.data(), installation);
    const std::string printed = testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();
    if (out)
        *out = printed;
    return parsed;
}

TEST(Options, NoneMeansTheCurrentFolderAsItIs)
{
    const auto parsed = parse({});
    ASSERT_TRUE(parsed.options);
    EXPECT_EQ(parsed.options->demoDir, ".");
    EXPECT_FALSE(parsed.options->width);
    EXPECT_FALSE(parsed.options->captures());
    EXPECT_EQ(parsed.options->startSeconds, 0.0);
    EXPECT_TRUE(parsed.options->profileFile.empty());
    EXPECT_FALSE(parsed.options->dev);
}

TEST(Options, DevPlaysFromAStartButCapturesNothing)
{
    const auto parsed = parse({"--dev", "--start", "12"});
    ASSERT_TRUE(parsed.options);
    EXPECT_TRUE(parsed.options->dev);
    EXPECT_EQ(parsed.options->startSeconds, 12.0);
    for (const auto& arguments : std::vector<std::vector<const char*>>{
             {"--dev", "--capture", "/tmp/x"}, {"--dev", "--contact-sheet", "s.png"}, {"--dev", "--profile", "p.json"}}) {
        const auto refused = parse(arguments);
        EXPECT_FALSE(refused.options) << arguments[1];
        EXPECT_EQ(refused.exitCode, 2) << arguments[1];
    }
}

TEST(Options, CaptureWithSizeAndRange)
{
    const auto parsed = parse({"--demo", ".", "--size", "640x360", "--capture", "/tmp/frames", "--fps", "24",
                               "--from", "1.5", "--to", "4"});
    ASSERT_TRUE(parsed.options);
    EXPECT_EQ(*parsed.options->width, 640);
    EXPECT_EQ(*parsed.options->height, 360);
    EXPECT_TRUE(parsed.options->captures());
    EXPECT_EQ(parsed.options->fps, 24.0);
    EXPECT_EQ(*parsed.options->captureFrom, 1.5);
    EXPECT_EQ(*parsed.options->captureTo, 4.0);
}

TEST(Options, HelpEndsWithZeroAndEveryMistakeWithTwo)
{
    const auto help = parse({"--help"});
    EXPECT_FALSE(help.options);
    EXPECT_EQ(help.exitCode, 0);
    const std::vector<std::vector<const char*>> wrong = {
        {"--bogus"},
        {"--size", "640"},
        {"--size", "0x360"},
        {"--size", "99999x10"},
        {"--fps", "0", "--capture", "/tmp/x"},
        {"--start", "-1"},
        {"--demo", "/no/such/folder"},
        {"--from", "2"},                                   // nothing to capture
        {"--capture", "/tmp/x", "--from", "3", "--to", "2"},  // an empty range
        {"--to"},
    };
    for (const auto& arguments : wrong) {
        const auto parsed = parse(arguments);
        EXPECT_FALSE(parsed.options) << arguments[0];
        EXPECT_EQ(parsed.exitCode, 2) << arguments[0];
    }
}

TEST(Options, CheckIsAFlagThatTakesTheDemoFolder)
{
    EXPECT_FALSE(parse({}).options->check);
    const auto parsed = parse({"--check", "--demo", "."});
    ASSERT_TRUE(parsed.options);
    EXPECT_TRUE(parsed.options->check);
    EXPECT_EQ(parsed.options->demoDir, ".");
    EXPECT_EQ(parse({"--check", "demo"}).exitCode, 2) << "the folder comes with --demo";
}

TEST(Options, VersionIsTheInstallationsAndEndsWithZero)
{
    std::string out;
    const auto parsed = parse({"--version"}, {"4.2", ""}, &out);
    EXPECT_FALSE(parsed.options);
    EXPECT_EQ(parsed.exitCode, 0);
    EXPECT_EQ(out, "orv 4.2\n");
}

// Started without --demo in a folder that holds no demo, the player takes the
// installed one; a demo here, or one named with --demo, always comes first.
TEST(Options, InstalledDemoOnlyWhereThereIsNone)
{
    ScratchDir installed;
    installed.write("config/window.yaml", "OpenGLwindow:\n  title: installed\n");
    ScratchDir empty;
    const orv::app::Installation installation{"1.0", installed.path()};
    {
        WorkingDir here(empty.path());
        EXPECT_EQ(parse({}, installation).options->demoDir, installed.path().string());
        const auto check = parse({"--check"}, installation);
        EXPECT_TRUE(check.options->check);
        EXPECT_EQ(check.options->demoDir, installed.path().string());
        EXPECT_EQ(parse({"--demo", "."}, installation).options->demoDir, ".") << "an explicit folder is kept";
        EXPECT_EQ(parse({}, {"1.0", empty.path()}).options->demoDir, ".")
            << "an installation without its demo changes nothing";
        EXPECT_EQ(parse({}).options->demoDir, ".") << "nothing installed changes nothing";
    }
    ScratchDir demo;
    demo.write("config/window.yaml", "OpenGLwindow:\n  title: here\n");
    WorkingDir here(demo.path());
    EXPECT_EQ(parse({}, installation).options->demoDir, ".");
}

// The render scale and the frame-rate target: numbers in their ranges, or
// one line naming the option and status 2.
TEST(Options, ScaleAndTargetFrameRateTakeNumbersInTheirRanges)
{
    const auto none = parse({});
    EXPECT_EQ(none.options->scale, 1.0);
    EXPECT_FALSE(none.options->targetFps);
    EXPECT_FALSE(none.options->stats);

    const auto given = parse({"--scale", "0.25", "--target-fps", "10", "--stats"});
    ASSERT_TRUE(given.options);
    EXPECT_EQ(given.options->scale, 0.25);
    EXPECT_EQ(given.options->targetFps, 10.0);
    EXPECT_TRUE(given.options->stats);
    EXPECT_EQ(parse({"--scale", "1"}).options->scale, 1.0);
    EXPECT_EQ(parse({"--scale", "0.5", "--capture", "/tmp/x", "--target-fps", "60"}).options->targetFps, 60.0)
        << "a capture takes the target and ignores it";

    for (const auto& arguments : std::vector<std::vector<const char*>>{{"--scale", "0.2"},
                                                                       {"--scale", "1.01"},
                                                                       {"--scale", "0"},
                                                                       {"--scale", "half"},
                                                                       {"--scale", "nan"},
                                                                       {"--target-fps", "0"},
                                                                       {"--target-fps", "-30"},
                                                                       {"--target-fps", "nan"},
                                                                       {"--target-fps"},
                                                                       {"--stats", "--dev"},
                                                                       {"--stats", "--capture", "/tmp/x"},
                                                                       {"--stats", "--contact-sheet", "s.png"}}) {
        std::vector<const char*> line = arguments;
        line.insert(line.begin(), "orv");
        testing::internal::CaptureStderr();
        const auto refused = orv::app::parseOptions(static_cast<int>(line.size()), line.data());
        const std::string error = testing::internal::GetCapturedStderr();
        const std::string named = arguments.size() > 1 ? std::string(arguments[0]) + " " + arguments[1] : arguments[0];
        EXPECT_FALSE(refused.options) << named;
        EXPECT_EQ(refused.exitCode, 2) << named;
        EXPECT_EQ(std::count(error.begin(), error.end(), '\n'), 1) << named << ": " << error;
        const std::string option = arguments[0] == std::string("--stats") ? "--stats" : arguments[0];
        EXPECT_NE(error.find(option), std::string::npos) << named << ": " << error;
    }
}

}  // namespace

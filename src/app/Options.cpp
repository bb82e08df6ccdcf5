#include "app/Options.h"

#include <cmath>
#include <iostream>
#include <regex>
#include <utility>

#include <CLI/CLI.hpp>

namespace orv::app {

namespace {

// "1280x720": two positive sizes a window can have.
bool parseSize(const std::string& text, Options& options)
{
    static const std::regex pattern("([0-9]{1,5})x([0-9]{1,5})");
    std::smatch match;
    if (!std::regex_match(text, match, pattern))
        return false;
    const int width = std::stoi(match[1]);
    const int height = std::stoi(match[2]);
    if (width < 1 || height < 1 || width > 16384 || height > 16384)
        return false;
    options.width = width;
    options.height = height;
    return true;
}

}  // namespace

ParsedOptions parseOptions(int argc, const char* const* argv, const Installation& installation)
{
    Options options;
    CLI::App app("orv: plays a data-driven 3D demo from its folder (no options: the current folder, as it is).",
                 "orv");
    std::string size;
    double from = 0.0;
    double to = 0.0;
    auto* demoOption =
        app.add_option("--demo", options.demoDir,
                       "play the demo in this folder (default: the current folder, or the installed demo "
                       "when the current folder holds none)")
            ->check(CLI::ExistingDirectory);
    app.add_option("--size", size, "window size WxH for this run, instead of config/window.yaml's");
    app.add_option("--start", options.startSeconds, "begin this many seconds into the demo")
        ->check(CLI::NonNegativeNumber);
    app.add_option("--capture", options.captureDir,
                   "write frames as numbered PNG files into this folder, without showing the window");
    app.add_option("--video", options.videoFile, "write frames and music as an H.264 video (ffmpeg)");
    app.add_option("--fps", options.fps, "frames per second of --capture and --video (default 30)")
        ->check(CLI::Range(1.0, 240.0));
    auto* fromOption = app.add_option("--from", from, "first captured time in seconds (default 0)")
                           ->check(CLI::NonNegativeNumber);
    auto* toOption = app.add_option("--to", to, "last captured time in seconds (default: end of the last shot)")
                         ->check(CLI::PositiveNumber);
    app.add_option("--contact-sheet", options.contactSheet,
                   "write one image with the middle frame of every shot, then end");
    app.add_option("--profile", options.profileFile,
                   "measure each pass's GPU time; print a table at exit and write every frame to this JSON file");
    app.add_flag("--check", options.check,
                 "check the demo's files without opening a window and report every problem, one line each");
    app.add_option("--scale", options.scale,
                   "draw the 3D passes at this share of the window size, 0.25 to 1, stretched over the window "
                   "(default 1)")
        ->check(CLI::Range(0.25, 1.0));
    double targetFps = 0.0;
    auto* targetOption = app.add_option("--target-fps", targetFps,
                   "while playing, lower or raise the render scale (never above --scale) to keep this many "
                   "frames a second; captures ignore it")
        ->check(CLI::Range(1.0, 1000.0));
    app.add_flag("--stats", options.stats,
                 "play the demo once to the end of its last shot, then print each shot's frames per second and "
                 "render scale");
    app.add_flag("--dev", options.dev,
                 "authoring: reload saved shaders and config files, P pause, Left/Right seek 5 s, "
                 "Page Up/Down shot, Home restart, F1 overlay");

    app.set_version_flag("--version", "orv " + installation.version, "print the version and end");

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::cout << app.help();
        return {std::nullopt, 0};
    } catch (const CLI::CallForVersion& version) {
        std::cout << version.what() << std::endl;
        return {std::nullopt, 0};
    } catch (const CLI::ParseError& error) {
        std::cerr << "orv: " << error.what() << " (orv --help lists the options)" << std::endl;
        return {std::nullopt, 2};
    }
    if (!size.empty() && !parseSize(size, options)) {
        std::cerr << "orv: --size: \"" << size << "\" is not WxH with sizes from 1 to 16384 (orv --help lists the options)"
                  << std::endl;
        return {std::nullopt, 2};
    }
    if (targetOption->count() > 0)
        options.targetFps = targetFps;
    // A range check lets "nan" through.
    for (const auto& [name, value] : {std::pair{"--scale", options.scale}, std::pair{"--target-fps", targetFps}}) {
        if (!std::isfinite(value)) {
            std::cerr << "orv: " << name << ": takes a number (orv --help lists the options)" << std::endl;
            return {std::nullopt, 2};
        }
    }
    if (options.stats && (options.dev || options.captures() || !options.contactSheet.empty())) {
        std::cerr << "orv: --stats measures the played demo; it does not go with --dev, --capture, --video or "
                     "--contact-sheet (orv --help lists the options)"
                  << std::endl;
        return {std::nullopt, 2};
    }
    if (fromOption->count() > 0)
        options.captureFrom = from;
    if (toOption->count() > 0)
        options.captureTo = to;
    if ((fromOption->count() > 0 || toOption->count() > 0) && !options.captures() && options.contactSheet.empty()) {
        std::cerr << "orv: --from and --to need --capture or --video (orv --help lists the options)" << std::endl;
        return {std::nullopt, 2};
    }
    if (options.dev && (options.captures() || !options.contactSheet.empty() || !options.profileFile.empty())) {
        std::cerr << "orv: --dev plays in the window; it does not go with --capture, --video, --contact-sheet or "
                     "--profile (orv --help lists the options)"
                  << std::endl;
        return {std::nullopt, 2};
    }
    if (options.captureFrom && options.captureTo && *options.captureTo <= *options.captureFrom) {
        std::cerr << "orv: --to must come after --from (orv --help lists the options)" << std::endl;
        return {std::nullopt, 2};
    }
    // Started from anywhere, an installed player still has its own demo to play.
    if (demoOption->count() == 0 && !std::filesystem::exists("config/window.yaml") &&
        !installation.demoDir.empty() && std::filesystem::exists(installation.demoDir / "config/window.yaml"))
        options.demoDir = installation.demoDir.string();
    return {options, 0};
}

}  // namespace orv::app

#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace orv::app {

// What the command line asks for. With no options the player plays the demo
// in the current folder exactly as it always has; everything else is opt-in.
struct Options {
    std::string demoDir = ".";
    // Replaces the window file's resolution for this run.
    std::optional<int> width;
    std::optional<int> height;
    // The timeline is advanced silently to this time before the first shown frame.
    double startSeconds = 0.0;

    // Capture: frames at a fixed step of 1 / fps seconds from captureFrom to
    // captureTo (or the end of the last shot), written as numbered PNG files
    // to captureDir and/or piped into the video file.
    std::string captureDir;
    std::string videoFile;
    double fps = 30.0;
    std::optional<double> captureFrom;
    std::optional<double> captureTo;
    std::string contactSheet;
    std::string profileFile;
    // Check the demo folder and report every problem instead of playing.
    bool check = false;

    // The authoring loop: live reload, seek and pause keys, the F1 overlay.
    bool dev = false;

    // The 3D passes draw at this share of the window's size (0.25 to 1),
    // stretched over the window.
    double scale = 1.0;
    // While playing (not while capturing), the scale follows the frame rate
    // toward this many frames a second, never above `scale`.
    std::optional<double> targetFps;
    // Play the demo once to the end of its last shot, then print the frame
    // rate and the render scale of every shot.
    bool stats = false;

    bool captures() const { return !captureDir.empty() || !videoFile.empty(); }
};

// What the build knows about the installed player: the version --version
// prints and where the installed demo lives.
struct Installation {
    std::string version;
    std::filesystem::path demoDir;
};

// Parses the command line. Returns the options, or the exit status to end
// with at once: 0 after --help or --version, 2 after a wrong option or value
// (one line on standard error). Without --demo, in a folder that holds no
// demo (no config/window.yaml), the installed demo is played if there is one.
struct ParsedOptions {
    std::optional<Options> options;
    int exitCode = 0;
};
ParsedOptions parseOptions(int argc, const char* const* argv, const Installation& installation = {});

}  // namespace orv::app

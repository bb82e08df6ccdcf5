#pragma once

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

    bool captures() const { return !captureDir.empty() || !videoFile.empty(); }
};

// Parses the command line. Returns the options, or the exit status to end
// with at once: 0 after --help, 2 after a wrong option or value (one line on
// standard error).
struct ParsedOptions {
    std::optional<Options> options;
    int exitCode = 0;
};
ParsedOptions parseOptions(int argc, const char* const* argv);

}  // namespace orv::app

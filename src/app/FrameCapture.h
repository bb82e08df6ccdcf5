#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/Options.h"

namespace orv::demo {
class Demo;
}
namespace orv::view {
class OpenGLwindow;
}

namespace orv::app {

// Renders the demo at a fixed step of 1 / fps seconds instead of the frame
// timer, so the same demo gives the same frames, and writes the frames
// between two times as numbered PNG files and/or pipes them into ffmpeg with
// the music.
class FrameCapture {
public:
    FrameCapture(const Options& options, view::OpenGLwindow& window, demo::Demo& demo, std::string musicFile);
    ~FrameCapture();

    // Returns the exit status: 0, or 1 after one line on standard error.
    // endSeconds is where the capture stops when --to is not given.
    int run(double endSeconds);

    // The frame just drawn, from the window's back buffer: RGBA, bottom row
    // first; pixels must hold width x height x 4 bytes.
    static void readFrame(const view::OpenGLwindow& window, std::vector<std::uint8_t>& pixels);

private:
    bool openVideo(double fromSeconds);
    bool writeFrame(std::uint32_t index);
    void progress(std::uint32_t done, std::uint32_t total, double elapsedSeconds, bool last) const;

    const Options& options_;
    view::OpenGLwindow& window_;
    demo::Demo& demo_;
    std::string musicFile_;
    std::vector<std::uint8_t> pixels_;
    std::FILE* video_ = nullptr;
};

}  // namespace orv::app

#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/Options.h"

namespace orv::view {
class OpenGLwindow;
}
namespace orv::scene {
class Particle;
class Scene;
class SceneObject;
}  // namespace orv::scene

namespace orv::app {

// Renders the demo at a fixed step (1 / fps seconds; the first three frames
// take the loop's token step) instead of the frame timer, so the same demo
// gives the same frames, and writes the frames between two times as
// numbered PNG files and/or pipes them into ffmpeg with the music.
class FrameCapture {
public:
    FrameCapture(const Options& options, view::OpenGLwindow& window, scene::Scene& scene, std::string musicFile);
    ~FrameCapture();

    // Returns the exit status: 0, or 1 after one line on standard error.
    // endSeconds is where the capture stops when --to is not given.
    int run(double endSeconds);

    // The frame time of frame k at a step of 1 / fps: the fixed step after the token steps.
    static double stepOf(std::uint32_t frame, double fps);
    // The frame just drawn, from the window's back buffer: RGBA, bottom row
    // first; pixels must hold width x height x 4 bytes.
    static void readFrame(const view::OpenGLwindow& window, std::vector<std::uint8_t>& pixels);

private:
    bool openVideo(double fromSeconds);
    bool writeFrame(std::uint32_t index);
    void progress(std::uint32_t done, std::uint32_t total, double elapsedSeconds, bool last) const;

    const Options& options_;
    view::OpenGLwindow& window_;
    scene::Scene& scene_;
    std::string musicFile_;
    std::vector<std::uint8_t> pixels_;
    std::FILE* video_ = nullptr;
};

// The demo's shots as a fixed-step run sees them: when each starts and when
// the last one finishes. Measured on a timeline of its own over the same
// scene, before anything is drawn.
struct ShotTimes {
    std::vector<double> starts;
    double end = 0.0;

    // When a shot ends: the next one's start, or the end of the last.
    double endOf(std::size_t shot) const { return shot + 1 < starts.size() ? starts[shot + 1] : end; }
};
ShotTimes measureShots(const std::string& timelineFile, const std::shared_ptr<scene::SceneObject>& root,
                       view::OpenGLwindow& window, const std::shared_ptr<scene::Particle>& particle, double fps);

}  // namespace orv::app

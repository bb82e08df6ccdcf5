#pragma once

#include <optional>
#include <string>
#include <vector>

struct GLFWwindow;

namespace orv::render {
class FrameProfiler;
}

namespace orv::dev {

class DevSession;
class ShotLoop;

// The author's panel (Dear ImGui), drawn onto the window after the last
// pass: time and shot, frame time, GPU time per pass, the last reload, the
// camera bookmarks, the target and switch toggles, and a scrub bar over the
// shots; beside it, the shot's key lists plotted over the paths' progress,
// to drag, type and save. It leaves the engine's GL state as it found it.
// Captures never make one.
class Overlay {
public:
    // What the author asked for in this frame.
    struct Request {
        std::optional<double> seekTo;
        // The timeline's keys were edited: play the edited text at once.
        bool timelineEdited = false;
        bool saveTimeline = false;
        // A bookmark chosen: its time, with the free camera at its place.
        std::optional<std::size_t> bookmark;
    };

    explicit Overlay(GLFWwindow* window);
    ~Overlay();

    // Whether the panel takes the keyboard now (a number being typed), so
    // the player's keys are not for the demo.
    static bool typing();

    Overlay(const Overlay&) = delete;
    Overlay& operator=(const Overlay&) = delete;

    // Builds and draws the panel onto the default framebuffer. `inactive`
    // holds the toggled-off targets and switches, edited in place.
    Request draw(DevSession& session, const render::FrameProfiler* profiler, double frameSeconds, bool paused,
                 const ShotLoop& loop, std::vector<std::string>& inactive);

private:
    void toggle(const char* name, std::vector<std::string>& inactive);
    std::optional<double> scrubBar(DevSession& session);
    void keyPanel(DevSession& session, Request& request);
    bool keyPlot(DevSession& session, std::size_t shot, int curve, std::optional<float> progress);
    void bookmarkPanel(DevSession& session, Request& request);

    float frameMs_ = 0.0f;
    // The key dragged in a plot (curve, key, column) and the value range it started with.
    int dragCurve_ = -1;
    std::size_t dragKey_ = 0;
    std::size_t dragColumn_ = 0;
    float dragLow_ = 0.0f;
    float dragHigh_ = 1.0f;
};

}  // namespace orv::dev

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
// target and switch toggles, and a scrub bar over the shots. It leaves the
// engine's GL state as it found it. Captures never make one.
class Overlay {
public:
    // What the author asked for in this frame.
    struct Request {
        std::optional<double> seekTo;
    };

    explicit Overlay(GLFWwindow* window);
    ~Overlay();

    Overlay(const Overlay&) = delete;
    Overlay& operator=(const Overlay&) = delete;

    // Builds and draws the panel onto the default framebuffer. `inactive`
    // holds the toggled-off targets and switches, edited in place.
    Request draw(DevSession& session, const render::FrameProfiler* profiler, double frameSeconds, bool paused,
                 const ShotLoop& loop, std::vector<std::string>& inactive);

private:
    void toggle(const char* name, std::vector<std::string>& inactive);
    std::optional<double> scrubBar(DevSession& session);

    float frameMs_ = 0.0f;
};

}  // namespace orv::dev

#pragma once

#include <array>
#include <cstddef>

namespace orv::render {

// Picks the render scale that keeps frames near a target rate, from the
// frame times alone. It judges a window of recent frames (20, or fewer when
// they already span a second: slow frames are judged in seconds, not
// minutes) by their interquartile mean (a hitch or two does not move it), steps down at once
// when they are clearly slower than the target (far down when far off: the
// cost of a frame goes roughly with its pixel count), and up one step only
// when the frames are fast enough that the larger size is still expected to
// make the target, after a longer wait. After every change the window starts
// afresh, and the first frames at the new size (remade framebuffers) are not
// counted. Scales are multiples of `step` between `minScale` and the ceiling.
class RenderScaleController {
public:
    static constexpr double minScale = 0.25;
    static constexpr double step = 0.05;
    static constexpr std::size_t windowFrames = 20;
    // A window that spans judgeSeconds is judged once it holds minJudgeFrames.
    static constexpr std::size_t minJudgeFrames = 4;
    static constexpr double judgeSeconds = 1.0;
    // Frames not counted after a change (it remade the framebuffers), and at the start.
    static constexpr std::size_t settleFrames = 1;
    // A step up waits for this many windows' worth of frames (or of seconds) at the current scale.
    static constexpr std::size_t windowsBeforeUp = 2;
    // Slower than target x slowFactor steps down; a step up must be expected
    // to stay under target x roomFactor.
    static constexpr double slowFactor = 1.08;
    static constexpr double roomFactor = 0.92;

    // targetFps > 0; maxScale (clamped to minScale..1) is the ceiling and the start.
    explicit RenderScaleController(double targetFps, double maxScale = 1.0);

    // Takes how long one frame took (seconds); returns the scale for the next.
    double frameTook(double seconds);

    double scale() const { return scale_; }
    double maxScale() const { return maxScale_; }
    double targetSeconds() const { return targetSeconds_; }
    // How many times the scale has changed.
    unsigned changes() const { return changes_; }

private:
    double windowMean() const;
    void moveTo(double scale);

    double targetSeconds_;
    double maxScale_;
    double scale_;
    std::array<double, windowFrames> window_{};
    std::size_t count_ = 0;
    std::size_t next_ = 0;
    std::size_t skip_ = settleFrames;
    std::size_t framesAtScale_ = 0;
    double secondsAtScale_ = 0.0;
    unsigned changes_ = 0;
};

}  // namespace orv::render

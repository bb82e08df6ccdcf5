#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include <GL/glew.h>

#include "gl/Handle.h"
#include "render/TargetNames.h"

namespace orv::render {

// GPU time of each pass and of the geometry pass's light loop, from GL
// timestamp queries that are read back a few frames later (so the GPU is
// never waited for), and the CPU time of the renderer's work each frame.
class FrameProfiler {
public:
    static constexpr std::size_t passCount = targets::renderOrder.size();
    // The passes, then the frame's last draw onto the window (the edge
    // smoothing, or the stretch of a smaller frame): each a column of the
    // table and of the JSON, and part of the GPU frame.
    static constexpr std::size_t columnCount = passCount + 1;
    static constexpr std::string_view presentName = "present";
    static std::string_view columnName(std::size_t column)
    {
        return column < passCount ? targets::renderOrder[column] : presentName;
    }

    // The steps of the geometry pass, in the order it runs them; each one
    // lasts from its mark to the next step's (the last one to the pass's end).
    enum class GeometryStep : std::size_t { Fill, LightLoop, BloomBlur, Composition, DepthHandOver };
    static constexpr std::size_t geometryStepCount = 5;
    static constexpr std::array<std::string_view, geometryStepCount> geometryStepNames = {
        "fill", "light_loop", "bloom_blur", "composition", "depth_hand_over"};

    struct Frame {
        std::array<double, columnCount> passMs{};
        // The geometry pass's steps; 0 for a step that was not marked.
        std::array<double, geometryStepCount> geometryMs{};
        double lightLoopMs = 0.0;
        double cpuMs = 0.0;
    };

    // Reserves room for this many frames, so that profiling does not allocate while it runs.
    explicit FrameProfiler(std::size_t expectedFrames = 100000);
    ~FrameProfiler();
    FrameProfiler(const FrameProfiler&) = delete;
    FrameProfiler& operator=(const FrameProfiler&) = delete;

    // Called by the renderer: the start of its work in a frame, the start of
    // pass i (in render order), the start of the draw onto the window, the
    // end of the frame; and by the geometry pass, the start of each of its
    // steps after the first (the fill starts with the pass).
    void beginFrame();
    void markPass(std::size_t pass);
    void markPresent();
    void markGeometryStep(GeometryStep step);
    void endFrame();

    // Waits for the frames still in flight and collects them.
    void finish();

    const std::vector<Frame>& frames() const { return frames_; }

    // Per pass (then the light loop, the GPU frame and the CPU work): median,
    // 95th percentile and share of the GPU frame, as a table.
    std::string table() const;
    // Every frame's figures and the summary.
    std::string json() const;

private:
    // Slots of one frame's timestamps: the pass starts, the draw onto the
    // window's start, the frame's end, the geometry pass's step marks (the
    // fill's slot is never stamped: collect copies the pass's own start there).
    static constexpr std::size_t presentStart = passCount;
    static constexpr std::size_t frameEnd = passCount + 1;
    static constexpr std::size_t firstStepSlot = frameEnd + 1;
    static constexpr std::size_t slotsPerFrame = firstStepSlot + geometryStepCount;
    static constexpr std::size_t framesInFlight = 4;

    void stamp(std::size_t slot);
    void collect(std::size_t ring);

    std::array<std::array<gl::QueryHandle, slotsPerFrame>, framesInFlight> queries_;
    std::array<std::array<bool, slotsPerFrame>, framesInFlight> stamped_{};
    std::array<double, framesInFlight> cpuMs_{};
    std::array<bool, framesInFlight> pending_{};
    std::size_t current_ = 0;
    bool inFrame_ = false;
    std::chrono::steady_clock::time_point cpuStart_;
    std::vector<Frame> frames_;
};

}  // namespace orv::render

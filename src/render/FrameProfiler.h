#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <string>
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

    struct Frame {
        std::array<double, passCount> passMs{};
        double lightLoopMs = 0.0;
        double cpuMs = 0.0;
    };

    // Reserves room for this many frames, so that profiling does not allocate while it runs.
    explicit FrameProfiler(std::size_t expectedFrames = 100000);
    ~FrameProfiler();
    FrameProfiler(const FrameProfiler&) = delete;
    FrameProfiler& operator=(const FrameProfiler&) = delete;

    // Called by the renderer: the start of its work in a frame, the start of
    // pass i (in render order), the light loop's start and end, the end of the frame.
    void beginFrame();
    void markPass(std::size_t pass);
    void markLightLoop(bool end);
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
    // Slots of one frame's timestamps: the pass starts, the frame's end, the light loop's two marks.
    static constexpr std::size_t frameEnd = passCount;
    static constexpr std::size_t lightLoopStart = passCount + 1;
    static constexpr std::size_t lightLoopEnd = passCount + 2;
    static constexpr std::size_t slotsPerFrame = passCount + 3;
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

#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace orv::app {

// What --stats reports after a played run: per shot, how many frames it
// showed, their median rate and the render scale it ended at (where the
// frame-rate target settled it) with the range it moved through; and the
// median rate over the whole run. Frames are kept in room reserved up front.
class PlayStats {
public:
    struct Shot {
        std::size_t frames = 0;
        double medianFps = 0.0;
        double lastScale = 0.0;
        double lowestScale = 0.0;
        double highestScale = 0.0;
    };

    PlayStats(std::size_t shots, std::size_t expectedFrames);

    // One shown frame of shot `shot` (counted from 0; later ones go to the
    // last) that took `seconds`, drawn at `scale`.
    void add(std::size_t shot, double seconds, double scale);

    std::size_t frames() const { return frames_.size(); }
    // 0 for a run or a shot without frames.
    double medianFps() const;
    Shot shot(std::size_t index) const;
    // One line per shot that showed frames, then the whole run.
    std::string table() const;

private:
    struct Frame {
        std::size_t shot;
        double seconds;
        double scale;
    };
    double medianFpsOf(std::size_t shot, bool allShots) const;

    std::size_t shots_;
    std::vector<Frame> frames_;
};

}  // namespace orv::app

#include "app/PlayStats.h"

#include <algorithm>
#include <cstdio>

namespace orv::app {

PlayStats::PlayStats(std::size_t shots, std::size_t expectedFrames) : shots_(std::max<std::size_t>(shots, 1))
{
    frames_.reserve(expectedFrames);
}

void PlayStats::add(std::size_t shot, double seconds, double scale)
{
    frames_.push_back({std::min(shot, shots_ - 1), seconds, scale});
}

double PlayStats::medianFpsOf(std::size_t shot, bool allShots) const
{
    std::vector<double> seconds;
    for (const Frame& frame : frames_) {
        if (allShots || frame.shot == shot)
            seconds.push_back(frame.seconds);
    }
    if (seconds.empty())
        return 0.0;
    const std::size_t middle = seconds.size() / 2;
    std::nth_element(seconds.begin(), seconds.begin() + static_cast<std::ptrdiff_t>(middle), seconds.end());
    double median = seconds[middle];
    if (seconds.size() % 2 == 0)
        median = (median + *std::max_element(seconds.begin(), seconds.begin() + static_cast<std::ptrdiff_t>(middle))) / 2.0;
    return median > 0.0 ? 1.0 / median : 0.0;
}

double PlayStats::medianFps() const { return medianFpsOf(0, true); }

PlayStats::Shot PlayStats::shot(std::size_t index) const
{
    Shot shot;
    for (const Frame& frame : frames_) {
        if (frame.shot != index)
            continue;
        shot.lowestScale = shot.frames == 0 ? frame.scale : std::min(shot.lowestScale, frame.scale);
        shot.highestScale = shot.frames == 0 ? frame.scale : std::max(shot.highestScale, frame.scale);
        shot.lastScale = frame.scale;
        ++shot.frames;
    }
    shot.medianFps = medianFpsOf(index, false);
    return shot;
}

std::string PlayStats::table() const
{
    std::string out = "shot  frames  median fps  scale at end  scale range\n";
    char line[96];
    for (std::size_t i = 0; i < shots_; ++i) {
        const Shot s = shot(i);
        if (s.frames == 0)
            continue;
        std::snprintf(line, sizeof(line), "%4zu  %6zu  %10.2f  %12.2f  %.2f - %.2f\n", i + 1, s.frames, s.medianFps,
                      s.lastScale, s.lowestScale, s.highestScale);
        out += line;
    }
    std::snprintf(line, sizeof(line), " all  %6zu  %10.2f\n", frames_.size(), medianFps());
    out += line;
    return out;
}

}  // namespace orv::app

#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace orv::test {

// RGBA8, bottom row first, as GL reads them.
using Picture = std::vector<std::uint8_t>;

// A PNG in GL's row order, or nothing when it is not a readable picture of that size.
Picture loadPicture(const std::filesystem::path& path, int width, int height);

// How far a frame is from a reference of the same size. A pixel is off when
// any of its R, G, B levels is more than offLevels away (alpha is ignored).
// A frame is within the golden tolerance while at most maxOffShare of its
// pixels are off and the mean absolute level difference over all RGB values
// stays within maxMeanLevels. Reruns on one machine are bit-identical; the
// slack is for another Mesa's rounding. A missing sky or a camera moved by
// 0.1 units breaks both limits several times over.
struct Difference {
    static constexpr int offLevels = 24;
    static constexpr double maxOffShare = 0.01;
    static constexpr double maxMeanLevels = 2.0;

    double offShare = 0.0;
    double meanLevels = 0.0;
    Picture image;  // |frame - reference| x 4

    bool withinGoldenTolerance() const { return offShare <= maxOffShare && meanLevels <= maxMeanLevels; }
};
Difference compare(const Picture& frame, const Picture& reference);

}  // namespace orv::test

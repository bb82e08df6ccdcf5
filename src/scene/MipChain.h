#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orv::scene {

// The smaller levels of an 8-bit image, made on the CPU the way GL's own
// mipmap generation makes them (each texel the linear filter of the level
// above at its centre: the 2 x 2 average where sizes halve evenly).
// Software GL drivers spend far longer on glGenerateMipmap, which renders
// every level, than this takes.
class MipChain {
public:
    struct Level {
        int width = 0;
        int height = 0;
        std::vector<std::uint8_t> pixels;  // tightly packed rows
    };

    // Levels 1 to the last (1 x 1) of a tightly packed image with 1 to 4
    // channels of 8 bits; empty for a 1 x 1 image.
    static std::vector<Level> build(const std::uint8_t* pixels, int width, int height, int channels);

    // One level from the one above it.
    static Level half(const std::uint8_t* pixels, int width, int height, int channels);
};

}  // namespace orv::scene

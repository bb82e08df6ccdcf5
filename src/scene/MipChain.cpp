#include "scene/MipChain.h"

#include <algorithm>
#include <cmath>

namespace orv::scene {

namespace {

// Where a destination texel's centre falls on the source axis, as the two
// source texels to blend and the weight of the second.
struct Tap {
    int first;
    int second;
    float weight;
};

std::vector<Tap> taps(int source, int destination)
{
    std::vector<Tap> result(static_cast<std::size_t>(destination));
    const float scale = static_cast<float>(source) / static_cast<float>(destination);
    for (int i = 0; i < destination; ++i) {
        const float at = (static_cast<float>(i) + 0.5f) * scale - 0.5f;
        const float floor = std::floor(at);
        const int first = static_cast<int>(floor);
        result[static_cast<std::size_t>(i)] = {std::clamp(first, 0, source - 1), std::clamp(first + 1, 0, source - 1),
                                               at - floor};
    }
    return result;
}

}  // namespace

MipChain::Level MipChain::half(const std::uint8_t* pixels, int width, int height, int channels)
{
    Level level;
    level.width = std::max(1, width / 2);
    level.height = std::max(1, height / 2);
    level.pixels.resize(static_cast<std::size_t>(level.width) * static_cast<std::size_t>(level.height) *
                        static_cast<std::size_t>(channels));
    if (width == 2 * level.width && height == 2 * level.height) {
        // Sizes that halve evenly: every texel blends its 2 x 2 block at
        // weight 0.5, which in integers is the same rounding per stage.
        const std::size_t rowBytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(channels);
        const std::size_t c = static_cast<std::size_t>(channels);
        std::uint8_t* out = level.pixels.data();
        for (int y = 0; y < level.height; ++y) {
            const std::uint8_t* top = pixels + static_cast<std::size_t>(2 * y) * rowBytes;
            const std::uint8_t* bottom = top + rowBytes;
            for (int x = 0; x < level.width; ++x, top += 2 * c, bottom += 2 * c) {
                for (std::size_t k = 0; k < c; ++k) {
                    const unsigned upper = (unsigned{top[k]} + top[k + c] + 1) >> 1;
                    const unsigned lower = (unsigned{bottom[k]} + bottom[k + c] + 1) >> 1;
                    *out++ = static_cast<std::uint8_t>((upper + lower + 1) >> 1);
                }
            }
        }
        return level;
    }
    const std::vector<Tap> across = taps(width, level.width);
    const std::vector<Tap> down = taps(height, level.height);
    const auto texel = [&](int x, int y, int c) {
        return static_cast<float>(
            pixels[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) *
                       static_cast<std::size_t>(channels) +
                   static_cast<std::size_t>(c)]);
    };
    std::uint8_t* out = level.pixels.data();
    for (const Tap& row : down) {
        for (const Tap& column : across) {
            for (int c = 0; c < channels; ++c) {
                const float top = std::floor(texel(column.first, row.first, c) * (1.0f - column.weight) +
                                  texel(column.second, row.first, c) * column.weight + 0.5f);
                const float bottom = std::floor(texel(column.first, row.second, c) * (1.0f - column.weight) +
                                     texel(column.second, row.second, c) * column.weight + 0.5f);
                const float value = top * (1.0f - row.weight) + bottom * row.weight;
                *out++ = static_cast<std::uint8_t>(std::clamp(value + 0.5f, 0.0f, 255.0f));
            }
        }
    }
    return level;
}

std::vector<MipChain::Level> MipChain::build(const std::uint8_t* pixels, int width, int height, int channels)
{
    std::vector<Level> levels;
    while (width > 1 || height > 1) {
        levels.push_back(half(pixels, width, height, channels));
        pixels = levels.back().pixels.data();
        width = levels.back().width;
        height = levels.back().height;
    }
    return levels;
}

}  // namespace orv::scene

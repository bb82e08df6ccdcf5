#include "support/Pictures.h"

#include <algorithm>
#include <cstdlib>

#include <IL/il.h>

namespace orv::test {

Picture loadPicture(const std::filesystem::path& path, int width, int height)
{
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    // PNG rows run top first; DevIL turns them over while loading.
    ilEnable(IL_ORIGIN_SET);
    ilOriginFunc(IL_ORIGIN_LOWER_LEFT);
    Picture pixels;
    if (ilLoadImage(path.c_str()) && ilConvertImage(IL_RGBA, IL_UNSIGNED_BYTE) &&
        ilGetInteger(IL_IMAGE_WIDTH) == width && ilGetInteger(IL_IMAGE_HEIGHT) == height) {
        pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
        ilCopyPixels(0, 0, 0, static_cast<ILuint>(width), static_cast<ILuint>(height), 1, IL_RGBA, IL_UNSIGNED_BYTE,
                     pixels.data());
    }
    ilDisable(IL_ORIGIN_SET);
    ilDeleteImages(1, &image);
    return pixels;
}

Difference compare(const Picture& frame, const Picture& reference)
{
    Difference d;
    d.image.assign(frame.size(), 255);
    if (frame.size() != reference.size() || frame.empty()) {
        d.offShare = 1.0;
        d.meanLevels = 255.0;
        return d;
    }
    std::size_t off = 0;
    double sum = 0.0;
    for (std::size_t p = 0; p < frame.size(); p += 4) {
        int largest = 0;
        for (std::size_t c = p; c < p + 3; ++c) {
            const int level = std::abs(frame[c] - reference[c]);
            largest = std::max(largest, level);
            sum += level;
            d.image[c] = static_cast<std::uint8_t>(std::min(255, level * 4));
        }
        off += largest > Difference::offLevels ? 1 : 0;
    }
    const double pixels = static_cast<double>(frame.size() / 4);
    d.offShare = static_cast<double>(off) / pixels;
    d.meanLevels = sum / (pixels * 3.0);
    return d;
}

}  // namespace orv::test

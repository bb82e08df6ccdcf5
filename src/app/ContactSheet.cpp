#include "app/ContactSheet.h"

#include <algorithm>
#include <array>

#include <IL/il.h>

namespace orv::app {

namespace {

constexpr int margin = 8;
constexpr int labelHeight = 20;
constexpr int glyphScale = 2;

// A 5 x 7 pixel font for the labels ("shot 2  12.4 s"): rows top first,
// bit 4 the leftmost pixel.
struct Glyph {
    char c;
    std::array<std::uint8_t, 7> rows;
};
constexpr Glyph glyphs[] = {
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}}, {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}}, {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}}, {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}}, {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}}, {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}}, {'s', {0x00, 0x00, 0x0E, 0x10, 0x0E, 0x01, 0x1E}},
    {'h', {0x10, 0x10, 0x16, 0x19, 0x11, 0x11, 0x11}}, {'o', {0x00, 0x00, 0x0E, 0x11, 0x11, 0x11, 0x0E}},
    {'t', {0x08, 0x08, 0x1C, 0x08, 0x08, 0x09, 0x06}},
};

const Glyph* glyphOf(char c)
{
    for (const Glyph& glyph : glyphs) {
        if (glyph.c == c)
            return &glyph;
    }
    return nullptr;  // drawn as a space
}

}  // namespace

ContactSheet::ContactSheet(int frameWidth, int frameHeight, int thumbnailWidth)
    : frameWidth_(frameWidth), frameHeight_(frameHeight), thumbWidth_(std::min(thumbnailWidth, frameWidth)),
      thumbHeight_(std::max(1, thumbWidth_ * frameHeight / std::max(frameWidth, 1))),
      sheetWidth_(columns * thumbWidth_ + (columns + 1) * margin)
{
}

void ContactSheet::add(const std::vector<std::uint8_t>& frame, const std::string& label)
{
    // Each thumbnail pixel averages the block of frame pixels it covers.
    std::vector<std::uint8_t> thumbnail(static_cast<std::size_t>(thumbWidth_) * thumbHeight_ * 4);
    for (int y = 0; y < thumbHeight_; ++y) {
        const int y0 = y * frameHeight_ / thumbHeight_;
        const int y1 = std::max(y0 + 1, (y + 1) * frameHeight_ / thumbHeight_);
        for (int x = 0; x < thumbWidth_; ++x) {
            const int x0 = x * frameWidth_ / thumbWidth_;
            const int x1 = std::max(x0 + 1, (x + 1) * frameWidth_ / thumbWidth_);
            std::array<unsigned, 4> sum{};
            for (int fy = y0; fy < y1; ++fy) {
                for (int fx = x0; fx < x1; ++fx) {
                    const std::size_t at = (static_cast<std::size_t>(fy) * frameWidth_ + fx) * 4;
                    for (int c = 0; c < 4; ++c)
                        sum[c] += frame[at + c];
                }
            }
            const unsigned count = static_cast<unsigned>((y1 - y0) * (x1 - x0));
            // Flipped here: the sheet is kept top row first.
            const std::size_t out = (static_cast<std::size_t>(thumbHeight_ - 1 - y) * thumbWidth_ + x) * 4;
            for (int c = 0; c < 3; ++c)
                thumbnail[out + c] = static_cast<std::uint8_t>(sum[c] / count);
            thumbnail[out + 3] = 255;
        }
    }
    thumbnails_.push_back(std::move(thumbnail));
    labels_.push_back(label);
}

int ContactSheet::height() const
{
    const int rows = std::max(1, (static_cast<int>(thumbnails_.size()) + columns - 1) / columns);
    return rows * (thumbHeight_ + labelHeight) + (rows + 1) * margin;
}

void ContactSheet::drawLabel(std::vector<std::uint8_t>& sheet, int x, int y, const std::string& text) const
{
    for (char c : text) {
        if (const Glyph* glyph = glyphOf(c)) {
            for (int row = 0; row < 7; ++row) {
                for (int column = 0; column < 5; ++column) {
                    if ((glyph->rows[row] >> (4 - column) & 1) == 0)
                        continue;
                    for (int dy = 0; dy < glyphScale; ++dy) {
                        for (int dx = 0; dx < glyphScale; ++dx) {
                            const int px = x + column * glyphScale + dx;
                            const int py = y + row * glyphScale + dy;
                            if (px < sheetWidth_ && py < height()) {
                                const std::size_t at = (static_cast<std::size_t>(py) * sheetWidth_ + px) * 4;
                                sheet[at] = sheet[at + 1] = sheet[at + 2] = 235;
                            }
                        }
                    }
                }
            }
        }
        x += 6 * glyphScale;
    }
}

std::vector<std::uint8_t> ContactSheet::pixels() const
{
    std::vector<std::uint8_t> sheet(static_cast<std::size_t>(sheetWidth_) * height() * 4);
    for (std::size_t i = 0; i < sheet.size(); i += 4) {
        sheet[i] = sheet[i + 1] = sheet[i + 2] = 24;
        sheet[i + 3] = 255;
    }
    for (std::size_t n = 0; n < thumbnails_.size(); ++n) {
        const int left = margin + static_cast<int>(n % columns) * (thumbWidth_ + margin);
        const int top = margin + static_cast<int>(n / columns) * (thumbHeight_ + labelHeight + margin);
        for (int y = 0; y < thumbHeight_; ++y) {
            std::copy_n(thumbnails_[n].begin() + static_cast<std::ptrdiff_t>(y) * thumbWidth_ * 4, thumbWidth_ * 4,
                        sheet.begin() + (static_cast<std::ptrdiff_t>(top + y) * sheetWidth_ + left) * 4);
        }
        drawLabel(sheet, left + 2, top + thumbHeight_ + 3, labels_[n]);
    }
    return sheet;
}

bool ContactSheet::save(const std::string& path) const
{
    std::vector<std::uint8_t> sheet = pixels();
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    ilTexImage(static_cast<ILuint>(sheetWidth_), static_cast<ILuint>(height()), 1, 4, IL_RGBA, IL_UNSIGNED_BYTE,
               sheet.data());
    ilRegisterOrigin(IL_ORIGIN_UPPER_LEFT);
    ilEnable(IL_FILE_OVERWRITE);
    const bool saved = ilSave(IL_PNG, path.c_str());
    ilDeleteImages(1, &image);
    return saved;
}

}  // namespace orv::app

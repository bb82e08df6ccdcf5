#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orv::app {

// One image with a labelled thumbnail of a frame of every shot, so the whole
// demo can be seen at a glance. Frames come in as GL reads them (RGBA,
// bottom row first).
class ContactSheet {
public:
    static constexpr int columns = 3;

    // Thumbnails are thumbnailWidth wide, keeping the frames' aspect.
    ContactSheet(int frameWidth, int frameHeight, int thumbnailWidth = 320);

    void add(const std::vector<std::uint8_t>& frame, const std::string& label);
    // Writes the sheet as a PNG file; false when it cannot be written.
    bool save(const std::string& path) const;

    int width() const { return sheetWidth_; }
    int height() const;
    // The sheet's pixels, RGBA, top row first.
    std::vector<std::uint8_t> pixels() const;

private:
    void drawLabel(std::vector<std::uint8_t>& sheet, int x, int y, const std::string& text) const;

    int frameWidth_;
    int frameHeight_;
    int thumbWidth_;
    int thumbHeight_;
    int sheetWidth_;
    std::vector<std::vector<std::uint8_t>> thumbnails_;  // RGBA, top row first
    std::vector<std::string> labels_;
};

}  // namespace orv::app

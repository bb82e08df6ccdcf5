#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace orv::dev {

// The timeline file as the overlay edits it: its text byte for byte, and
// where each number of the shots' key lists stands in it. An edit rewrites
// only that number's characters, so a saved file keeps the author's
// comments, layout and the spelling of every other number.
class TimelineEdits {
public:
    // The key lists of a shot that the overlay edits.
    enum class Curve { cameraVelocity, particleVelocity, diffuseFactor, lookAt };
    static constexpr std::array<Curve, 4> curves = {Curve::cameraVelocity, Curve::particleVelocity,
                                                    Curve::diffuseFactor, Curve::lookAt};
    // The list's name in the file.
    static const char* nameOf(Curve curve);

    // Reads the file; throws std::runtime_error naming it when it cannot be
    // read, and the YAML library's error when it does not parse.
    explicit TimelineEdits(std::string fileName);
    // The same over text given as the file's content.
    TimelineEdits(std::string fileName, std::string text);

    const std::string& fileName() const { return fileName_; }
    // The text with every edit made so far.
    const std::string& text() const { return text_; }
    // Whether the text differs from the file as last read or saved.
    bool unsaved() const { return text_ != saved_; }

    std::size_t shotCount() const { return numbers_.size(); }
    // One list of one shot, a row per key: [key, value], or [key, x, y, z]
    // for look_at. Empty when the shot has no such list.
    std::vector<std::vector<float>> keys(std::size_t shot, Curve curve) const;
    // Whether that number is in the file as a plain number the edit can rewrite.
    bool editable(std::size_t shot, Curve curve, std::size_t key, std::size_t column) const;
    // Writes value in place of that number. False (and nothing changes)
    // when there is no such editable number; true without a change when it
    // already reads as value.
    bool set(std::size_t shot, Curve curve, std::size_t key, std::size_t column, float value);

    // Writes the text into the file; throws std::runtime_error naming it on failure.
    void save();
    // Reads the file again, dropping unsaved edits. False (and the edits
    // kept) when it cannot be read or does not parse.
    bool reread();

    // The shortest text that reads back as value.
    static std::string format(float value);

private:
    struct Number {
        std::size_t offset = 0;
        std::size_t length = 0;  // 0: not a plain number in the text
        float value = 0.0f;
    };
    using Rows = std::vector<std::vector<Number>>;

    // Parses text_ and finds every number; the YAML library's errors propagate.
    void index();
    const Number* find(std::size_t shot, Curve curve, std::size_t key, std::size_t column) const;

    std::string fileName_;
    std::string text_;
    std::string saved_;
    std::vector<std::array<Rows, curves.size()>> numbers_;
};

}  // namespace orv::dev

#include "dev/TimelineEdits.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>
#include <stdexcept>

#include <yaml-cpp/yaml.h>

namespace orv::dev {

namespace {

std::string readFile(const std::string& fileName)
{
    std::ifstream in(fileName, std::ios::binary);
    if (!in)
        throw std::runtime_error(fileName + ": cannot be read");
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

}  // namespace

const char* TimelineEdits::nameOf(Curve curve)
{
    switch (curve) {
    case Curve::cameraVelocity:
        return "camera_velocity";
    case Curve::particleVelocity:
        return "particle_velocity";
    case Curve::diffuseFactor:
        return "diffuse_factor";
    case Curve::lookAt:
        return "look_at";
    }
    return "";
}

TimelineEdits::TimelineEdits(std::string fileName) : TimelineEdits(fileName, readFile(fileName)) {}

TimelineEdits::TimelineEdits(std::string fileName, std::string text)
    : fileName_(std::move(fileName)), text_(std::move(text)), saved_(text_)
{
    index();
}

void TimelineEdits::index()
{
    const YAML::Node document = YAML::Load(text_);
    // The library's marks count lines and bytes within them.
    std::vector<std::size_t> lineStarts{0};
    for (std::size_t i = 0; i < text_.size(); ++i) {
        if (text_[i] == '\n')
            lineStarts.push_back(i + 1);
    }
    std::vector<std::array<Rows, curves.size()>> numbers;
    const YAML::Node shots = document["shots"];
    if (shots && shots.IsSequence()) {
        for (const YAML::Node& shot : shots) {
            auto& lists = numbers.emplace_back();
            if (!shot.IsMap())
                continue;
            for (std::size_t c = 0; c < curves.size(); ++c) {
                const YAML::Node list = shot[nameOf(curves[c])];
                if (!list || !list.IsSequence())
                    continue;
                for (const YAML::Node& entry : list) {
                    auto& row = lists[c].emplace_back();
                    if (!entry.IsSequence())
                        continue;
                    for (const YAML::Node& item : entry) {
                        Number& number = row.emplace_back();
                        if (!item.IsScalar())
                            continue;
                        const std::string& scalar = item.Scalar();
                        float value = std::numeric_limits<float>::quiet_NaN();
                        if (!YAML::convert<float>::decode(item, value))
                            continue;
                        number.value = value;
                        const YAML::Mark mark = item.Mark();
                        if (mark.line < 0 || static_cast<std::size_t>(mark.line) >= lineStarts.size())
                            continue;
                        const std::size_t offset = lineStarts[static_cast<std::size_t>(mark.line)] +
                                                   static_cast<std::size_t>(mark.column);
                        // A quoted number's text is not its value's: it is shown, not rewritten.
                        if (!scalar.empty() && text_.compare(offset, scalar.size(), scalar) == 0) {
                            number.offset = offset;
                            number.length = scalar.size();
                        }
                    }
                }
            }
        }
    }
    numbers_ = std::move(numbers);
}

std::vector<std::vector<float>> TimelineEdits::keys(std::size_t shot, Curve curve) const
{
    std::vector<std::vector<float>> rows;
    if (shot >= numbers_.size())
        return rows;
    for (const auto& row : numbers_[shot][static_cast<std::size_t>(curve)]) {
        auto& values = rows.emplace_back();
        for (const Number& number : row)
            values.push_back(number.value);
    }
    return rows;
}

const TimelineEdits::Number* TimelineEdits::find(std::size_t shot, Curve curve, std::size_t key,
                                                 std::size_t column) const
{
    if (shot >= numbers_.size())
        return nullptr;
    const Rows& rows = numbers_[shot][static_cast<std::size_t>(curve)];
    if (key >= rows.size() || column >= rows[key].size())
        return nullptr;
    return &rows[key][column];
}

bool TimelineEdits::editable(std::size_t shot, Curve curve, std::size_t key, std::size_t column) const
{
    const Number* number = find(shot, curve, key, column);
    return number != nullptr && number->length > 0;
}

bool TimelineEdits::set(std::size_t shot, Curve curve, std::size_t key, std::size_t column, float value)
{
    const Number* number = find(shot, curve, key, column);
    if (number == nullptr || number->length == 0 || !std::isfinite(value))
        return false;
    // "0.50" stays as it is written when the value is the same.
    if (number->value == value)
        return true;
    text_.replace(number->offset, number->length, format(value));
    index();
    return true;
}

void TimelineEdits::save()
{
    std::ofstream out(fileName_, std::ios::binary | std::ios::trunc);
    out << text_;
    out.close();
    if (!out)
        throw std::runtime_error(fileName_ + ": cannot be written");
    saved_ = text_;
}

bool TimelineEdits::reread()
{
    const std::string previous = text_;
    try {
        text_ = readFile(fileName_);
        index();
    } catch (const std::exception&) {
        text_ = previous;
        index();
        return false;
    }
    saved_ = text_;
    return true;
}

std::string TimelineEdits::format(float value)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof(text), value);
    return std::string(text, result.ptr);
}

}  // namespace orv::dev

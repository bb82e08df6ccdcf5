#include <charconv>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>

#include <gtest/gtest.h>
#include <yaml-cpp/yaml.h>

#include "dev/TimelineEdits.h"
#include "support/Scratch.h"

namespace {

using orv::dev::TimelineEdits;
using Curve = TimelineEdits::Curve;

std::string slurp(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Where two texts first and last differ: [from, to) in a, [from, toB) in b.
struct Difference {
    std::size_t from = 0;
    std::size_t to = 0;
    std::size_t toB = 0;
};
Difference differenceOf(const std::string& a, const std::string& b)
{
    Difference d;
    while (d.from < a.size() && d.from < b.size() && a[d.from] == b[d.from])
        ++d.from;
    std::size_t tail = 0;
    while (tail < a.size() - d.from && tail < b.size() - d.from && a[a.size() - 1 - tail] == b[b.size() - 1 - tail])
        ++tail;
    d.to = a.size() - tail;
    d.toB = b.size() - tail;
    return d;
}

// A hand-written timeline the way authors leave them: comments (one with
// characters beyond ASCII), Windows line ends, a block list, numbers
// spelled long, a quoted number, and keys the overlay does not edit.
const std::string handWritten =
    "# Shots — written by hand, ünd kept as they are\r\n"
    "shots:\r\n"
    "  - camera_velocity: [[0, 1.50], [ 0.5 ,2.0],   [1, 1.5]]  # speeds\r\n"
    "    particle_velocity:\r\n"
    "      - [0, 2]\r\n"
    "      - [1, \"3\"]\r\n"
    "    look_at: [[0, -5, 9, 21], [1, 0, 0, 0]]\r\n"
    "    inactive_targets: [bloom]\r\n"
    "  - camera_velocity: [[0, 1], [1, 1e-1]]\r\n"
    "    particle_velocity: [[0, 2], [1, 2]]\r\n"
    "    diffuse_factor: [[0, .5], [1, 0.50]]\r\n";

// Every edit rewrites exactly the characters of its number, as the
// shortest text that reads back as the value; the lists read back with
// the new value and every other value as it was; a value that already
// reads as the number leaves its spelling; what is not a plain number or
// not there is refused without a change.
TEST(TimelineEdits, AnEditRewritesOnlyThatNumbersCharacters)
{
    TimelineEdits edits("config/timeline.yaml", handWritten);
    ASSERT_EQ(edits.shotCount(), 2u);
    EXPECT_EQ(edits.keys(0, Curve::cameraVelocity), (std::vector<std::vector<float>>{{0, 1.5f}, {0.5f, 2}, {1, 1.5f}}));
    EXPECT_EQ(edits.keys(0, Curve::lookAt), (std::vector<std::vector<float>>{{0, -5, 9, 21}, {1, 0, 0, 0}}));
    EXPECT_TRUE(edits.keys(0, Curve::diffuseFactor).empty());
    EXPECT_EQ(edits.keys(1, Curve::diffuseFactor), (std::vector<std::vector<float>>{{0, 0.5f}, {1, 0.5f}}));
    EXPECT_FALSE(edits.unsaved());

    // (shot, list, key, column, new value, the text it had)
    struct Case {
        std::size_t shot;
        Curve curve;
        std::size_t key;
        std::size_t column;
        float value;
        std::string before;
    };
    const Case cases[] = {
        {0, Curve::cameraVelocity, 0, 1, 2.25f, "1.50"},  {0, Curve::cameraVelocity, 1, 0, 0.45f, "0.5"},
        {0, Curve::particleVelocity, 0, 1, 0.1f, "2"},    {0, Curve::lookAt, 0, 3, -21.5f, "21"},
        {0, Curve::lookAt, 1, 2, 6.2f, "0"},              {1, Curve::cameraVelocity, 1, 1, 0.125f, "1e-1"},
        {1, Curve::diffuseFactor, 0, 1, 0.05f, ".5"},     {1, Curve::diffuseFactor, 1, 1, 1234567.0f, "0.50"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(TimelineEdits::nameOf(c.curve)) + " of shot " + std::to_string(c.shot + 1) +
                     ", key " + std::to_string(c.key) + ", column " + std::to_string(c.column));
        const std::string before = edits.text();
        auto expected = std::vector{edits.keys(0, Curve::cameraVelocity), edits.keys(0, Curve::particleVelocity),
                                    edits.keys(0, Curve::lookAt), edits.keys(1, Curve::cameraVelocity),
                                    edits.keys(1, Curve::diffuseFactor)};
        ASSERT_TRUE(edits.set(c.shot, c.curve, c.key, c.column, c.value));
        const Difference d = differenceOf(before, edits.text());
        EXPECT_EQ(before.substr(d.from, d.to - d.from).find_first_not_of(c.before), std::string::npos);
        // The changed span lies within the number (a shared first or last digit may stay).
        const std::size_t at = before.rfind(c.before, d.from + c.before.size() - 1);
        ASSERT_NE(at, std::string::npos);
        EXPECT_LE(at, d.from);
        EXPECT_LE(d.to, at + c.before.size());
        EXPECT_EQ(edits.text().substr(at, d.toB - at + (at + c.before.size() - d.to)), TimelineEdits::format(c.value));
        // Everything still reads, with only that value new.
        const std::size_t list = c.shot == 0 ? (c.curve == Curve::cameraVelocity     ? 0
                                                : c.curve == Curve::particleVelocity ? 1
                                                                                     : 2)
                                             : (c.curve == Curve::cameraVelocity ? 3 : 4);
        expected[list][c.key][c.column] = c.value;
        EXPECT_EQ(edits.keys(0, Curve::cameraVelocity), expected[0]);
        EXPECT_EQ(edits.keys(0, Curve::particleVelocity), expected[1]);
        EXPECT_EQ(edits.keys(0, Curve::lookAt), expected[2]);
        EXPECT_EQ(edits.keys(1, Curve::cameraVelocity), expected[3]);
        EXPECT_EQ(edits.keys(1, Curve::diffuseFactor), expected[4]);
    }
    EXPECT_TRUE(edits.unsaved());
    EXPECT_NE(edits.text().find("# Shots — written by hand, ünd kept as they are\r\n"), std::string::npos);
    EXPECT_EQ(YAML::Load(edits.text())["shots"][0]["inactive_targets"][0].as<std::string>(), "bloom");

    // Already that value: the author's spelling stays.
    TimelineEdits same("config/timeline.yaml", handWritten);
    EXPECT_TRUE(same.set(1, Curve::diffuseFactor, 1, 1, 0.5f));
    EXPECT_EQ(same.text(), handWritten);
    EXPECT_FALSE(same.unsaved());
    // A quoted number, a missing key, column, list or shot, a value the file cannot hold.
    EXPECT_EQ(same.keys(0, Curve::particleVelocity)[1][1], 3.0f);
    EXPECT_FALSE(same.editable(0, Curve::particleVelocity, 1, 1));
    EXPECT_FALSE(same.set(0, Curve::particleVelocity, 1, 1, 4.0f));
    EXPECT_FALSE(same.set(0, Curve::cameraVelocity, 3, 1, 4.0f));
    EXPECT_FALSE(same.set(0, Curve::cameraVelocity, 0, 2, 4.0f));
    EXPECT_FALSE(same.set(0, Curve::diffuseFactor, 0, 1, 4.0f));
    EXPECT_FALSE(same.set(2, Curve::cameraVelocity, 0, 1, 4.0f));
    EXPECT_FALSE(same.set(0, Curve::cameraVelocity, 0, 1, std::numeric_limits<float>::infinity()));
    EXPECT_EQ(same.text(), handWritten);
}

// Every number of the bundled demo's timeline can be edited on its own:
// the file then differs in that number's characters alone and reads back
// with that one value changed.
TEST(TimelineEdits, EveryNumberOfTheBundledTimelineEditsInPlace)
{
    const std::string original = slurp(ORV_SOURCE_DIR "/demo/config/timeline.yaml");
    const TimelineEdits reference("config/timeline.yaml", original);
    ASSERT_GE(reference.shotCount(), 5u);
    std::size_t edited = 0;
    for (std::size_t shot = 0; shot < reference.shotCount(); ++shot) {
        for (const Curve curve : TimelineEdits::curves) {
            const auto rows = reference.keys(shot, curve);
            for (std::size_t key = 0; key < rows.size(); ++key) {
                for (std::size_t column = 0; column < rows[key].size(); ++column) {
                    TimelineEdits edits("config/timeline.yaml", original);
                    const float value = rows[key][column] + 0.375f;
                    ASSERT_TRUE(edits.set(shot, curve, key, column, value));
                    const Difference d = differenceOf(original, edits.text());
                    // The changed bytes are digits, signs and points only.
                    EXPECT_EQ(original.substr(d.from, d.to - d.from).find_first_not_of("0123456789.-e"),
                              std::string::npos);
                    EXPECT_EQ(edits.text().substr(d.from, d.toB - d.from).find_first_not_of("0123456789.-e"),
                              std::string::npos);
                    auto expected = rows;
                    expected[key][column] = value;
                    EXPECT_EQ(edits.keys(shot, curve), expected);
                    ++edited;
                }
            }
        }
    }
    EXPECT_GT(edited, 80u);
}

// Saving writes the text byte for byte; reading the file again drops
// edits that were not saved; a file that no longer parses keeps them.
TEST(TimelineEdits, SaveAndRereadFollowTheFile)
{
    orv::test::ScratchDir dir;
    const auto file = (dir.path() / "timeline.yaml").string();
    std::ofstream(file, std::ios::binary) << handWritten;

    TimelineEdits edits(file);
    ASSERT_TRUE(edits.set(0, Curve::cameraVelocity, 2, 1, 1.75f));
    const std::string edited = edits.text();
    edits.save();
    EXPECT_FALSE(edits.unsaved());
    EXPECT_EQ(slurp(file), edited);

    ASSERT_TRUE(edits.set(0, Curve::cameraVelocity, 2, 1, 1.0f));
    EXPECT_TRUE(edits.reread());
    EXPECT_EQ(edits.text(), edited);
    EXPECT_EQ(edits.keys(0, Curve::cameraVelocity)[2][1], 1.75f);

    ASSERT_TRUE(edits.set(0, Curve::cameraVelocity, 2, 1, 1.0f));
    std::ofstream(file, std::ios::binary) << "shots: [unclosed\n";
    EXPECT_FALSE(edits.reread());
    EXPECT_EQ(edits.keys(0, Curve::cameraVelocity)[2][1], 1.0f);

    EXPECT_THROW(TimelineEdits((dir.path() / "absent.yaml").string()), std::runtime_error);
}

// The shortest text that reads back as the same float.
TEST(TimelineEdits, NumbersAreWrittenShortAndReadBackExactly)
{
    EXPECT_EQ(TimelineEdits::format(2.0f), "2");
    EXPECT_EQ(TimelineEdits::format(0.1f), "0.1");
    EXPECT_EQ(TimelineEdits::format(-1.519f), "-1.519");
    for (const float value : {0.3f, 1.0f / 3.0f, 1e-7f, 123456.79f, -0.0f, 6.2f}) {
        const std::string text = TimelineEdits::format(value);
        EXPECT_EQ(YAML::Load(text).as<float>(), value) << text;
    }
}

}  // namespace

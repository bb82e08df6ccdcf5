#include "audio/Mp3Decoder.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include "TrackFile.h"

namespace orv::audio {
namespace {

using test::musicTrackChannels;
using test::musicTrackFrames;
using test::musicTrackRate;

// One channel of interleaved samples, as numbers.
std::vector<double> channelOf(const Pcm& pcm, int channel)
{
    std::vector<double> out;
    for (std::size_t frame = 0; frame < pcm.frames(); ++frame) {
        out.push_back(pcm.samples[frame * pcm.channels + channel]);
    }
    return out;
}

double rms(const std::vector<double>& x, std::size_t begin, std::size_t end)
{
    double sum = 0.0;
    for (std::size_t i = begin; i < end; ++i) {
        sum += x[i] * x[i];
    }
    return std::sqrt(sum / static_cast<double>(end - begin));
}

double percentile(std::vector<double> values, double fraction)
{
    auto at = values.begin() + static_cast<long>(fraction * static_cast<double>(values.size() - 1));
    std::nth_element(values.begin(), at, values.end());
    return *at;
}

// Absolute first (order 1) or second (order 2) differences around the loop:
// the last entries straddle the seam, from the end back to the start.
std::vector<double> loopDifferences(const std::vector<double>& x, int order)
{
    const std::size_t n = x.size();
    std::vector<double> out;
    for (std::size_t i = 0; i < n; ++i) {
        double a = x[i];
        double b = x[(i + 1) % n];
        double c = x[(i + 2) % n];
        out.push_back(order == 1 ? std::abs(b - a) : std::abs(c - 2.0 * b + a));
    }
    return out;
}

class MusicTrack : public testing::Test {
protected:
    static void SetUpTestSuite() { pcm_ = decodeMp3(test::readBytes(test::musicTrackPath())); }
    static Pcm pcm_;
};

Pcm MusicTrack::pcm_;

TEST_F(MusicTrack, DecodesToTheGeneratedLengthAndFormat)
{
    EXPECT_EQ(pcm_.rate, musicTrackRate);
    EXPECT_EQ(pcm_.channels, musicTrackChannels);
    // Gapless decoding: the encoder's delay and padding are gone, so the
    // length is the generated one, give or take a sample.
    EXPECT_NEAR(static_cast<double>(pcm_.frames()), static_cast<double>(musicTrackFrames), 1.0);
}

TEST_F(MusicTrack, IsAudibleAndNeverClips)
{
    for (int channel = 0; channel < pcm_.channels; ++channel) {
        std::vector<double> x = channelOf(pcm_, channel);
        EXPECT_GT(rms(x, 0, x.size()), 0.05 * 32768.0) << "channel " << channel;
        int run = 0;
        int longestRun = 0;
        for (double s : x) {
            run = std::abs(s) >= 32766.0 ? run + 1 : 0;
            longestRun = std::max(longestRun, run);
        }
        EXPECT_LT(longestRun, 2) << "channel " << channel << " sits at full scale";
    }
}

TEST_F(MusicTrack, LoopsWithoutGapOrClick)
{
    const std::size_t n = pcm_.frames();
    const std::size_t fiftyMs = static_cast<std::size_t>(musicTrackRate / 20);
    for (int channel = 0; channel < pcm_.channels; ++channel) {
        SCOPED_TRACE(testing::Message() << "channel " << channel);
        std::vector<double> x = channelOf(pcm_, channel);
        double overall = rms(x, 0, n);
        // Silence at either end would be heard as a gap on every repeat.
        EXPECT_GT(rms(x, 0, fiftyMs), 0.2 * overall);
        EXPECT_GT(rms(x, n - fiftyMs, n), 0.2 * overall);
        // A step or a kink where the end meets the start would be a click:
        // the seam must look like any ordinary pair of neighbours.
        for (int order : {1, 2}) {
            std::vector<double> d = loopDifferences(x, order);
            double typical = percentile(d, 0.99);
            EXPECT_LE(d[n - 1], typical) << "difference of order " << order << " across the seam";
            if (order == 2) {
                EXPECT_LE(d[n - 2], typical) << "difference of order 2 just before the seam";
            }
        }
    }
}

TEST(Mp3Decoder, TruncatedStreamDecodesWhatIsThere)
{
    std::vector<unsigned char> bytes = test::readBytes(test::musicTrackPath());
    bytes.resize(bytes.size() / 2);
    Pcm pcm = decodeMp3(bytes);
    EXPECT_EQ(pcm.channels, musicTrackChannels);
    EXPECT_GT(pcm.frames(), static_cast<std::size_t>(musicTrackFrames / 3));
    EXPECT_LT(pcm.frames(), static_cast<std::size_t>(musicTrackFrames * 2 / 3));
}

TEST(Mp3Decoder, RejectsDataWithoutMp3Audio)
{
    EXPECT_THROW(decodeMp3({}), std::runtime_error);
    std::vector<unsigned char> text(4096);
    for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<unsigned char>("not an mp3 file\n"[i % 16]);
    }
    EXPECT_THROW(decodeMp3(text), std::runtime_error);
    // Bytes of every value, sync patterns included, in a fixed pseudo-random order.
    std::vector<unsigned char> noise(64 * 1024);
    unsigned state = 12345u;
    for (auto& b : noise) {
        state = state * 1103515245u + 12345u;
        b = static_cast<unsigned char>(state >> 16);
    }
    EXPECT_THROW(decodeMp3(noise), std::runtime_error);
}

TEST(Mp3Decoder, DownmixAveragesTheChannels)
{
    Pcm stereo{22050, 2, {100, 300, -32768, -32768, 32767, -32768}};
    Pcm mono = downmixToMono(stereo);
    EXPECT_EQ(mono.rate, 22050);
    EXPECT_EQ(mono.channels, 1);
    EXPECT_EQ(mono.samples, (std::vector<std::int16_t>{200, -32768, 0}));
}

}  // namespace
}  // namespace orv::audio

#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orv::audio {

// Interleaved signed 16-bit samples.
struct Pcm {
    int rate = 0;
    int channels = 0;
    std::vector<std::int16_t> samples;

    std::size_t frames() const { return channels > 0 ? samples.size() / channels : 0; }
};

// Decodes a whole MP3 stream held in memory. Gapless decoding is on, so the
// encoder's delay and padding are cut off and a loop made for it stays
// sample-exact. Throws std::runtime_error saying what is wrong when the data
// holds no MP3 audio; the caller adds the file name.
Pcm decodeMp3(const std::vector<unsigned char>& data);

// The same samples with both channels averaged into one.
Pcm downmixToMono(const Pcm& pcm);

}  // namespace orv::audio

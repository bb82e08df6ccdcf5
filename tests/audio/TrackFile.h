#pragma once

#include <string>
#include <vector>

namespace orv::test {

// The demo's music track in the repository, and what tools/make_music.py made
// it: stereo at 44.1 kHz, as long as the demo's shots: 34 bars of 2.5 s.
const std::string& musicTrackPath();
constexpr int musicTrackRate = 44100;
constexpr int musicTrackChannels = 2;
constexpr long musicTrackFrames = 34L * 5L * musicTrackRate / 2L;

std::vector<unsigned char> readBytes(const std::string& path);

}  // namespace orv::test

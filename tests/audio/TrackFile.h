#pragma once

#include <string>
#include <vector>

namespace orv::test {

// The demo's music loop in the repository, and what tools/make_music.py made
// it: 12 s of stereo at 44.1 kHz.
const std::string& musicTrackPath();
constexpr int musicTrackRate = 44100;
constexpr int musicTrackChannels = 2;
constexpr long musicTrackFrames = 12L * musicTrackRate;

std::vector<unsigned char> readBytes(const std::string& path);

}  // namespace orv::test

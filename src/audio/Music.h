#pragma once

#include <string>

#include "audio/Channel.h"
#include "audio/Sound.h"
#include "audio/System.h"

namespace orv::audio {

// What startMusic made; null where a step failed. Nothing here is ever
// released: the music plays until the process ends.
struct Music {
    System* system = nullptr;
    Sound* sound = nullptr;
    Channel* channel = nullptr;
};

// Starts the given MP3 file looping on the master channel group as a 3D sound
// at the listener's position, and writes "fmod initialised successfully" on
// standard output once the audio system exists. Without an audio device or
// with a missing or broken file the program goes on in silence after one line
// on standard error. Playback starts `atSeconds` into the track (wrapped by
// its length), where the demo starts.
Music startMusic(const std::string& path, double atSeconds = 0.0);

}  // namespace orv::audio

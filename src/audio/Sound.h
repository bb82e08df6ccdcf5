#pragma once

#include <AL/al.h>
#include <AL/alc.h>

#include "audio/Result.h"

namespace orv::audio {

// Mode flags of a sound; combine them with |.
using Mode = unsigned;
constexpr Mode modeDefault = 0x0;     // the same as modeLoopOff | mode2D
constexpr Mode modeLoopOff = 0x1;     // plays once
constexpr Mode modeLoopNormal = 0x2;  // repeats from the start, sample-exact, until stopped
constexpr Mode mode2D = 0x8;          // plays as recorded, not placed in space
constexpr Mode mode3D = 0x10;         // placed in space: heard from its position, fading with distance

// A whole decoded sound in one audio buffer. The System creates and owns it.
class Sound {
public:
    Sound(ALCcontext* context, ALuint buffer, Mode mode);
    ~Sound();
    Sound(const Sound&) = delete;
    Sound& operator=(const Sound&) = delete;

    // Sets how channels played from now on repeat (modeLoopOff or
    // modeLoopNormal). Channels already playing keep their loop setting. The
    // 2D/3D choice is made when the sound is created; naming the other one
    // here is an invalid parameter.
    Result setMode(Mode mode);

    Mode mode() const { return mode_; }
    bool is3D() const { return (mode_ & mode3D) != 0; }
    bool loops() const { return (mode_ & modeLoopNormal) != 0; }
    ALuint buffer() const { return buffer_; }

private:
    ALCcontext* context_;
    ALuint buffer_;
    Mode mode_;
};

}  // namespace orv::audio

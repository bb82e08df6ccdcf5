#pragma once

#include <AL/al.h>
#include <AL/alc.h>

#include "audio/Result.h"

namespace orv::audio {

// One playing instance of a sound: an audio source. The System creates and
// owns it.
class Channel {
public:
    Channel(ALCcontext* context, ALuint source);
    ~Channel();
    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;

    // Pauses, or resumes where it was paused. Resuming a channel that is
    // already playing changes nothing (it does not restart), and a channel
    // that has played to its end stays finished.
    Result setPaused(bool paused);
    // Whether the channel is paused (false too once it has finished).
    bool paused() const;

    // Moves playback to a time in seconds, wrapped by the sound's length
    // (the music loops, and the demo clock runs past its end). A paused
    // channel stays paused and resumes from there.
    Result setPosition(double seconds);
    // Where playback is, in seconds from the sound's start.
    double position() const;
    // The length of the sound playing, in seconds; 0 when there is none.
    double length() const;

    ALuint source() const { return source_; }

private:
    ALCcontext* context_;
    ALuint source_;
};

}  // namespace orv::audio

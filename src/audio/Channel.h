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

    ALuint source() const { return source_; }

private:
    ALCcontext* context_;
    ALuint source_;
};

}  // namespace orv::audio

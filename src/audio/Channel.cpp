#include "audio/Channel.h"

namespace orv::audio {

Channel::Channel(ALCcontext* context, ALuint source) : context_(context), source_(source) {}

Channel::~Channel()
{
    alcMakeContextCurrent(context_);
    alSourceStop(source_);
    alDeleteSources(1, &source_);
}

Result Channel::setPaused(bool paused)
{
    alcMakeContextCurrent(context_);
    alGetError();  // forget errors that are not this call's
    ALint state = AL_STOPPED;
    alGetSourcei(source_, AL_SOURCE_STATE, &state);
    if (paused && state == AL_PLAYING) {
        alSourcePause(source_);
    } else if (!paused && (state == AL_PAUSED || state == AL_INITIAL)) {
        alSourcePlay(source_);
    }
    return alGetError() == AL_NO_ERROR ? Result::ok : Result::errOutput;
}

}  // namespace orv::audio

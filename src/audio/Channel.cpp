#include "audio/Channel.h"

#include <algorithm>
#include <cmath>

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

bool Channel::paused() const
{
    alcMakeContextCurrent(context_);
    ALint state = AL_STOPPED;
    alGetSourcei(source_, AL_SOURCE_STATE, &state);
    return state == AL_PAUSED;
}

double Channel::length() const
{
    alcMakeContextCurrent(context_);
    ALint buffer = 0;
    alGetSourcei(source_, AL_BUFFER, &buffer);
    ALint bytes = 0, channels = 0, bits = 0, frequency = 0;
    const auto name = static_cast<ALuint>(buffer);
    alGetBufferi(name, AL_SIZE, &bytes);
    alGetBufferi(name, AL_CHANNELS, &channels);
    alGetBufferi(name, AL_BITS, &bits);
    alGetBufferi(name, AL_FREQUENCY, &frequency);
    if (buffer == 0 || channels <= 0 || bits <= 0 || frequency <= 0)
        return 0.0;
    const double frames = static_cast<double>(bytes) / (channels * (bits / 8));
    return frames / frequency;
}

Result Channel::setPosition(double seconds)
{
    const double total = length();
    alcMakeContextCurrent(context_);
    alGetError();  // forget errors that are not this call's
    const double wrapped = total > 0.0 ? std::fmod(std::max(seconds, 0.0), total) : 0.0;
    alSourcef(source_, AL_SEC_OFFSET, static_cast<ALfloat>(wrapped));
    return alGetError() == AL_NO_ERROR ? Result::ok : Result::errOutput;
}

double Channel::position() const
{
    alcMakeContextCurrent(context_);
    ALfloat seconds = 0.0f;
    alGetSourcef(source_, AL_SEC_OFFSET, &seconds);
    return seconds;
}

}  // namespace orv::audio

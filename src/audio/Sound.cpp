#include "audio/Sound.h"

namespace orv::audio {

Sound::Sound(ALCcontext* context, ALuint buffer, Mode mode) : context_(context), buffer_(buffer), mode_(mode) {}

Sound::~Sound()
{
    alcMakeContextCurrent(context_);
    alDeleteBuffers(1, &buffer_);
}

Result Sound::setMode(Mode mode)
{
    constexpr Mode loopBits = modeLoopOff | modeLoopNormal;
    constexpr Mode placeBits = mode2D | mode3D;
    Mode loop = mode & loopBits;
    Mode place = mode & placeBits;
    if ((mode & ~(loopBits | placeBits)) != 0 || loop == loopBits || (place != 0 && place != (mode_ & placeBits))) {
        return Result::errInvalidParam;
    }
    if (loop != 0) {
        mode_ = (mode_ & ~loopBits) | loop;
    }
    return Result::ok;
}

}  // namespace orv::audio

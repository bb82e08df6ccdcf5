#include "audio/System.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <limits>
#include <stdexcept>

#include <fcntl.h>
#include <unistd.h>

#include <AL/al.h>

#include "audio/Mp3Decoder.h"

namespace orv::audio {

namespace {

constexpr int channelLimit = 4095;
constexpr float speedOfSound = 343.3f;  // metres per second
constexpr float minDistance = 1.0f;     // 3D sounds are at full volume within this
constexpr float maxDistance = 10000.0f;

// ALSA and OpenAL describe a missing sound card on standard error in many
// lines of their own; init says it in one. Standard error goes to /dev/null
// for as long as this object lives.
class QuietStandardError {
public:
    QuietStandardError()
    {
        std::fflush(stderr);
        saved_ = dup(STDERR_FILENO);
        int null = saved_ >= 0 ? open("/dev/null", O_WRONLY) : -1;
        if (null >= 0) {
            dup2(null, STDERR_FILENO);
            close(null);
        }
    }
    ~QuietStandardError()
    {
        if (saved_ >= 0) {
            dup2(saved_, STDERR_FILENO);
            close(saved_);
        }
    }
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

private:
    int saved_ = -1;
};

// Systems never released are closed when the process ends; left open, the
// audio library would report them on standard error as it unloads.
class OpenSystems {
public:
    OpenSystems() = default;
    ~OpenSystems()
    {
        while (!systems_.empty()) {
            systems_.back()->release();  // removes itself
        }
    }
    OpenSystems(const OpenSystems&) = delete;
    OpenSystems& operator=(const OpenSystems&) = delete;

    void add(System* system) { systems_.push_back(system); }
    void remove(System* system) { std::erase(systems_, system); }

private:
    std::vector<System*> systems_;
};

OpenSystems& openSystems()
{
    static OpenSystems systems;
    return systems;
}

// istream::read, unlike a stream buffer iterator, turns a read error (a
// folder given as a file, say) into badbit instead of an exception.
bool readFile(const std::string& path, std::vector<unsigned char>* bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::vector<char> chunk(64 * 1024);
    while (in.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || in.gcount() > 0) {
        bytes->insert(bytes->end(), chunk.begin(), chunk.begin() + in.gcount());
    }
    return !in.bad();
}

}  // namespace

Result System::create(System** system)
{
    if (system == nullptr) {
        return Result::errInvalidParam;
    }
    *system = new System();
    openSystems().add(*system);
    return Result::ok;
}

System::~System()
{
    openSystems().remove(this);
    channels_.clear();  // before the sounds: a buffer cannot go while a source holds it
    sounds_.clear();
    if (context_ != nullptr) {
        alcMakeContextCurrent(nullptr);
        alcDestroyContext(context_);
    }
    if (device_ != nullptr) {
        alcCloseDevice(device_);
    }
}

Result System::release()
{
    delete this;
    return Result::ok;
}

Result System::init(int maxChannels, InitFlags flags, void* /*extraDriverData*/)
{
    if (state_ == State::ready) {
        return Result::errInitialized;
    }
    if (state_ == State::silent) {
        return Result::errOutputInit;
    }
    if (maxChannels < 1 || maxChannels > channelLimit || flags != initNormal) {
        return Result::errInvalidParam;
    }

    std::string failure;
    {
        QuietStandardError quiet;
        device_ = alcOpenDevice(nullptr);
        if (device_ == nullptr) {
            failure = "no output device can be opened";
        } else {
            context_ = alcCreateContext(device_, nullptr);
            if (context_ == nullptr || alcMakeContextCurrent(context_) != ALC_TRUE) {
                failure = std::string("the output device refuses a context: ") +
                          alcGetString(device_, alcGetError(device_));
            }
        }
    }
    if (!failure.empty()) {
        if (context_ != nullptr) {
            alcDestroyContext(context_);
            context_ = nullptr;
        }
        if (device_ != nullptr) {
            alcCloseDevice(device_);
            device_ = nullptr;
        }
        state_ = State::silent;
        std::cerr << "orv: no audio device (" << failure << "); playing without sound" << std::endl;
        return Result::errOutputInit;
    }

    state_ = State::ready;
    maxChannels_ = maxChannels;
    alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
    applySettings();
    return Result::ok;
}

Result System::set3DSettings(float dopplerScale, float distanceFactor, float rolloffScale)
{
    if (state_ == State::silent) {
        return Result::errOutputInit;
    }
    if (!(dopplerScale >= 0.0f) || !(distanceFactor > 0.0f) || !(rolloffScale >= 0.0f)) {
        return Result::errInvalidParam;
    }
    dopplerScale_ = dopplerScale;
    distanceFactor_ = distanceFactor;
    rolloffScale_ = rolloffScale;
    if (state_ == State::ready) {
        applySettings();
    }
    return Result::ok;
}

void System::applySettings()
{
    alcMakeContextCurrent(context_);
    alDopplerFactor(dopplerScale_);
    alSpeedOfSound(speedOfSound * distanceFactor_);
    for (const auto& channel : channels_) {
        alSourcef(channel->source(), AL_ROLLOFF_FACTOR, rolloffScale_);
    }
}

Result System::createSound(const std::string& path, Mode mode, void* extendedInfo, Sound** sound)
{
    if (sound == nullptr) {
        return Result::errInvalidParam;
    }
    *sound = nullptr;
    if (state_ != State::ready) {
        return state_ == State::silent ? Result::errOutputInit : Result::errUninitialized;
    }
    constexpr Mode known = modeLoopOff | modeLoopNormal | mode2D | mode3D;
    if (extendedInfo != nullptr || (mode & ~known) != 0 || (mode & modeLoopOff && mode & modeLoopNormal) ||
        (mode & mode2D && mode & mode3D)) {
        return Result::errInvalidParam;
    }
    if ((mode & (modeLoopOff | modeLoopNormal)) == 0) {
        mode |= modeLoopOff;
    }
    if ((mode & (mode2D | mode3D)) == 0) {
        mode |= mode2D;
    }

    std::vector<unsigned char> bytes;
    if (!readFile(path, &bytes)) {
        std::cerr << "orv: music file \"" << path << "\" cannot be read; playing without music" << std::endl;
        return Result::errFileNotFound;
    }
    Pcm pcm;
    try {
        pcm = decodeMp3(bytes);
    } catch (const std::runtime_error& error) {
        std::cerr << "orv: music file \"" << path << "\" is not playable MP3 audio (" << error.what()
                  << "); playing without music" << std::endl;
        return Result::errFileBad;
    }
    if (mode & mode3D && pcm.channels > 1) {
        pcm = downmixToMono(pcm);
    }
    if (pcm.channels > 2 || pcm.samples.size() > std::numeric_limits<ALsizei>::max() / sizeof(std::int16_t)) {
        std::cerr << "orv: music file \"" << path << "\" has more channels or samples than the output takes"
                  << "; playing without music" << std::endl;
        return Result::errFileBad;
    }

    alcMakeContextCurrent(context_);
    alGetError();
    ALuint buffer = 0;
    alGenBuffers(1, &buffer);
    alBufferData(buffer, pcm.channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16, pcm.samples.data(),
                 static_cast<ALsizei>(pcm.samples.size() * sizeof(std::int16_t)), pcm.rate);
    ALenum error = alGetError();
    if (error != AL_NO_ERROR) {
        std::cerr << "orv: music file \"" << path << "\" cannot be loaded into the audio output (" << alGetString(error)
                  << "); playing without music" << std::endl;
        alDeleteBuffers(1, &buffer);
        return Result::errOutput;
    }
    sounds_.push_back(std::make_unique<Sound>(context_, buffer, mode));
    *sound = sounds_.back().get();
    return Result::ok;
}

Result System::playSound(Sound* sound, ChannelGroup* group, bool paused, Channel** channel)
{
    if (channel == nullptr) {
        return Result::errInvalidParam;
    }
    *channel = nullptr;
    if (state_ != State::ready) {
        return state_ == State::silent ? Result::errOutputInit : Result::errUninitialized;
    }
    if (sound == nullptr) {
        return Result::errInvalidHandle;
    }
    if (group != nullptr) {
        return Result::errInvalidParam;
    }

    if (static_cast<int>(channels_.size()) >= maxChannels_) {
        return Result::errChannelAlloc;
    }

    alcMakeContextCurrent(context_);
    alGetError();
    ALuint source = 0;
    alGenSources(1, &source);
    if (alGetError() != AL_NO_ERROR) {
        return Result::errChannelAlloc;
    }
    channels_.push_back(std::make_unique<Channel>(context_, source));

    // A 2D sound moves with the listener, so it is never attenuated or panned;
    // a 3D one stays where it is put, at the origin until moved.
    alSourcei(source, AL_SOURCE_RELATIVE, sound->is3D() ? AL_FALSE : AL_TRUE);
    alSource3f(source, AL_POSITION, 0.0f, 0.0f, 0.0f);
    alSourcef(source, AL_REFERENCE_DISTANCE, minDistance);
    alSourcef(source, AL_MAX_DISTANCE, maxDistance);
    alSourcef(source, AL_ROLLOFF_FACTOR, rolloffScale_);
    alSourcei(source, AL_LOOPING, sound->loops() ? AL_TRUE : AL_FALSE);
    alSourcei(source, AL_BUFFER, static_cast<ALint>(sound->buffer()));
    if (!paused) {
        alSourcePlay(source);
    }
    if (alGetError() != AL_NO_ERROR) {
        channels_.pop_back();
        return Result::errOutput;
    }
    *channel = channels_.back().get();
    return Result::ok;
}

}  // namespace orv::audio

#pragma once

#include <memory>
#include <string>
#include <vector>

#include <AL/alc.h>

#include "audio/Channel.h"
#include "audio/Result.h"
#include "audio/Sound.h"

namespace orv::audio {

// Init flags; normal is the only one there is.
using InitFlags = unsigned;
constexpr InitFlags initNormal = 0x0;

// Only the master channel group exists; calls taking a group accept nullptr
// for it.
class ChannelGroup;

// The audio system: one output device, the sounds loaded into it and the
// channels playing them. Without an audio device it stays silent: init says
// so once on standard error, and every later call does nothing and returns
// an error. Sounds and channels belong to the system and live until release.
class System {
public:
    // Creates the system object; it needs no device yet, so this fails only
    // when *system is null.
    static Result create(System** system);

    // Opens the default audio device with room for maxChannels channels (1 to
    // 4095). Channels are kept until release, so this is also how many times
    // playSound succeeds. extraDriverData is not used.
    Result init(int maxChannels, InitFlags flags, void* extraDriverData);

    // Doppler scale (0 or more), distance units per metre (more than 0) and
    // roll-off scale (0 or more) for 3D sounds. An invalid value changes
    // nothing. May come before or after init.
    Result set3DSettings(float dopplerScale, float distanceFactor, float rolloffScale);

    // Decodes a whole MP3 file into one buffer. A 3D sound is mixed down to
    // one channel so that it can be placed in space. A file that cannot be
    // read or decoded is reported on standard error in one line naming it.
    // extendedInfo must be null.
    Result createSound(const std::string& path, Mode mode, void* extendedInfo, Sound** sound);

    // Starts a channel playing the sound from its beginning (or ready to, when
    // paused) in the master group. A 3D sound sits at the origin, as does the
    // listener, so it is heard at full volume.
    Result playSound(Sound* sound, ChannelGroup* group, bool paused, Channel** channel);

    // Stops and frees everything, closes the device and deletes the system.
    Result release();

private:
    enum class State { created, ready, silent };

    System() = default;
    ~System();
    System(const System&) = delete;
    System& operator=(const System&) = delete;

    // Puts the 3D settings into effect on the output and on playing 3D channels.
    void applySettings();

    State state_ = State::created;
    ALCdevice* device_ = nullptr;
    ALCcontext* context_ = nullptr;
    int maxChannels_ = 0;
    float dopplerScale_ = 1.0f;
    float distanceFactor_ = 1.0f;
    float rolloffScale_ = 1.0f;
    std::vector<std::unique_ptr<Sound>> sounds_;
    std::vector<std::unique_ptr<Channel>> channels_;
};

}  // namespace orv::audio

#include "audio/Music.h"

#include <iostream>

namespace orv::audio {

Music startMusic(const std::string& path, double atSeconds)
{
    Music music;
    if (System::create(&music.system) != Result::ok) {
        return music;
    }
    std::cout << "fmod initialised successfully" << std::endl;

    // The results below are not examined: a system without a device, or a
    // sound that could not be loaded, has already said so, and every later
    // call on it does nothing. Only a missing handle ends the chain.
    music.system->init(100, initNormal, nullptr);
    music.system->set3DSettings(-1.0f, 1.0f, 100.0f);
    music.system->createSound(path, mode3D, nullptr, &music.sound);
    if (music.sound == nullptr) {
        return music;
    }
    music.sound->setMode(modeLoopNormal);
    music.system->playSound(music.sound, nullptr, false, &music.channel);
    if (music.channel != nullptr) {
        if (atSeconds > 0.0)
            music.channel->setPosition(atSeconds);
        music.channel->setPaused(false);
    }
    return music;
}

}  // namespace orv::audio

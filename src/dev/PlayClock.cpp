#include "dev/PlayClock.h"

namespace orv::dev {

PlayClock::PlayClock(audio::Music music) : music_(music) {}

PlayClock::Frame PlayClock::nextFrame()
{
    Frame frame;
    frame.realSeconds = timer_.elapsed();
    frame.demoSeconds = paused_ ? 0.0 : frame.realSeconds;
    return frame;
}

void PlayClock::jumpTo(double seconds)
{
    timer_.elapsed();
    if (music_.channel != nullptr)
        music_.channel->setPosition(seconds);
}

void PlayClock::setPaused(bool paused)
{
    paused_ = paused;
    if (music_.channel != nullptr)
        music_.channel->setPaused(paused);
}

std::optional<double> PlayClock::musicPosition() const
{
    if (music_.channel == nullptr)
        return std::nullopt;
    return music_.channel->position();
}

std::optional<double> PlayClock::musicLength() const
{
    if (music_.channel == nullptr)
        return std::nullopt;
    return music_.channel->length();
}

std::optional<bool> PlayClock::musicPaused() const
{
    if (music_.channel == nullptr)
        return std::nullopt;
    return music_.channel->paused();
}

}  // namespace orv::dev

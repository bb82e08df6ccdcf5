#pragma once

#include <optional>

#include "audio/Music.h"
#include "scene/FrameTimer.h"

namespace orv::dev {

// The time the demo plays on in --dev, with the music kept on it: each frame
// moves the demo on by the real time since the one before, by nothing while
// paused, and wherever the demo jumps (a seek, a reload, the shot loop) the
// music jumps along. Without an audio device or a track (no channel) only the
// time is kept.
class PlayClock {
public:
    struct Frame {
        double realSeconds = 0.0;  // since the frame before, or since the last jump
        double demoSeconds = 0.0;  // what the demo moves on by: the same, or 0 while paused
    };

    explicit PlayClock(audio::Music music = {});

    // Starts a frame.
    Frame nextFrame();

    // The demo now stands at `seconds`: the music goes there (wrapped by the
    // track's length), and real time counts from here, so the time it took to
    // build the demo there is not played past the music.
    void jumpTo(double seconds);

    // Stops or resumes the demo's time and the music together.
    void setPaused(bool paused);
    bool paused() const { return paused_; }

    // Seconds into the track the music is at; nothing without music.
    std::optional<double> musicPosition() const;
    // The track's length in seconds; nothing without music.
    std::optional<double> musicLength() const;
    // Whether the music is paused; nothing without music.
    std::optional<bool> musicPaused() const;

private:
    audio::Music music_;
    scene::FrameTimer timer_;
    bool paused_ = false;
};

}  // namespace orv::dev

#pragma once

#include <cstddef>
#include <optional>

#include "demo/ShotTimes.h"

namespace orv::dev {

// L in --dev: one shot plays again and again. When the demo is about to
// reach the shot's end it goes back to the shot's start. A seek made while
// it loops takes the loop along to the shot sought to.
class ShotLoop {
public:
    // Loops the shot playing at `now`, or stops looping.
    void toggle(double now, const demo::ShotTimes& shots);
    // The demo was sent to `seconds` (the time asked for, not where the
    // stage stopped just short of it): the shot there is looped from now on.
    void seekedTo(double seconds, const demo::ShotTimes& shots);

    // Where the demo goes instead when the coming frame would take it to
    // `next`: the looped shot's start once `next` reaches the shot's end.
    std::optional<double> jumpBefore(double next, const demo::ShotTimes& shots) const;

    bool on() const { return on_; }
    std::size_t shot() const { return shot_; }

private:
    bool on_ = false;
    std::size_t shot_ = 0;
};

}  // namespace orv::dev

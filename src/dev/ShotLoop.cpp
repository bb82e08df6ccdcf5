#include "dev/ShotLoop.h"

namespace orv::dev {

void ShotLoop::toggle(double now, const demo::ShotTimes& shots)
{
    on_ = !on_;
    shot_ = shots.shotAt(now);
}

void ShotLoop::seekedTo(double seconds, const demo::ShotTimes& shots) { shot_ = shots.shotAt(seconds); }

std::optional<double> ShotLoop::jumpBefore(double next, const demo::ShotTimes& shots) const
{
    if (!on_ || shot_ >= shots.starts.size())
        return std::nullopt;
    const double start = shots.starts[shot_];
    const double end = shots.endOf(shot_);
    // A shot with no length (times that were never measured) has nothing to repeat.
    if (end <= start || next < end)
        return std::nullopt;
    return start;
}

}  // namespace orv::dev

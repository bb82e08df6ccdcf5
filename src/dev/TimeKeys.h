#pragma once

#include <cstddef>
#include <optional>
#include <vector>

namespace orv::dev {

// Where the navigation keys of --dev take the demo: Left/Right 5 s back or
// on, Page Up to the shot's start (or the shot before, just after a start),
// Page Down to the next shot, Home to the beginning.
class TimeKeys {
public:
    static constexpr double step = 5.0;
    // Page Up this soon after a shot's start goes on to the shot before.
    static constexpr double shotGrace = 1.0;

    // The time a GLFW key seeks to from now, given each shot's start time
    // (ascending, the first at 0); nothing for a key that does not seek.
    // Times before 0 or past the end are the seek's to clamp.
    static std::optional<double> target(int key, double now, const std::vector<double>& shotStarts);

    // The shot playing at a time: the last one started by then.
    static std::size_t shotAt(double seconds, const std::vector<double>& shotStarts);
};

}  // namespace orv::dev

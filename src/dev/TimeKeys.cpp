#include "dev/TimeKeys.h"

#include <GLFW/glfw3.h>

#include "demo/ShotTimes.h"

namespace orv::dev {

std::size_t TimeKeys::shotAt(double seconds, const std::vector<double>& shotStarts)
{
    return demo::ShotTimes::shotAt(seconds, shotStarts);
}

std::optional<double> TimeKeys::target(int key, double now, const std::vector<double>& shotStarts)
{
    const std::size_t shot = shotAt(now, shotStarts);
    const double start = shotStarts.empty() ? 0.0 : shotStarts[shot];
    switch (key) {
    case GLFW_KEY_LEFT:
        return now - step;
    case GLFW_KEY_RIGHT:
        return now + step;
    case GLFW_KEY_PAGE_UP:
        return shot > 0 && now - start < shotGrace ? shotStarts[shot - 1] : start;
    case GLFW_KEY_PAGE_DOWN:
        if (shot + 1 < shotStarts.size())
            return shotStarts[shot + 1];
        return std::nullopt;
    case GLFW_KEY_HOME:
        return 0.0;
    default:
        return std::nullopt;
    }
}

}  // namespace orv::dev

#include "timeline/KeyCurve.h"

#include <cmath>

namespace orv::timeline {

KeyCurve::KeyCurve(const std::vector<glm::vec2>& keys)
{
    for (const glm::vec2& key : keys) {
        const glm::vec3 point(key.x, key.y, 0.0f);
        addControlPoint(point, point, point);
    }
    // Both inner control points halfway between the keys, at the keys' own
    // values, turn each segment into an ease-in-out step.
    totalLength_ = 0.0f;
    for (std::size_t i = 0; i < segments_.size(); ++i) {
        const float m = (keys[i].x + keys[i + 1].x) / 2.0f;
        controlPoints_[i].outgoing.x = m;
        controlPoints_[i + 1].incoming.x = m;
        segments_[i].p1.x = m;
        segments_[i].p2.x = m;
        segments_[i].length = std::fabs(keys[i + 1].x - keys[i].x);
        totalLength_ += segments_[i].length;
    }
    disabled_ = false;
}

float KeyCurve::value(float x)
{
    if (disabled_ || controlPoints_.empty()) {
        return 0.0f;
    }
    if (segments_.empty()) {
        return controlPoints_.front().anchor.y;
    }
    seek(x);
    if (isFinished()) {
        // Only a fraction that is not a number reaches no segment.
        return segments_.back().p3.y;
    }
    return pointAt(currentSegment_, parameter_).y;
}

}  // namespace orv::timeline

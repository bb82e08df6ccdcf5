#pragma once

#include <vector>

#include <glm/vec2.hpp>

#include "timeline/BezierPath.h"

namespace orv::timeline {

// A list of [key, value] pairs read as an eased function of a fraction from 0
// to 1: speed curves, light-intensity curves and the decay of point lights.
class KeyCurve : public BezierPath {
public:
    // Keys in ascending key order, each as (key, value).
    explicit KeyCurve(const std::vector<glm::vec2>& keys = {});

    // The value at fraction x of the key span; eases from each key's value to
    // the next one's. A curve with one key reads as that key's value, one
    // without keys (or a disabled one) as 0.
    float value(float x);

    bool isDisabled() const { return disabled_; }

private:
    bool disabled_ = false;
};

}  // namespace orv::timeline

#pragma once

#include <memory>
#include <vector>

#include <glm/vec2.hpp>

#include "timeline/BezierPath.h"
#include "timeline/KeyCurve.h"

namespace orv::scene {
class Moveable;
}

namespace orv::timeline {

// Moves one object along one path during one shot, at the speed its velocity
// curve gives for the progress made so far.
class ShotMotion {
public:
    // path must outlive the motion; the timeline keeps its paths in lists
    // that are never resized after construction.
    ShotMotion(std::shared_ptr<scene::Moveable> object, BezierPath* path, const std::vector<glm::vec2>& velocityKeys);

    // One step along the path while there is path left and the object is on
    // rails; the object's own update runs in every case.
    void update(double dt);

    // The path is finished, or the object has left its path for good.
    bool isDone() const;

    const BezierPath& path() const { return *path_; }
    KeyCurve& velocity() { return velocity_; }

private:
    std::shared_ptr<scene::Moveable> object_;
    BezierPath* path_;
    KeyCurve velocity_;
};

}  // namespace orv::timeline

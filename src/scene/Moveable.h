#pragma once

#include <glm/vec3.hpp>

namespace orv::scene {

// What the timeline moves along a path: the camera and the main particle.
class Moveable {
public:
    virtual ~Moveable() = default;

    virtual void setPosition(const glm::vec3& position) = 0;
    virtual void update(double dt) = 0;
    // Asked before advancing to the next path segment; false once the object
    // has left its path for good.
    virtual bool isOnRails() const = 0;
};

}  // namespace orv::scene

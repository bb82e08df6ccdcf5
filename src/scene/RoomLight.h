#pragma once

#include <memory>

#include "scene/PointLight.h"

namespace orv::render {
class Target;
}

namespace orv::scene {

class MeshInstance;
class Scene;

// The fixed light of the room, placed where the lamp model stands.
class RoomLight : public PointLight {
public:
    // Takes its position from the instance's model matrix as it is now.
    explicit RoomLight(std::shared_ptr<MeshInstance> instance);

    // Draws the lamp itself.
    void draw(Scene& scene, render::Target& target);

    const std::shared_ptr<MeshInstance>& instance() const { return instance_; }

private:
    std::shared_ptr<MeshInstance> instance_;
};

}  // namespace orv::scene

#pragma once

namespace orv::render {
class Target;
}

namespace orv::scene {

class Scene;

// Anything that can be drawn for a render pass: meshes, mesh instances and
// the passes themselves.
class Drawable {
public:
    virtual ~Drawable() = default;
    virtual void draw(Scene& scene, render::Target& target) = 0;
};

}  // namespace orv::scene

#pragma once

#include <memory>

#include <glm/mat4x4.hpp>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>
#include <glm/vec4.hpp>

namespace orv::config {
class ModelCatalogue;
}
namespace orv::scene {
class BoundingSphere;
class MeshInstance;
class PointLight;
class Scene;
}  // namespace orv::scene

namespace orv::render {

class Target;

// The sphere that bounds one light's reach, as the stencil and light passes
// draw it: the catalogue's "bounding_sphere" model, placed over a light.
class LightVolume {
public:
    // Throws std::runtime_error naming the catalogue file when the model is
    // missing or has no "BoundingSphere" object carrying a mesh.
    explicit LightVolume(const config::ModelCatalogue& models);

    // Moves and scales the sphere over the light's reach and draws it with target.
    void draw(const scene::PointLight& light, scene::Scene& scene, Target& target);

    // Lights whose reach is zero or not finite have no volume to draw.
    static bool drawsVolume(const scene::PointLight& light);

    // Where a volume lands on the screen.
    struct Placement {
        enum Kind {
            Hidden,     // wholly behind the camera or off the screen: nothing to draw
            Enclosing,  // reaches the near plane (the camera is inside or nearly): its back faces bound it
            Framed,     // wholly in front: it covers no more than rect
        };
        Kind kind = Hidden;
        glm::ivec4 rect{0};  // x, y, width, height in pixels, within the screen; set when Framed
    };
    // The sphere of radius around centre, seen through view and a perspective
    // projection on a screen of screen pixels.
    static Placement place(const glm::vec3& centre, float radius, const glm::mat4& view,
                           const glm::mat4& projection, const glm::vec2& screen);

    const std::shared_ptr<scene::BoundingSphere>& sphere() const { return sphere_; }
    const std::shared_ptr<scene::MeshInstance>& instance() const { return instance_; }

private:
    std::shared_ptr<scene::BoundingSphere> sphere_;
    std::shared_ptr<scene::MeshInstance> instance_;
};

}  // namespace orv::render

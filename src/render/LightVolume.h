#pragma once

#include <memory>

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

    const std::shared_ptr<scene::BoundingSphere>& sphere() const { return sphere_; }
    const std::shared_ptr<scene::MeshInstance>& instance() const { return instance_; }

private:
    std::shared_ptr<scene::BoundingSphere> sphere_;
    std::shared_ptr<scene::MeshInstance> instance_;
};

}  // namespace orv::render

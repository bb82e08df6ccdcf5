#include "scene/Particle.h"

#include <glm/gtc/matrix_transform.hpp>

namespace orv::scene {

Particle::Particle(const config::ModelCatalogue& catalogue) : ModelObject(catalogue)
{
    setName("Part");
    setLocalMatrix(glm::translate(glm::mat4(1.0f), glm::vec3(0.0f, 2.0f, 0.0f)));
}

void Particle::update(double dt)
{
    // Path points are in world coordinates, while the particle hangs below the
    // scene file's root, which turns Z-up content into Y-up by -90 degrees
    // about X. (x, -z, y) undoes that turn, so the particle lands on its path.
    setLocalMatrix(glm::translate(glm::mat4(1.0f), glm::vec3(position_.x, -position_.z, position_.y)));
    SceneObject::update(dt);
}

glm::vec3 Particle::position() const { return glm::vec3(modelMatrix()[3]); }

}  // namespace orv::scene

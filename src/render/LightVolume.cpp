#include "render/LightVolume.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "config/ModelCatalogue.h"
#include "render/Target.h"
#include "scene/BoundingSphere.h"
#include "scene/MeshInstance.h"
#include "scene/PointLight.h"

namespace orv::render {

LightVolume::LightVolume(const config::ModelCatalogue& models)
    : sphere_(std::make_shared<scene::BoundingSphere>(models))
{
    sphere_->loadModel();
    try {
        instance_ = sphere_->boundingSphereInstance();
    } catch (const std::runtime_error&) {
        throw std::runtime_error(models.fileName() + ": the model \"" + sphere_->modelName() +
                                 "\" has no object named \"BoundingSphere\" carrying a mesh");
    }
}

void LightVolume::draw(const scene::PointLight& light, scene::Scene& scene, Target& target)
{
    sphere_->setLocalMatrix(light.volumeMatrix());
    sphere_->update(0.0);
    instance_->draw(scene, target);
}

bool LightVolume::drawsVolume(const scene::PointLight& light)
{
    const float radius = light.attenuationRadius();
    return std::isfinite(radius) && radius > 0.0f;
}

LightVolume::Placement LightVolume::place(const glm::vec3& centre, float radius, const glm::mat4& view,
                                          const glm::mat4& projection, const glm::vec2& screen)
{
    // The model's faces stand a little outside radius 1 (its corners are
    // about 1.03 out), and a frame a little too large costs next to nothing.
    const float reach = radius * 1.1f;
    // For a perspective projection, column 3 row 2 over (column 2 row 2 - 1) is the near distance.
    const float near = projection[3][2] / (projection[2][2] - 1.0f);
    const glm::vec3 c = glm::vec3(view * glm::vec4(centre, 1.0f));
    Placement placement;
    if (c.z - reach >= -near)
        return placement;  // wholly behind the near plane
    if (c.z + reach >= -near) {
        placement.kind = Placement::Enclosing;
        return placement;
    }
    // Wholly in front: the box around the sphere projects to no more than its corners' frame.
    glm::vec2 lo(screen);
    glm::vec2 hi(0.0f);
    for (int corner = 0; corner < 8; ++corner) {
        const glm::vec3 p = c + reach * glm::vec3(corner & 1 ? 1.0f : -1.0f, corner & 2 ? 1.0f : -1.0f,
                                                  corner & 4 ? 1.0f : -1.0f);
        const glm::vec4 clip = projection * glm::vec4(p, 1.0f);
        const glm::vec2 pixel = (glm::vec2(clip) / clip.w * 0.5f + 0.5f) * screen;
        lo = glm::min(lo, pixel);
        hi = glm::max(hi, pixel);
    }
    const glm::vec2 from = glm::clamp(glm::floor(lo), glm::vec2(0.0f), screen);
    const glm::vec2 to = glm::clamp(glm::ceil(hi), glm::vec2(0.0f), screen);
    if (to.x <= from.x || to.y <= from.y)
        return placement;  // off the screen
    placement.kind = Placement::Framed;
    placement.rect = glm::ivec4(glm::ivec2(from), glm::ivec2(to - from));
    return placement;
}

}  // namespace orv::render

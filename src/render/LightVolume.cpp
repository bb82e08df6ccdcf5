#include "render/LightVolume.h"

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

}  // namespace orv::render

#include "scene/RoomLight.h"

#include "scene/MeshInstance.h"

namespace orv::scene {

RoomLight::RoomLight(std::shared_ptr<MeshInstance> instance) : instance_(std::move(instance))
{
    position_ = glm::vec3(instance_->modelMatrix()[3]);
    color_ = glm::vec3(1.0f, 0.88f, 0.7f);
    ambientIntensity_ = 0.0f;
    diffuseIntensity_ = 0.85f;
    specularIntensity_ = 0.4f;
    specularPower_ = 32.0f;
    attenuationConstant_ = 0.0f;
    attenuationLinear_ = 0.02f;
    attenuationExp_ = 0.025f;
}

void RoomLight::draw(Scene& scene, render::Target& target) { instance_->draw(scene, target); }

}  // namespace orv::scene

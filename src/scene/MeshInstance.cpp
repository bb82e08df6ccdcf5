#include "scene/MeshInstance.h"

#include <GL/glew.h>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include "render/Target.h"
#include "scene/GLErrors.h"
#include "scene/Mesh.h"
#include "scene/Scene.h"
#include "scene/Texture.h"

namespace orv::scene {

MeshInstance::MeshInstance(std::shared_ptr<Mesh> mesh)
    : mesh_(std::move(mesh))
{
}

void MeshInstance::update(double dt)
{
    const glm::vec3 rates = mesh_->rotation();
    const glm::vec3 axes[3] = {{1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}};
    for (int axis = 0; axis < 3; ++axis) {
        if (rates[axis] == 0.0f)
            continue;
        const float angle = static_cast<float>(static_cast<double>(rates[axis]) * dt);
        preMultiply(glm::rotate(glm::mat4(1.0f), angle, axes[axis]));
    }
}

void MeshInstance::draw(Scene& scene, render::Target& target)
{
    using Uniform = render::Target::MeshUniform;
    mesh_->bind();
    reportGLErrors();

    struct Slot {
        const std::shared_ptr<Texture>& texture;
        Uniform sampler;
        GLint unit;
        bool wanted;
    };
    const Slot slots[] = {
        {mesh_->diffuseMap(), Uniform::DiffuseSampler, 0, target.usesDiffuseMap()},
        {mesh_->normalMap(), Uniform::NormalSampler, 1, target.usesNormalMap()},
        {mesh_->specularMap(), Uniform::SpecularSampler, 2, target.usesSpecularMap()},
        {mesh_->displacementMap(), Uniform::DisplacementSampler, 3, target.usesDisplacementMap()},
    };
    for (const Slot& slot : slots) {
        if (slot.wanted) {
            // A texture the mesh lacks gets the pass's empty one, so the pass
            // never samples what the previous mesh left on the unit.
            const GLint location = slot.texture ? target.meshUniformLocation(slot.sampler)
                                                : target.declaredMeshUniformLocation(slot.sampler);
            if (location >= 0) {
                glUniform1i(location, slot.unit);
                glActiveTexture(GL_TEXTURE0 + slot.unit);
                if (slot.texture) {
                    slot.texture->setUnit(GL_TEXTURE0 + slot.unit);
                    slot.texture->bind();
                } else {
                    glBindTexture(GL_TEXTURE_2D, target.emptyTexture());
                }
            }
        }
        reportGLErrors();
    }

    if (const GLint location = target.meshUniformLocation(Uniform::ModelMatrix); location >= 0)
        glUniformMatrix4fv(location, 1, GL_FALSE, glm::value_ptr(modelMatrix()));
    reportGLErrors();
    if (const GLint location = target.meshUniformLocation(Uniform::Parallax); location >= 0)
        glUniform1f(location, mesh_->parallax() && parallax_ ? 1.0f : 0.0f);
    reportGLErrors();
    if (const GLint location = target.meshUniformLocation(Uniform::IsLightSource); location >= 0)
        glUniform1f(location, mesh_->isLightSource() ? 1.0f : 0.0f);
    reportGLErrors();
    if (const GLint location = target.meshUniformLocation(Uniform::BoundingScale); location >= 0)
        glUniform1f(location, scene.particleLightRadius());
    reportGLErrors();
    scene.setSceneUniforms(shared_from_this(), target);
    reportGLErrors();
    mesh_->draw(scene, target);
    reportGLErrors();

    for (const Slot& slot : slots) {
        if (slot.texture)
            slot.texture->unbind();
    }
    mesh_->unbind();
}

std::shared_ptr<MeshInstance> MeshInstance::clone() const
{
    auto copy = mesh_->createInstance();
    copy->setCastShadow(castShadow_);
    return copy;
}

std::string MeshInstance::meshName() const
{
    return mesh_->name();
}

std::vector<std::string> MeshInstance::meshTargets() const
{
    return mesh_->targets();
}

void MeshInstance::setColor(const glm::vec3& color)
{
    color_ = color;
    hasColor_ = true;
}

}  // namespace orv::scene

#include "render/ShadowMapping.h"

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include "scene/GLErrors.h"
#include "scene/MeshInstance.h"
#include "scene/PointLight.h"
#include "view/OpenGLwindow.h"

namespace orv::render {

const std::array<ShadowMapping::Face, 6> ShadowMapping::faces = {{
    {GL_TEXTURE_CUBE_MAP_POSITIVE_X, {1.0f, 0.0f, 0.0f}, {0.0f, -1.0f, 0.0f}},
    {GL_TEXTURE_CUBE_MAP_NEGATIVE_X, {-1.0f, 0.0f, 0.0f}, {0.0f, -1.0f, 0.0f}},
    {GL_TEXTURE_CUBE_MAP_POSITIVE_Y, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}},
    {GL_TEXTURE_CUBE_MAP_NEGATIVE_Y, {0.0f, -1.0f, 0.0f}, {0.0f, 0.0f, -1.0f}},
    {GL_TEXTURE_CUBE_MAP_POSITIVE_Z, {0.0f, 0.0f, 1.0f}, {0.0f, -1.0f, 0.0f}},
    {GL_TEXTURE_CUBE_MAP_NEGATIVE_Z, {0.0f, 0.0f, -1.0f}, {0.0f, -1.0f, 0.0f}},
}};

ShadowMapping::ShadowMapping(gl::ProgramManager& programs, std::vector<std::shared_ptr<scene::PointLight>> lights,
                             const view::OpenGLwindow& window)
    : Target(programs), lights_(std::move(lights)), window_(&window)
{
    // A quarter turn per face, square faces.
    projection_ = glm::perspective(1.5707964f, 1.0f, near_, far_);
    setEnabled(true);
    for (const auto& light : lights_)
        light->initShadowMap(window, programs);
    lookUpUniforms();
}

void ShadowMapping::lookUpUniforms()
{
    lightWorldPos_ = uniformLocation("light_world_pos");
    lightVpMatrices_ = uniformLocation("light_vp_matrices");
    farPlane_ = uniformLocation("far_plane");
    // The lights' shadow maps blur through the manager's programs too.
    for (const auto& light : lights_)
        light->shadowMap().lookUpUniforms(*programManager());
}

std::array<glm::mat4, 6> ShadowMapping::faceMatrices(const glm::vec3& position) const
{
    std::array<glm::mat4, 6> matrices;
    for (std::size_t i = 0; i < faces.size(); ++i)
        matrices[i] = projection_ * glm::lookAt(position, position + faces[i].direction, faces[i].up);
    return matrices;
}

void ShadowMapping::draw(scene::Scene& scene, Target&)
{
    useProgram();
    for (const auto& light : lights_) {
        if (!light->shadowCasting())
            continue;
        const auto& fbo = light->shadowMap();
        const auto size = static_cast<GLsizei>(fbo.faceSize());
        glViewport(0, 0, size, size);
        glBindFramebuffer(GL_FRAMEBUFFER, fbo.framebuffer());
        glClear(GL_DEPTH_BUFFER_BIT);

        const glm::vec3 position = light->position();
        glUniform3fv(lightWorldPos_, 1, glm::value_ptr(position));
        const std::array<glm::mat4, 6> matrices = faceMatrices(position);
        glUniformMatrix4fv(lightVpMatrices_, 6, GL_FALSE, glm::value_ptr(matrices[0]));
        glUniform1f(farPlane_, far_);

        // Casters only; the render flag is not consulted, so meshes hidden
        // from the geometry pass still throw their shadows.
        auto& casters = drawables();
        for (std::size_t i = 0; i < casters.size(); ++i) {
            const std::shared_ptr<scene::MeshInstance> caster = casters[i];
            if (caster && caster->castShadow() && caster->drawSuppression() == 0)
                caster->draw(scene, *this);
        }
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, window_->width(), window_->height());
    scene::reportGLErrors();
}

void ShadowMapping::bindShadowCubeMap(const scene::PointLight& light, GLenum unit) const
{
    light.shadowMap().bindShadowCubeMap(unit);
}

}  // namespace orv::render

#include "scene/Scene.h"

#include <cstdint>

#include <GL/glew.h>
#include <glm/gtc/type_ptr.hpp>

#include "render/Renderer.h"
#include "render/Target.h"
#include "scene/GLErrors.h"
#include "scene/MeshInstance.h"
#include "scene/Particle.h"
#include "scene/SceneObject.h"
#include "timeline/Timeline.h"
#include "view/OpenGLwindow.h"

namespace orv::scene {

namespace {

// The first frames measure start-up work rather than motion; they advance
// everything by a token step instead.
constexpr std::uint32_t settlingFrames = 3;
constexpr double settlingStep = 0.00001;

}  // namespace

Scene::Scene(view::OpenGLwindow& window, timeline::Timeline& timeline, render::Renderer& renderer,
             std::shared_ptr<Particle> particle)
    : window_(window), timeline_(timeline), renderer_(&renderer), particle_(std::move(particle))
{
}

Scene::Scene(view::OpenGLwindow& window, timeline::Timeline& timeline, std::shared_ptr<Particle> particle)
    : window_(window), timeline_(timeline), particle_(std::move(particle))
{
}

Scene::~Scene() = default;

void Scene::setRoot(std::shared_ptr<SceneObject> root) { root_ = std::move(root); }

void Scene::run()
{
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);

    std::uint32_t frameCount = 0;
    while (window_.isOpen()) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

        double dt = timer_.elapsed();
        if (frameCount < settlingFrames) {
            dt = settlingStep;
            ++frameCount;  // counting stops here, so the counter can never wrap back into the settling frames
        }

        frame(dt);
        window_.swapBuffers();
        reportGLErrors();
    }
}

void Scene::frame(double dt)
{
    timeline_.update(dt);
    prepareRenderer();
    root_->update(dt);
    if (renderer_ != nullptr) {
        renderer_->update(dt);
        renderer_->render(*this);
    }
}

void Scene::prepareRenderer()
{
    if (renderer_ == nullptr)
        return;
    renderer_->prepare(timeline_.currentInactiveTargets());
    if (overrides_ != nullptr && !overrides_->empty())
        renderer_->turnOff(*overrides_);
}

void Scene::silentFrame(double dt)
{
    timeline_.update(dt);
    prepareRenderer();
    root_->update(dt);
    if (renderer_ != nullptr)
        renderer_->update(dt);
}

float Scene::particleLightRadius() const { return particle_->attenuationRadius(); }

void Scene::setSceneUniforms(const std::shared_ptr<MeshInstance>& instance, render::Target& target)
{
    // The target has read once which of these its program declares.
    const render::Target::SceneUniforms& uniforms = target.sceneUniforms();
    if (uniforms.cameraPos >= 0) {
        const glm::vec3 position = timeline_.cameraPosition();
        glUniform3fv(uniforms.cameraPos, 1, glm::value_ptr(position));
    }
    if (uniforms.lightPos >= 0) {
        const glm::vec3 position = particle_->position();
        glUniform3fv(uniforms.lightPos, 1, glm::value_ptr(position));
    }
    if (uniforms.vpMatrix >= 0) {
        const glm::mat4 viewProjection = timeline_.viewProjection();
        glUniformMatrix4fv(uniforms.vpMatrix, 1, GL_FALSE, glm::value_ptr(viewProjection));
    }
    if (uniforms.meshColor >= 0 && instance->hasColor())
        glUniform3fv(uniforms.meshColor, 1, glm::value_ptr(instance->color()));
}

}  // namespace orv::scene

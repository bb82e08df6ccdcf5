#include "scene/Scene.h"

#include <algorithm>
#include <cmath>

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
    while (window_.isOpen()) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        const double dt = timer_.elapsed();
        frame(dt);
        window_.swapBuffers();
        reportGLErrors();
        if (afterFrame_ && !afterFrame_(dt))
            break;
    }
}

void Scene::frame(double dt)
{
    advance(dt);
    draw();
}

void Scene::advance(double dt)
{
    if (landing_ || steps_ < settlingSteps) {
        landing_ = false;
        step(nextFixedStep());
        return;
    }
    // Equal steps, so a frame of 1/15 s moves exactly as four frames of 1/60 s do.
    const auto count = static_cast<long>(std::max(1.0, std::ceil(dt / maxStep - 1e-6)));
    const double each = dt / static_cast<double>(count);
    for (long i = 0; i < count; ++i)
        step(each);
}

void Scene::advanceTo(double seconds)
{
    while (time_ + nextFixedStep() + 1e-9 < seconds)
        step(nextFixedStep());
    landing_ = true;
}

void Scene::step(double dt)
{
    timeline_.update(dt);
    prepareRenderer();
    root_->update(dt);
    if (renderer_ != nullptr)
        renderer_->update(dt);
    time_ += dt;
    ++steps_;
}

void Scene::draw()
{
    if (renderer_ != nullptr)
        renderer_->render(*this);
}

void Scene::prepareRenderer()
{
    if (renderer_ == nullptr)
        return;
    renderer_->prepare(timeline_.currentInactiveTargets());
    if (overrides_ != nullptr && !overrides_->empty())
        renderer_->turnOff(*overrides_);
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

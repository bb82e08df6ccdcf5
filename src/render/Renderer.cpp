#include "render/Renderer.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include <GL/glew.h>

#include "gl/ProgramManager.h"
#include "render/Cubemap.h"
#include "render/CubemapSurface.h"
#include "render/DeferredRenderGeometry.h"
#include "render/EnvironmentCube.h"
#include "render/FrameProfiler.h"
#include "render/GodrayPost.h"
#include "render/GodrayPre.h"
#include "render/MainParticle.h"
#include "render/ParticleSystem.h"
#include "render/Reflection.h"
#include "render/Refraction.h"
#include "render/ShadowMapping.h"
#include "render/TargetNames.h"
#include "render/fbo/OutputFramebuffer.h"
#include "scene/Mesh.h"
#include "scene/MeshInstance.h"
#include "scene/Particle.h"
#include "scene/RoomLight.h"
#include "scene/SceneObject.h"
#include "view/OpenGLwindow.h"

namespace orv::render {

namespace {

constexpr const char* roomLightName = "Room_Light";
constexpr const char* pillarText = "Pillar";

std::vector<scene::MeshInstance*> pillarsAmong(const std::vector<std::shared_ptr<scene::MeshInstance>>& instances)
{
    std::vector<scene::MeshInstance*> pillars;
    for (const auto& instance : instances) {
        if (instance && instance->meshName().find(pillarText) != std::string::npos)
            pillars.push_back(instance.get());
    }
    return pillars;
}

}  // namespace

Renderer::Renderer(std::shared_ptr<scene::SceneObject> root, gl::ProgramManager& programs,
                   view::OpenGLwindow& window, const config::ModelCatalogue& models,
                   std::shared_ptr<scene::Particle> particle)
    : root_(std::move(root)), programs_(&programs), models_(&models), particle_(std::move(particle))
{
    const auto lamps = root_->findMeshInstances(roomLightName);
    if (lamps.empty())
        throw std::runtime_error(std::string("no node named \"") + roomLightName + "\" carrying a mesh");
    roomLight_ = std::make_shared<scene::RoomLight>(lamps.front());

    const std::shared_ptr<scene::PointLight> particleLight(particle_, static_cast<scene::PointLight*>(particle_.get()));
    particleLight->setShadowCasting(true);
    roomLight_->setShadowCasting(true);
    const std::vector<std::shared_ptr<scene::PointLight>> lights = {particleLight, roomLight_};

    const auto godrayPre = std::make_shared<GodrayPre>(programs, window, roomLight_);
    insert(godrayPre);
    insert(std::make_shared<GodrayPost>(programs, godrayPre));
    const auto cubemap = std::make_shared<Cubemap>(programs);
    insert(cubemap);
    insert(std::make_shared<Reflection>(programs, cubemap));
    insert(std::make_shared<Refraction>(programs, cubemap));
    const auto shadows = std::make_shared<ShadowMapping>(programs, lights, window);
    insert(shadows);
    const auto particles = std::make_shared<ParticleSystem>(programs, sparkCapacity, particle_);
    insert(particles);
    const auto geometry =
        std::make_shared<DeferredRenderGeometry>(programs, window, models, shadows, particles, maxParticleLights);
    geometry->setLights(lights);
    insert(geometry);
    insert(std::make_shared<MainParticle>(particles));

    for (std::string_view name : targets::updateOrder)
        updateOrder_.push_back(target(std::string(name)));
    for (std::string_view name : targets::renderOrder)
        renderOrder_.push_back(target(std::string(name)));
    geometry_ = geometry.get();
    shadows_ = shadows.get();
    godrayPre_ = godrayPre.get();
    godrayPost_ = dynamic_cast<GodrayPost*>(target(std::string(targets::godrayPost)));
    windowWidth_ = static_cast<unsigned>(std::max(window.width(), 1));
    windowHeight_ = static_cast<unsigned>(std::max(window.height(), 1));
    renderWidth_ = windowWidth_;
    renderHeight_ = windowHeight_;
    if (programs.contains(std::string(edgeSmoothingProgram)))
        lookUpSmoothing();
    placeOutput();
}

Renderer::~Renderer() = default;

unsigned Renderer::outputFramebuffer() const { return output_ ? output_->framebuffer() : 0; }

void Renderer::setRenderScale(double scale)
{
    scale_ = std::clamp(scale, 0.25, 1.0);
    const auto scaled = [&](unsigned size) {
        return std::clamp(static_cast<unsigned>(std::lround(size * scale_)), 1u, size);
    };
    const unsigned width = scaled(windowWidth_);
    const unsigned height = scaled(windowHeight_);
    if (width == renderWidth_ && height == renderHeight_)
        return;
    renderWidth_ = width;
    renderHeight_ = height;
    geometry_->resize(width, height);
    godrayPre_->resize(width, height);
    placeOutput();
}

void Renderer::placeOutput()
{
    if (renderWidth_ == windowWidth_ && renderHeight_ == windowHeight_ && smoothing_ == nullptr) {
        output_.reset();
    } else {
        if (!output_)
            output_ = std::make_unique<fbo::OutputFramebuffer>();
        output_->create(renderWidth_, renderHeight_);
    }
    geometry_->setOutputFramebuffer(outputFramebuffer());
    godrayPost_->setOutputFramebuffer(outputFramebuffer());
}

void Renderer::present() const
{
    const auto width = static_cast<GLsizei>(windowWidth_);
    const auto height = static_cast<GLsizei>(windowHeight_);
    if (smoothing_ == nullptr) {
        output_->stretchToScreen(width, height);
        glViewport(0, 0, width, height);
        return;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, width, height);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_BLEND);
    smoothing_->makeCurrent();
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, output_->colorTexture());
    glUniform1i(smoothingScene_, 0);
    geometry_->fbo().drawQuad();
    glBindTexture(GL_TEXTURE_2D, 0);
}

void Renderer::insert(const std::shared_ptr<Target>& target) { targets_.emplace(target->name(), target); }

Target* Renderer::target(const std::string& name) const
{
    const auto found = targets_.find(name);
    return found == targets_.end() ? nullptr : found->second.get();
}

void Renderer::registerMeshInstances()
{
    registerObject(*root_, *target(std::string(targets::godrayPre)), *target(std::string(targets::godrayPost)));
    geometryPillars_ = pillarsAmong(geometry_->drawables());
    shadowPillars_ = pillarsAmong(shadows_->drawables());
    setUpEnvironmentCubes();
}

void Renderer::setUpEnvironmentCubes()
{
    // Only a demo whose mirrors or glasses ask for cubes needs their program.
    std::vector<CubemapSurface*> surfaces;
    bool asked = false;
    for (std::string_view name : {targets::reflection, targets::refraction}) {
        auto* surface = dynamic_cast<CubemapSurface*>(target(std::string(name)));
        if (surface == nullptr)
            continue;
        surfaces.push_back(surface);
        for (const auto& instance : surface->drawables())
            asked = asked || (instance && instance->mesh()->environmentCube());
    }
    auto* sky = dynamic_cast<Cubemap*>(target(std::string(targets::cubemap)));
    if (!asked || sky == nullptr)
        return;
    environment_ = std::make_shared<EnvironmentCube>(*programs_, geometry_->drawables(), sky->drawables(),
                                                     sky->texture().id(), roomLight_);
    for (CubemapSurface* surface : surfaces)
        surface->setEnvironment(environment_);
}

void Renderer::registerObject(const scene::SceneObject& object, Target& godrayPre, Target& godrayPost)
{
    for (const auto& instance : object.meshInstances()) {
        for (const auto& name : instance->meshTargets()) {
            if (Target* named = target(name))
                named->addDrawable(instance);
        }
        godrayPre.addDrawable(instance);
        godrayPost.addDrawable(instance);
    }
    for (const auto& child : object.children())
        registerObject(*child, godrayPre, godrayPost);
}

void Renderer::refreshUniforms()
{
    for (auto& entry : targets_)
        entry.second->refreshUniforms();
    if (smoothing_ != nullptr)
        lookUpSmoothing();
}

void Renderer::lookUpSmoothing()
{
    const std::string name(edgeSmoothingProgram);
    smoothing_ = &programs_->program(name);
    smoothingScene_ = programs_->uniformLocation(name, "scene");
}

bool Renderer::framebuffersComplete() const
{
    if (output_) {
        glBindFramebuffer(GL_FRAMEBUFFER, output_->framebuffer());
        const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        if (!complete)
            return false;
    }
    return geometry_->fbo().isComplete() && godrayPre_->fbo().isComplete();
}

void Renderer::setProfiler(FrameProfiler* profiler)
{
    profiler_ = profiler;
    geometry_->setProfiler(profiler);
}

void Renderer::prepare(const std::vector<std::string>& inactive)
{
    for (auto& entry : targets_) {
        entry.second->setEnabled(true);
        entry.second->setBloomEnabled(true);
    }
    for (const auto& instance : geometry_->drawables())
        instance->setParallax(true);
    for (scene::MeshInstance* pillar : geometryPillars_)
        pillar->setRenderFlag(true);
    for (scene::MeshInstance* pillar : shadowPillars_)
        pillar->setCastShadow(true);
    particle_->setShadowCasting(true);
    roomLight_->setShadowCasting(true);
    turnOff(inactive);
}

void Renderer::turnOff(const std::vector<std::string>& inactive)
{
    for (const std::string& name : inactive) {
        if (name == switches::parallax) {
            for (const auto& instance : geometry_->drawables())
                instance->setParallax(false);
        } else if (name == switches::bloom) {
            for (auto& entry : targets_)
                entry.second->setBloomEnabled(false);
        } else if (name == switches::shadowcastPillars) {
            for (scene::MeshInstance* pillar : shadowPillars_)
                pillar->setCastShadow(false);
        } else if (name == switches::particleShadows) {
            particle_->setShadowCasting(false);
        } else if (name == switches::roomlightShadows) {
            roomLight_->setShadowCasting(false);
        } else if (name == switches::renderPillars) {
            for (scene::MeshInstance* pillar : geometryPillars_)
                pillar->setRenderFlag(false);
        } else if (Target* named = target(name)) {
            named->setEnabled(false);
        }
    }
}

void Renderer::update(double dt)
{
    for (Target* target : updateOrder_) {
        if (target->isEnabled())
            target->update(dt);
    }
}

void Renderer::render(scene::Scene& scene)
{
    const GLuint output = outputFramebuffer();
    const auto width = static_cast<GLsizei>(renderWidth_);
    const auto height = static_cast<GLsizei>(renderHeight_);
    if (output_) {
        // The frame's clear of the window, on what stands in for it.
        glBindFramebuffer(GL_FRAMEBUFFER, output);
        glDepthMask(GL_TRUE);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    if (profiler_ != nullptr)
        profiler_->beginFrame();
    for (std::size_t i = 0; i < renderOrder_.size(); ++i) {
        if (profiler_ != nullptr)
            profiler_->markPass(i);
        Target* target = renderOrder_[i];
        if (!target->isEnabled())
            continue;
        // Every pass starts on the output at the render size; the passes
        // that draw after the geometry pass draw onto whatever is bound.
        glBindFramebuffer(GL_FRAMEBUFFER, output);
        glViewport(0, 0, width, height);
        target->draw(scene, *target);
    }
    if (profiler_ != nullptr)
        profiler_->markPresent();
    if (output_)
        present();
    if (profiler_ != nullptr)
        profiler_->endFrame();
}

}  // namespace orv::render

#include "render/DeferredRenderGeometry.h"

#include <cmath>

#include <GL/glew.h>

#include "gl/ProgramManager.h"
#include "render/FrameProfiler.h"
#include "render/ParticleSystem.h"
#include "render/ShadowMapping.h"
#include "scene/GLErrors.h"
#include "scene/PointLight.h"
#include "scene/Scene.h"
#include "timeline/Timeline.h"

namespace orv::render {

DeferredRenderGeometry::DeferredRenderGeometry(gl::ProgramManager& programs, const view::OpenGLwindow& window,
                                               const config::ModelCatalogue& models,
                                               std::shared_ptr<ShadowMapping> shadowMapping,
                                               std::shared_ptr<ParticleSystem> particles, int maxParticleLights)
    : Target(programs), accumulation_(programs, models, window, std::move(shadowMapping)),
      stencil_(programs, models), particles_(std::move(particles)), maxParticleLights_(maxParticleLights),
      bloomProgram_(&programs.program("bloom")), copyProgram_(&programs.program("copy"))
{
    fbo_.init(window, programs);
    particleLight_ = std::make_shared<scene::PointLight>();
    setEnabled(true);
    lookUpUniforms();
}

void DeferredRenderGeometry::lookUpUniforms()
{
    const gl::ProgramManager& programs = *programManager();
    bloomScene_ = programs.uniformLocation("bloom", "scene");
    bloomBlur_ = programs.uniformLocation("bloom", "blur");
    // Optional: a bloom shader without it adds its glow at its own strength.
    bloomStrength_ = programs.program("bloom").declares("bloom_strength")
                         ? programs.uniformLocation("bloom", "bloom_strength")
                         : -1;
    copyScene_ = programs.uniformLocation("copy", "scene");
    // The passes it runs inside its own draw, and its framebuffer's blur chain.
    fbo_.lookUpUniforms(programs);
    accumulation_.refreshUniforms();
    stencil_.refreshUniforms();
}

bool DeferredRenderGeometry::isUsableLightRecord(const float* record)
{
    if (record[0] != 1.0f)
        return false;
    for (int i : {1, 2, 3, 8, 12, 13}) {
        if (!std::isfinite(record[i]))
            return false;
    }
    return true;
}

void DeferredRenderGeometry::drawLight(scene::Scene& scene, const std::shared_ptr<scene::PointLight>& light)
{
    if (!LightVolume::drawsVolume(*light))
        return;
    currentLight_ = light;
    stencil_.draw(scene, *this);
    accumulation_.draw(scene, *this);
    ++lightsDrawn_;
}

void DeferredRenderGeometry::draw(scene::Scene& scene, Target& caller)
{
    lightsDrawn_ = 0;
    if (drawables().empty())
        return;

    // Geometry: clear the two light outputs, then the four geometry outputs
    // and depth (the stencil is cleared per light), and draw every mesh.
    useProgram();
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, fbo_.framebuffer());
    static constexpr GLenum lightOutputs[] = {GL_NONE, GL_NONE, GL_NONE, GL_NONE, GL_COLOR_ATTACHMENT4,
                                              GL_COLOR_ATTACHMENT5};
    glDrawBuffers(6, lightOutputs);
    glClear(GL_COLOR_BUFFER_BIT);
    static constexpr GLenum geometryOutputs[] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1, GL_COLOR_ATTACHMENT2,
                                                 GL_COLOR_ATTACHMENT3};
    glDrawBuffers(4, geometryOutputs);
    glDepthMask(GL_TRUE);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    drawAll(scene);

    // Lights: depth is read, never written, from here on.
    glDepthMask(GL_FALSE);
    glEnable(GL_STENCIL_TEST);
    if (profiler_ != nullptr)
        profiler_->markLightLoop(false);
    for (const auto& light : lights_)
        drawLight(scene, light);
    if (particles_ && particles_->isEnabled()) {
        // Record 0 is the emitter, never a light.
        const float* records = particles_->records();
        const auto count = static_cast<int>(particles_->recordCount());
        for (int i = 1; i < count && i < maxParticleLights_; ++i) {
            const float* record = records + static_cast<std::size_t>(i) * ParticleSystem::recordFloats;
            if (!isUsableLightRecord(record))
                continue;
            particleLight_->setFromParticleRecord(record);
            drawLight(scene, particleLight_);
        }
    }
    glDisable(GL_STENCIL_TEST);
    if (profiler_ != nullptr)
        profiler_->markLightLoop(true);

    const GLuint blurred = fbo_.blurBloom(*programManager(), 4, fbo_.bloomSourceTexture());
    compose(scene, caller, blurred);

    // The passes after this one are depth-tested against the scene.
    const auto width = static_cast<GLint>(fbo_.width());
    const auto height = static_cast<GLint>(fbo_.height());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo_.framebuffer());
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glBlitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_DEPTH_BUFFER_BIT, GL_NEAREST);
    glDepthMask(GL_TRUE);
    scene::reportGLErrors();
}

void DeferredRenderGeometry::compose(scene::Scene& scene, Target& caller, GLuint blurred)
{
    if (caller.isBloomEnabled()) {
        bloomProgram_->makeCurrent();
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, fbo_.litSceneTexture());
        glActiveTexture(GL_TEXTURE1);
        glBindTexture(GL_TEXTURE_2D, blurred);
        glUniform1i(bloomScene_, 0);
        glUniform1i(bloomBlur_, 1);
        if (bloomStrength_ >= 0)
            glUniform1f(bloomStrength_, scene.timeline().bloomStrength());
    } else {
        copyProgram_->makeCurrent();
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, fbo_.litSceneTexture());
        glUniform1i(copyScene_, 0);
    }
    fbo_.drawQuad();
}

}  // namespace orv::render

#include "render/DeferredRenderGeometry.h"

#include <cmath>

#include <GL/glew.h>
#include <glm/gtc/type_ptr.hpp>
#include <glm/matrix.hpp>

#include "gl/ProgramManager.h"
#include "render/FrameProfiler.h"
#include "render/ParticleSystem.h"
#include "render/ShadowMapping.h"
#include "scene/GLErrors.h"
#include "scene/PointLight.h"
#include "scene/Scene.h"
#include "timeline/Timeline.h"

namespace orv::render {

namespace {

// Optional in both composition programs: where they list both, they are
// told the screen-to-world turn and given the scene's depth, to put a sky
// where no mesh is.
constexpr const char* skyUniform = "sky_from_screen";
constexpr const char* depthUniform = "scene_depth";
constexpr GLint depthUnit = 2;

int optionalLocation(const gl::ProgramManager& programs, const char* program, const char* uniform)
{
    return programs.program(program).declares(uniform) ? programs.uniformLocation(program, uniform) : -1;
}

}  // namespace

DeferredRenderGeometry::DeferredRenderGeometry(gl::ProgramManager& programs, const view::OpenGLwindow& window,
                                               const config::ModelCatalogue& models,
                                               std::shared_ptr<ShadowMapping> shadowMapping,
                                               std::shared_ptr<ParticleSystem> particles, int maxParticleLights)
    : Target(programs), accumulation_(programs, models, window, std::move(shadowMapping)),
      stencil_(programs, models), particles_(std::move(particles)), maxParticleLights_(maxParticleLights),
      bloomProgram_(&programs.program("bloom")), copyProgram_(&programs.program("copy"))
{
    // Bloom is a wide blur: its first level need not be finer than half the
    // frame, and at full size it was the costly one. Half floats, like its
    // source: each level's passes read and write half the bytes.
    fbo_.setBlurChain(1, GL_RGB16F);
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
    bloomStrength_ = optionalLocation(programs, "bloom", "bloom_strength");
    copyScene_ = programs.uniformLocation("copy", "scene");
    copyToScreen_ = programs.uniformLocation("copy", "to_screen");
    bloomSky_ = optionalLocation(programs, "bloom", skyUniform);
    bloomDepth_ = optionalLocation(programs, "bloom", depthUniform);
    copySky_ = optionalLocation(programs, "copy", skyUniform);
    copyDepth_ = optionalLocation(programs, "copy", depthUniform);
    // The passes it runs inside its own draw, and its framebuffer's blur chain.
    fbo_.lookUpUniforms(programs);
    accumulation_.refreshUniforms();
    stencil_.refreshUniforms();
}

void DeferredRenderGeometry::resize(unsigned width, unsigned height)
{
    fbo_.create(width, height);
    accumulation_.setScreenSize(width, height);
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
    const glm::vec2 screen = accumulation_.screenSize();
    if (volumeFraming_) {
        currentPlacement_ = LightVolume::place(light->position(), light->attenuationRadius(),
                                               scene.timeline().view(), scene.timeline().projection(), screen);
    } else {
        currentPlacement_ = {LightVolume::Placement::Framed, glm::ivec4(0, 0, glm::ivec2(screen))};
    }
    currentLight_ = light;
    switch (currentPlacement_.kind) {
    case LightVolume::Placement::Hidden:
        return;
    case LightVolume::Placement::Enclosing:
        // No front faces to count: the light pass bounds it by its back faces alone.
        glDisable(GL_SCISSOR_TEST);
        glDisable(GL_STENCIL_TEST);
        accumulation_.draw(scene, *this);
        ++enclosingLightsDrawn_;
        break;
    case LightVolume::Placement::Framed: {
        const glm::ivec4& rect = currentPlacement_.rect;
        glEnable(GL_SCISSOR_TEST);
        glScissor(rect.x, rect.y, rect.z, rect.w);
        glEnable(GL_STENCIL_TEST);
        stencil_.draw(scene, *this);
        accumulation_.draw(scene, *this);
        break;
    }
    }
    ++lightsDrawn_;
}

void DeferredRenderGeometry::draw(scene::Scene& scene, Target& caller)
{
    lightsDrawn_ = 0;
    enclosingLightsDrawn_ = 0;
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

    // Lights: depth is read, never written, from here on; each light sets
    // its own stencil test and scissor frame.
    glDepthMask(GL_FALSE);
    if (profiler_ != nullptr)
        profiler_->markGeometryStep(FrameProfiler::GeometryStep::LightLoop);
    for (const auto& light : lights_)
        drawLight(scene, light);
    if (particles_ && particles_->isEnabled()) {
        // Record 0 is the emitter, never a light. The cap counts lights, not
        // records: the newest sparks come first, each followed by its embers,
        // so a cap on records would light the room with the youngest few
        // sparks only, all still at the emitter and in its birth colour.
        const float* records = particles_->records();
        const auto count = static_cast<int>(particles_->recordCount());
        int sparkLights = 0;
        for (int i = 1; i < count && sparkLights < maxParticleLights_; ++i) {
            const float* record = records + static_cast<std::size_t>(i) * ParticleSystem::recordFloats;
            if (!isUsableLightRecord(record))
                continue;
            particleLight_->setFromParticleRecord(record);
            drawLight(scene, particleLight_);
            ++sparkLights;
        }
    }
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_SCISSOR_TEST);
    if (profiler_ != nullptr)
        profiler_->markGeometryStep(FrameProfiler::GeometryStep::BloomBlur);

    const GLuint blurred = fbo_.blurBloom(*programManager(), 4, fbo_.bloomSourceTexture(),
                                             fbo::FBO::SourceReads::MipChain);
    if (profiler_ != nullptr)
        profiler_->markGeometryStep(FrameProfiler::GeometryStep::Composition);
    compose(scene, caller, blurred);
    if (profiler_ != nullptr)
        profiler_->markGeometryStep(FrameProfiler::GeometryStep::DepthHandOver);

    // The passes after this one are depth-tested against the scene.
    const auto width = static_cast<GLint>(fbo_.width());
    const auto height = static_cast<GLint>(fbo_.height());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo_.framebuffer());
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, outputFramebuffer_);
    glBlitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_DEPTH_BUFFER_BIT, GL_NEAREST);
    glDepthMask(GL_TRUE);
    scene::reportGLErrors();
}

void DeferredRenderGeometry::compose(scene::Scene& scene, Target& caller, GLuint blurred)
{
    glBindFramebuffer(GL_FRAMEBUFFER, outputFramebuffer_);
    // From the screen to a direction in the world (the view turned, not moved).
    const glm::mat4 skyFromScreen =
        glm::inverse(scene.timeline().projection() * glm::mat4(glm::mat3(scene.timeline().view())));
    glActiveTexture(GL_TEXTURE0 + depthUnit);
    glBindTexture(GL_TEXTURE_2D, fbo_.depthStencilTexture());
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
        if (bloomSky_ >= 0)
            glUniformMatrix4fv(bloomSky_, 1, GL_FALSE, glm::value_ptr(skyFromScreen));
        if (bloomDepth_ >= 0)
            glUniform1i(bloomDepth_, depthUnit);
    } else {
        copyProgram_->makeCurrent();
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, fbo_.litSceneTexture());
        glUniform1i(copyScene_, 0);
        if (copySky_ >= 0)
            glUniformMatrix4fv(copySky_, 1, GL_FALSE, glm::value_ptr(skyFromScreen));
        if (copyDepth_ >= 0)
            glUniform1i(copyDepth_, depthUnit);
        // The tone curve (and the sky) for the screen only: the blur chain
        // adds its levels with this program too, and must get them as they are.
        glUniform1f(copyToScreen_, 1.0f);
        fbo_.drawQuad();
        glUniform1f(copyToScreen_, 0.0f);
        return;
    }
    fbo_.drawQuad();
}

}  // namespace orv::render

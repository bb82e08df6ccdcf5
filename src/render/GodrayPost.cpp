#include "render/GodrayPost.h"

#include <algorithm>
#include <cmath>

#include <glm/common.hpp>
#include <glm/geometric.hpp>
#include <glm/gtc/type_ptr.hpp>

#include "gl/ProgramManager.h"
#include "render/GodrayPre.h"
#include "scene/GLErrors.h"
#include "scene/RoomLight.h"
#include "scene/Scene.h"
#include "timeline/Timeline.h"

namespace orv::render {

GodrayPost::GodrayPost(gl::ProgramManager& programs, std::shared_ptr<GodrayPre> pre)
    : Target(programs), pre_(std::move(pre)), copy_(&programs.program("copy"))
{
    setEnabled(true);
    setBloomEnabled(true);
    lookUpUniforms();
}

void GodrayPost::lookUpUniforms()
{
    exposureLocation_ = uniformLocation("exposure");
    decayLocation_ = uniformLocation("decay");
    densityLocation_ = uniformLocation("density");
    weightLocation_ = uniformLocation("weight");
    occlusionSampler_ = uniformLocation("occlusion_sampler");
    lightPosScreen_ = uniformLocation("light_pos_screen");
    copy_ = &programManager()->program("copy");
    copyScene_ = programManager()->uniformLocation("copy", "scene");
}

glm::vec3 GodrayPost::screenPosition(const glm::mat4& viewProjection, const glm::vec3& world)
{
    const glm::vec4 clip = viewProjection * glm::vec4(world, 1.0f);
    return glm::vec3(clip) / clip.w * 0.5f + 0.5f;
}

float GodrayPost::visibilityAt(const glm::vec3& screen)
{
    // Behind the camera the depth lies above 1 (and x, y are mirrored).
    if (!(screen.z <= 1.0f) || !std::isfinite(screen.x) || !std::isfinite(screen.y))
        return 0.0f;
    const glm::vec2 outside = glm::max(glm::abs(glm::vec2(screen) - 0.5f) - 0.5f, 0.0f);
    const float t = std::clamp(glm::length(outside) / 0.4f, 0.0f, 1.0f);
    return 1.0f - t * t * (3.0f - 2.0f * t);
}

float GodrayPost::nearnessAt(float distance)
{
    if (!(distance < fullDistance))
        return 1.0f;
    const float share = std::max(distance, 0.0f) / fullDistance;
    return share * share;
}

void GodrayPost::ease(double now, float target, std::uint32_t shot)
{
    const double dt = now - lastDraw_;
    if (!drawn_ || dt < 0.0 || shot != lastShot_) {
        visibility_ = target;
    } else {
        // Within reach it lands on the target itself: v + (t - v) need not
        // give t in floats, and the frame would then depend on the frames
        // drawn before it.
        const auto most = static_cast<float>(dt / fadeSeconds);
        if (std::abs(target - visibility_) <= most)
            visibility_ = target;
        else
            visibility_ += std::clamp(target - visibility_, -most, most);
    }
    lastDraw_ = now;
    lastShot_ = shot;
    drawn_ = true;
}

void GodrayPost::draw(scene::Scene& scene, Target&)
{
    // Both marches run at the occlusion image's size, into the god-ray
    // framebuffer and then into its spare blur texture; only the last step,
    // the stretch onto the screen, runs at the frame's size. Neither is
    // depth-tested: the framebuffer's depth still holds the scene.
    GLint frameViewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, frameViewport);
    useProgram();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    fbo::GodRayFBO& fbo = pre_->fbo();
    glViewport(0, 0, static_cast<GLsizei>(fbo.width()), static_cast<GLsizei>(fbo.height()));
    glBindFramebuffer(GL_FRAMEBUFFER, fbo.framebuffer());
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, pre_->occlusionTexture());

    const glm::vec3 lamp = pre_->roomLight()->position();
    const glm::vec3 camera = scene.timeline().cameraPosition();
    const glm::vec3 light = screenPosition(scene.timeline().viewProjection(), lamp);
    ease(scene.time(), visibilityAt(light) * nearnessAt(glm::distance(camera, lamp)), scene.timeline().cameraShot());
    if (visibility_ <= 0.0f) {
        glViewport(frameViewport[0], frameViewport[1], frameViewport[2], frameViewport[3]);
        glBindFramebuffer(GL_FRAMEBUFFER, outputFramebuffer_);
        glDepthMask(GL_TRUE);
        glClear(GL_DEPTH_BUFFER_BIT);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        return;
    }
    glUniform1f(exposureLocation_, exposure_);
    glUniform1f(decayLocation_, decay_);
    glUniform1f(densityLocation_, density_);
    glUniform1f(weightLocation_, weight_);
    glUniform1i(occlusionSampler_, 0);
    glUniform3fv(lightPosScreen_, 1, glm::value_ptr(light));
    fbo.drawQuad();

    // Again on the first result, this time scaled by the eased visibility.
    // Blur texture 1 is free: the occlusion image's one blur level leaves
    // its result in blur texture 0.
    glUniform1f(exposureLocation_, exposure_ * visibility_);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo.blurFramebuffer(1));
    glBindTexture(GL_TEXTURE_2D, fbo.colorTexture());
    fbo.drawQuad();

    // Stretched over the screen with linear filtering. The shafts hang in
    // the air between the camera and the lamp: beyond nearShare of the way
    // to the lamp they are screened onto the picture (added in proportion to
    // how far it is from white, so a bright sky behind them never clips);
    // whatever stands nearer (a pillar right in front of the camera) hides
    // them but for their hazeShare, added. Every fragment of the quad gets
    // that depth, tested against the scene's: each pixel takes one draw.
    const glm::vec3 near = camera + nearShare * (lamp - camera);
    const float nearDepth = std::clamp(screenPosition(scene.timeline().viewProjection(), near).z, 0.0f, 1.0f);
    glViewport(frameViewport[0], frameViewport[1], frameViewport[2], frameViewport[3]);
    glBindFramebuffer(GL_FRAMEBUFFER, outputFramebuffer_);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glDepthRange(nearDepth, nearDepth);
    glEnable(GL_BLEND);
    copy_->makeCurrent();
    glUniform1i(copyScene_, 0);
    glBindTexture(GL_TEXTURE_2D, fbo.blurTexture(1));
    glDepthFunc(GL_LESS);
    glBlendFunc(GL_ONE_MINUS_DST_COLOR, GL_ONE);
    fbo.drawQuad();
    glDepthFunc(GL_GEQUAL);
    glBlendColor(hazeShare, hazeShare, hazeShare, 1.0f);
    glBlendFunc(GL_CONSTANT_COLOR, GL_ONE);
    fbo.drawQuad();
    glDepthFunc(GL_LESS);
    glDisable(GL_BLEND);
    glBlendColor(0.0f, 0.0f, 0.0f, 0.0f);
    glDepthRange(0.0, 1.0);
    glDisable(GL_DEPTH_TEST);
    // The last pass: the scene's depth is done with.
    glDepthMask(GL_TRUE);
    glClear(GL_DEPTH_BUFFER_BIT);
    scene::reportGLErrors();
}

}  // namespace orv::render

#include "render/GodrayPost.h"

#include <glm/gtc/type_ptr.hpp>

#include "render/GodrayPre.h"
#include "scene/GLErrors.h"
#include "scene/RoomLight.h"
#include "scene/Scene.h"
#include "timeline/Timeline.h"

namespace orv::render {

GodrayPost::GodrayPost(gl::ProgramManager& programs, std::shared_ptr<GodrayPre> pre)
    : Target(programs), pre_(std::move(pre))
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
}

glm::vec3 GodrayPost::screenPosition(const glm::mat4& viewProjection, const glm::vec3& world)
{
    const glm::vec4 clip = viewProjection * glm::vec4(world, 1.0f);
    return glm::vec3(clip) / clip.w * 0.5f + 0.5f;
}

void GodrayPost::draw(scene::Scene& scene, Target&)
{
    // The quads must not be depth-tested: the first lands in the occlusion
    // framebuffer, whose depth still holds the scene.
    useProgram();
    glDepthMask(GL_TRUE);
    glClear(GL_DEPTH_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    glBindFramebuffer(GL_FRAMEBUFFER, pre_->fbo().framebuffer());
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, pre_->occlusionTexture());

    const glm::vec3 light = screenPosition(scene.timeline().viewProjection(), pre_->roomLight()->position());
    glUniform1f(exposureLocation_, exposure_);
    glUniform1f(decayLocation_, decay_);
    glUniform1f(densityLocation_, density_);
    glUniform1f(weightLocation_, weight_);
    glUniform1i(occlusionSampler_, 0);
    glUniform3fv(lightPosScreen_, 1, glm::value_ptr(light));
    pre_->fbo().drawQuad();

    // Again on the first result, added onto the screen.
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glBindFramebuffer(GL_FRAMEBUFFER, outputFramebuffer_);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, pre_->fbo().colorTexture());
    pre_->fbo().drawQuad();
    glDisable(GL_BLEND);
    scene::reportGLErrors();
}

}  // namespace orv::render

#include "render/GodrayPre.h"

#include <algorithm>

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include "gl/ProgramManager.h"
#include "scene/GLErrors.h"
#include "scene/RoomLight.h"
#include "scene/Scene.h"
#include "timeline/Timeline.h"
#include "view/OpenGLwindow.h"

namespace orv::render {

namespace {

unsigned halfSize(int size) { return static_cast<unsigned>(std::max(size / 2, 1)); }
unsigned halfSize(unsigned size) { return std::max(size / 2, 1u); }

}  // namespace

GodrayPre::GodrayPre(gl::ProgramManager& programs, const view::OpenGLwindow& window,
                     std::shared_ptr<scene::RoomLight> roomLight)
    : Target(programs), roomLight_(std::move(roomLight))
{
    fbo_.init(halfSize(window.width()), halfSize(window.height()), programs);
    setEnabled(true);
    setBloomEnabled(true);
}

void GodrayPre::resize(unsigned width, unsigned height)
{
    fbo_.create(halfSize(width), halfSize(height));
    // The last blurred image went with the old framebuffer.
    occlusionTexture_ = 0;
}

void GodrayPre::lookUpUniforms()
{
    fbo_.lookUpUniforms(*programManager());
    drawBackground_ = -2;
}

void GodrayPre::draw(scene::Scene& scene, Target& caller)
{
    // Drawn at the framebuffer's own (smaller) size; the frame's viewport is
    // given back at the end.
    GLint frameViewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, frameViewport);
    useProgram();
    glBindFramebuffer(GL_FRAMEBUFFER, fbo_.framebuffer());
    glViewport(0, 0, static_cast<GLsizei>(fbo_.width()), static_cast<GLsizei>(fbo_.height()));
    glDepthMask(GL_TRUE);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glDisable(GL_BLEND);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    if (drawBackground_ == -2) {
        drawBackground_ = uniformLocation("draw_background");
        modelMatrix_ = uniformLocation("m_matrix");
        viewProjection_ = uniformLocation("vp_matrix");
    }
    glUniform1i(drawBackground_, 0);
    roomLight_->draw(scene, caller);

    // The glow: a disc facing the camera, all of it at the lamp's depth, so
    // that what stands in front of the lamp cuts it (the dark shafts) and
    // what stands behind does not. The model matrix carries its place and radius.
    const glm::mat4 atLamp =
        glm::scale(glm::translate(glm::mat4(1.0f), roomLight_->position()), glm::vec3(glowRadius));
    const glm::mat4 viewProjection = scene.timeline().viewProjection();
    glUniformMatrix4fv(modelMatrix_, 1, GL_FALSE, glm::value_ptr(atLamp));
    glUniformMatrix4fv(viewProjection_, 1, GL_FALSE, glm::value_ptr(viewProjection));
    glUniform1i(drawBackground_, 2);
    fbo_.drawQuad();

    glUniform1i(drawBackground_, 1);
    drawAll(scene);

    occlusionTexture_ = fbo_.blurBloom(*programManager(), 1, fbo_.colorTexture());
    glViewport(frameViewport[0], frameViewport[1], frameViewport[2], frameViewport[3]);
    scene::reportGLErrors();
}

}  // namespace orv::render

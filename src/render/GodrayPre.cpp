#include "render/GodrayPre.h"

#include "gl/ProgramManager.h"
#include "scene/GLErrors.h"
#include "scene/RoomLight.h"

namespace orv::render {

GodrayPre::GodrayPre(gl::ProgramManager& programs, const view::OpenGLwindow& window,
                     std::shared_ptr<scene::RoomLight> roomLight)
    : Target(programs), roomLight_(std::move(roomLight))
{
    fbo_.init(window, programs);
    setEnabled(true);
    setBloomEnabled(true);
}

void GodrayPre::resize(unsigned width, unsigned height)
{
    fbo_.create(width, height);
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
    useProgram();
    glBindFramebuffer(GL_FRAMEBUFFER, fbo_.framebuffer());
    glDepthMask(GL_TRUE);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    if (drawBackground_ == -2)
        drawBackground_ = uniformLocation("draw_background");
    glUniform1i(drawBackground_, 0);
    roomLight_->draw(scene, caller);
    glUniform1i(drawBackground_, 1);
    drawAll(scene);

    occlusionTexture_ = fbo_.blurBloom(*programManager(), 1, fbo_.colorTexture());
    scene::reportGLErrors();
}

}  // namespace orv::render

#include "render/fbo/GodRayFBO.h"

#include "gl/DebugLabel.h"

#include "scene/GLErrors.h"

namespace orv::render::fbo {

bool GodRayFBO::createAttachments()
{
    const auto w = static_cast<GLsizei>(width());
    const auto h = static_cast<GLsizei>(height());
    gl::debugLabel(GL_FRAMEBUFFER, framebuffer(), "god-ray occlusion");

    colorTexture_ = gl::TextureHandle::create();
    glBindTexture(GL_TEXTURE_2D, colorTexture_.name());
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(imageFormat), w, h, 0, GL_RGB, GL_FLOAT, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colorTexture_.name(), 0);
    colorTexture_.label("god-ray occlusion");
    glBindTexture(GL_TEXTURE_2D, 0);

    depthRenderbuffer_ = gl::RenderbufferHandle::create();
    glBindRenderbuffer(GL_RENDERBUFFER, depthRenderbuffer_.name());
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT, w, h);
    glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depthRenderbuffer_.name());
    depthRenderbuffer_.label("god-ray depth");
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    scene::reportGLErrors();
    return true;
}

}  // namespace orv::render::fbo

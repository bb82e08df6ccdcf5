#include "render/fbo/OutputFramebuffer.h"

#include <cstdio>

#include "scene/GLErrors.h"

namespace orv::render::fbo {

bool OutputFramebuffer::create(unsigned width, unsigned height)
{
    width_ = width;
    height_ = height;
    const auto w = static_cast<GLsizei>(width);
    const auto h = static_cast<GLsizei>(height);

    framebuffer_ = gl::FramebufferHandle::create();
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_.name());
    framebuffer_.label("scaled output");

    color_ = gl::TextureHandle::create();
    glBindTexture(GL_TEXTURE_2D, color_.name());
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, color_.name(), 0);
    color_.label("scaled output colour");
    glBindTexture(GL_TEXTURE_2D, 0);

    depth_ = gl::RenderbufferHandle::create();
    glBindRenderbuffer(GL_RENDERBUFFER, depth_.name());
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, w, h);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depth_.name());
    depth_.label("scaled output depth-stencil");
    glBindRenderbuffer(GL_RENDERBUFFER, 0);

    const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    scene::reportGLErrors();
    if (status != GL_FRAMEBUFFER_COMPLETE) {
        std::fprintf(stderr, "Framebuffer failed to initialise with status: %x\n", status);
        std::fflush(stderr);
        return false;
    }
    return true;
}

void OutputFramebuffer::stretchToScreen(int screenWidth, int screenHeight) const
{
    // A blit is clipped by the scissor box like a draw.
    glDisable(GL_SCISSOR_TEST);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_.name());
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glBlitFramebuffer(0, 0, static_cast<GLint>(width_), static_cast<GLint>(height_), 0, 0, screenWidth, screenHeight,
                      GL_COLOR_BUFFER_BIT, GL_LINEAR);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

}  // namespace orv::render::fbo

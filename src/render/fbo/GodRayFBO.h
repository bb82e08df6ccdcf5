#pragma once

#include "render/fbo/FBO.h"

namespace orv::render::fbo {

// The occlusion image of the god-ray passes: one colour texture and a depth renderbuffer.
class GodRayFBO : public FBO {
public:
    // The occlusion image and the shafts are soft, low-range light: half
    // floats hold them as well as full ones, in half the memory traffic.
    static constexpr GLenum imageFormat = GL_RGB16F;

    GodRayFBO() { setBlurChain(0, imageFormat); }

    GLuint colorTexture() const { return colorTexture_.name(); }
    GLuint depthRenderbuffer() const { return depthRenderbuffer_.name(); }

protected:
    bool createAttachments() override;

private:
    gl::TextureHandle colorTexture_;
    gl::RenderbufferHandle depthRenderbuffer_;
};

}  // namespace orv::render::fbo

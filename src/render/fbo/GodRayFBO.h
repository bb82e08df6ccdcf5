#pragma once

#include "render/fbo/FBO.h"

namespace orv::render::fbo {

// The occlusion image of the god-ray passes: one colour texture and a depth renderbuffer.
class GodRayFBO : public FBO {
public:
    GLuint colorTexture() const { return colorTexture_.name(); }
    GLuint depthRenderbuffer() const { return depthRenderbuffer_.name(); }

protected:
    bool createAttachments() override;

private:
    gl::TextureHandle colorTexture_;
    gl::RenderbufferHandle depthRenderbuffer_;
};

}  // namespace orv::render::fbo

#pragma once

#include "render/fbo/FBO.h"

namespace orv::render::fbo {

// The occlusion image of the god-ray passes: one colour texture and a depth renderbuffer.
class GodRayFBO : public FBO {
public:
    GLuint colorTexture() const { return colorTexture_; }
    GLuint depthRenderbuffer() const { return depthRenderbuffer_; }

protected:
    bool createAttachments() override;

private:
    GLuint colorTexture_ = 0;
    GLuint depthRenderbuffer_ = 0;
};

}  // namespace orv::render::fbo

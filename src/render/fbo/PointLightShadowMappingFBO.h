#pragma once

#include "render/fbo/FBO.h"

namespace orv::render::fbo {

// A depth cube map, attached as one layered depth attachment so that a single
// pass can render all six faces. Its faces are faceSize() square whatever the
// window size (which still sizes the blur chain).
class PointLightShadowMappingFBO : public FBO {
public:
    // Nothing blurs a shadow map, yet every framebuffer keeps its chain: the
    // smallest float format that still holds a colour blur makes it a quarter
    // of the default's memory, which a software GL zero-fills at start.
    static constexpr GLenum blurFormat = GL_R11F_G11F_B10F;

    PointLightShadowMappingFBO() { setBlurChain(0, blurFormat); }

    // unit is GL_TEXTURE0 + n.
    void bindShadowCubeMap(GLenum unit) const;

    unsigned faceCount() const { return 6; }
    unsigned faceSize() const { return faceSize_; }
    GLuint cubeMap() const { return cubeMap_.name(); }

protected:
    bool createAttachments() override;

private:
    gl::TextureHandle cubeMap_;
    unsigned faceSize_ = 1024;
};

}  // namespace orv::render::fbo

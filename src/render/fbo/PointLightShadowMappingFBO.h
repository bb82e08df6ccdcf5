#pragma once

#include "render/fbo/FBO.h"

namespace orv::render::fbo {

// A depth cube map, attached as one layered depth attachment so that a single
// pass can render all six faces. Its faces are faceSize() square whatever the
// window size (which still sizes the blur chain).
class PointLightShadowMappingFBO : public FBO {
public:
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

#pragma once

#include <array>

#include "render/fbo/FBO.h"

namespace orv::render::fbo {

// The geometry buffer of the deferred pass: position, diffuse, normal and
// specular textures, depth-stencil, and the bloom-source and lit-scene
// textures that the light passes add into.
class DeferredShadingFBO : public FBO {
public:
    enum GeometryTexture : unsigned { Position = 0, Diffuse = 1, Normal = 2, Specular = 3 };

    // Geometry texture i on GL_TEXTURE0 + i, for i = 0..3.
    void bindGeometryTextures() const;
    // unit is GL_TEXTURE0 + n.
    void bindGeometryTexture(GLenum unit, unsigned index) const;

    GLuint geometryTexture(unsigned index) const { return geometryTextures_.at(index).name(); }
    GLuint depthStencilTexture() const { return depthStencilTexture_.name(); }
    GLuint bloomSourceTexture() const { return bloomSourceTexture_.name(); }
    GLuint litSceneTexture() const { return litSceneTexture_.name(); }

protected:
    bool createAttachments() override;

private:
    std::array<gl::TextureHandle, 4> geometryTextures_;
    gl::TextureHandle depthStencilTexture_;
    gl::TextureHandle bloomSourceTexture_;
    gl::TextureHandle litSceneTexture_;
};

}  // namespace orv::render::fbo

#include "render/fbo/DeferredShadingFBO.h"

#include "gl/DebugLabel.h"

#include <algorithm>
#include <bit>
#include <string>

#include "scene/GLErrors.h"

namespace orv::render::fbo {

namespace {

// A width x height float RGB texture attached at the given colour attachment.
void attachColour(const gl::TextureHandle& texture, GLenum attachment, GLenum format, GLint filter, bool clampToEdge,
                  unsigned width, unsigned height, const char* name)
{
    glBindTexture(GL_TEXTURE_2D, texture.name());
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), static_cast<GLsizei>(width), static_cast<GLsizei>(height), 0, GL_RGB,
                 GL_FLOAT, nullptr);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, static_cast<GLfloat>(filter));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, static_cast<GLfloat>(filter));
    if (clampToEdge) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    }
    glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, attachment, GL_TEXTURE_2D, texture.name(), 0);
    texture.label(name);
}

}  // namespace

bool DeferredShadingFBO::createAttachments()
{
    gl::debugLabel(GL_FRAMEBUFFER, framebuffer(), "geometry buffer");
    for (auto& texture : geometryTextures_)
        texture = gl::TextureHandle::create();
    depthStencilTexture_ = gl::TextureHandle::create();
    bloomSourceTexture_ = gl::TextureHandle::create();
    litSceneTexture_ = gl::TextureHandle::create();

    // Positions need full floats (a half float is a few centimetres off a
    // few units from the origin, which shows in shadows and highlights);
    // colours, normals and the light sums do with half floats, which halve
    // what every light reads and adds.
    const char* const names[] = {"geometry position", "geometry diffuse", "geometry normal", "geometry specular"};
    for (unsigned i = 0; i < geometryTextures_.size(); ++i) {
        attachColour(geometryTextures_[i], GL_COLOR_ATTACHMENT0 + i, i == Position ? GL_RGB32F : GL_RGB16F,
                     GL_NEAREST, false, width(), height(), names[i]);
    }

    glBindTexture(GL_TEXTURE_2D, depthStencilTexture_.name());
    glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH24_STENCIL8, static_cast<GLsizei>(width()), static_cast<GLsizei>(height()),
                 0, GL_DEPTH_STENCIL, GL_UNSIGNED_INT_24_8, nullptr);
    // Read by the composition (where no mesh is, the depth stays at the far end): one texel per pixel.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_TEXTURE_2D, depthStencilTexture_.name(),
                           0);
    depthStencilTexture_.label("geometry depth-stencil");

    // The bloom source keeps room for the mip levels its blur reads (one per
    // blur level, below the chain's first shift), so that no level averages
    // the full-size image itself; fixed storage, since the blur moves its base level.
    const unsigned largest = std::max({width(), height(), 1u});
    const auto fitting = static_cast<unsigned>(std::bit_width(largest));
    const auto sourceLevels = static_cast<GLsizei>(std::min(blurShift() + levels(), fitting));
    glBindTexture(GL_TEXTURE_2D, bloomSourceTexture_.name());
    glTexStorage2D(GL_TEXTURE_2D, sourceLevels, GL_RGB16F, static_cast<GLsizei>(std::max(width(), 1u)),
                   static_cast<GLsizei>(std::max(height(), 1u)));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT4, GL_TEXTURE_2D, bloomSourceTexture_.name(), 0);
    bloomSourceTexture_.label("bloom source");
    attachColour(litSceneTexture_, GL_COLOR_ATTACHMENT5, GL_RGB16F, GL_LINEAR, true, width(), height(), "lit scene");
    glBindTexture(GL_TEXTURE_2D, 0);

    const GLenum drawBuffers[] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1, GL_COLOR_ATTACHMENT2,
                                  GL_COLOR_ATTACHMENT3};
    glDrawBuffers(4, drawBuffers);
    scene::reportGLErrors();
    return true;
}

void DeferredShadingFBO::bindGeometryTextures() const
{
    for (unsigned i = 0; i < geometryTextures_.size(); ++i) {
        bindGeometryTexture(GL_TEXTURE0 + i, i);
    }
}

void DeferredShadingFBO::bindGeometryTexture(GLenum unit, unsigned index) const
{
    glActiveTexture(unit);
    glBindTexture(GL_TEXTURE_2D, geometryTextures_.at(index).name());
}

}  // namespace orv::render::fbo

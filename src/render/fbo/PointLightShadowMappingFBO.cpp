#include "render/fbo/PointLightShadowMappingFBO.h"

#include "gl/DebugLabel.h"

#include "scene/GLErrors.h"

namespace orv::render::fbo {

bool PointLightShadowMappingFBO::createAttachments()
{
    gl::debugLabel(GL_FRAMEBUFFER, framebuffer(), "point-light shadow map");
    cubeMap_ = gl::TextureHandle::create();
    glBindTexture(GL_TEXTURE_CUBE_MAP, cubeMap_.name());
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
    const auto size = static_cast<GLsizei>(faceSize_);
    for (GLenum i = 0; i < faceCount(); ++i) {
        glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + i, 0, GL_DEPTH_COMPONENT16, size, size, 0, GL_DEPTH_COMPONENT,
                     GL_FLOAT, nullptr);
    }
    cubeMap_.label("point-light shadow cube map");
    // Layered: a geometry stage picks the face per primitive.
    glFramebufferTexture(GL_DRAW_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, cubeMap_.name(), 0);
    glDrawBuffer(GL_NONE);
    glReadBuffer(GL_NONE);
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    scene::reportGLErrors();
    return true;
}

void PointLightShadowMappingFBO::bindShadowCubeMap(GLenum unit) const
{
    glActiveTexture(unit);
    glBindTexture(GL_TEXTURE_CUBE_MAP, cubeMap_.name());
}

}  // namespace orv::render::fbo

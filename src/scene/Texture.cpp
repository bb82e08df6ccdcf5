#include "scene/Texture.h"

#include "scene/GLErrors.h"

namespace orv::scene {

Texture::Texture() : texture_(gl::TextureHandle::create()) {}

void Texture::bind()
{
    glActiveTexture(unit_);
    reportGLErrors();
    glBindTexture(target(), texture_.name());
    reportGLErrors();
}

}  // namespace orv::scene

#include "scene/Texture.h"

#include "scene/GLErrors.h"

namespace orv::scene {

Texture::Texture() { glGenTextures(1, &id_); }

void Texture::bind()
{
    glActiveTexture(unit_);
    reportGLErrors();
    glBindTexture(target(), id_);
    reportGLErrors();
}

}  // namespace orv::scene

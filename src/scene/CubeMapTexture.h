#pragma once

#include <string>
#include <vector>

#include "scene/Texture.h"

namespace orv::scene {

// A cube map from six image files, uploaded as 8-bit RGB.
class CubeMapTexture : public Texture {
public:
    GLenum target() const override { return GL_TEXTURE_CUBE_MAP; }

    // The paths in face order +X, -X, +Y, -Y, +Z, -Z. A face that cannot be
    // read is reported on standard error (naming the file) and left 1 x 1 white.
    void load(const std::vector<std::string>& paths);
};

}  // namespace orv::scene

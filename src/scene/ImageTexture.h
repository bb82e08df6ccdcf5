#pragma once

#include <string>

#include <IL/il.h>

#include "scene/Texture.h"

namespace orv::scene {

// A two-dimensional texture with mipmaps, loaded from an image file through DevIL.
class ImageTexture : public Texture {
public:
    ImageTexture();
    ~ImageTexture() override;

    GLenum target() const override { return GL_TEXTURE_2D; }

    // Uploads the file. A file that cannot be read is reported on standard
    // error (naming it) and gives a 1 x 1 opaque white texture instead.
    void load(const std::string& path);

    // The DevIL image that keeps the loaded pixels.
    ILuint image() const { return image_; }

private:
    ILuint image_ = 0;
};

}  // namespace orv::scene

#pragma once

#include "scene/Texture.h"

namespace orv::scene {

// A one-dimensional texture of reproducible pseudo-random RGB values in
// [0, 1] that repeats along S: random directions for the GPU particles.
class RandomTexture : public Texture {
public:
    GLenum target() const override { return GL_TEXTURE_1D; }

    // Uploads count texels on the active unit and leaves the texture bound
    // there. The same count gives the same texels on every run.
    void generate(unsigned count);
};

}  // namespace orv::scene

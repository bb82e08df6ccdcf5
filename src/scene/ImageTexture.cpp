#include "scene/ImageTexture.h"

#include "problem/ImageFault.h"

#include "gl/DebugLabel.h"
#include "scene/MipChain.h"

#include <iostream>

#include "scene/GLErrors.h"

namespace orv::scene {

namespace {

// GL takes DevIL's format and type codes as they are, except for orders and
// layouts that core GL cannot use as a texture format; those are converted.
void convertForGL()
{
    const ILint format = ilGetInteger(IL_IMAGE_FORMAT);
    const ILint type = ilGetInteger(IL_IMAGE_TYPE);
    if ((format == IL_RGB || format == IL_RGBA) && type != IL_DOUBLE) {
        return;
    }
    const bool opaque = format == IL_RGB || format == IL_BGR || format == IL_LUMINANCE;
    ilConvertImage(opaque ? IL_RGB : IL_RGBA, IL_UNSIGNED_BYTE);
}

void setUnpackStateForDevIL()
{
    // DevIL rows are tightly packed, whatever their length in bytes.
    glPixelStorei(GL_UNPACK_SWAP_BYTES, 0);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
}

}  // namespace

ImageTexture::ImageTexture() { ilGenImages(1, &image_); }

ImageTexture::~ImageTexture() { ilDeleteImages(1, &image_); }

void ImageTexture::load(const std::string& path)
{
    ilBindImage(image_);
    if (ilLoadImage(path.c_str())) {
        convertForGL();
    } else {
        std::cerr << problem::ImageFault::of(path, ilGetError()).text() << std::endl;
        const ILubyte white[4] = {255, 255, 255, 255};
        ilTexImage(1, 1, 1, 4, IL_RGBA, IL_UNSIGNED_BYTE, const_cast<ILubyte*>(white));
    }
    const ILint width = ilGetInteger(IL_IMAGE_WIDTH);
    const ILint height = ilGetInteger(IL_IMAGE_HEIGHT);
    const auto type = static_cast<GLenum>(ilGetInteger(IL_IMAGE_TYPE));
    const auto format = static_cast<GLenum>(ilGetInteger(IL_IMAGE_FORMAT));

    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, id());
    gl::debugLabel(GL_TEXTURE, id(), path);
    setUnpackStateForDevIL();
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), width, height, 0, format, type, ilGetData());
    if (type == GL_UNSIGNED_BYTE && (format == GL_RGB || format == GL_RGBA)) {
        // The levels a software GL would otherwise render one by one.
        const int channels = format == GL_RGBA ? 4 : 3;
        GLint level = 1;
        for (const MipChain::Level& smaller : MipChain::build(ilGetData(), width, height, channels)) {
            glTexImage2D(GL_TEXTURE_2D, level++, static_cast<GLint>(format), smaller.width, smaller.height, 0, format,
                         type, smaller.pixels.data());
        }
    } else {
        glGenerateMipmap(GL_TEXTURE_2D);
    }
    reportGLErrors();
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glBindTexture(GL_TEXTURE_2D, 0);
}

}  // namespace orv::scene

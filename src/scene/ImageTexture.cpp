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
// 8-bit grey images (height and specular maps) stay one channel: see load.
void convertForGL()
{
    const ILint format = ilGetInteger(IL_IMAGE_FORMAT);
    const ILint type = ilGetInteger(IL_IMAGE_TYPE);
    if (((format == IL_RGB || format == IL_RGBA) && type != IL_DOUBLE) ||
        (format == IL_LUMINANCE && type == IL_UNSIGNED_BYTE)) {
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
    const bool grey = ilGetInteger(IL_IMAGE_FORMAT) == IL_LUMINANCE;
    // Core GL has no luminance: a grey image is one red channel that the
    // sampler spreads over red, green and blue with an opaque alpha, which
    // reads as the three equal channels of its RGB copy did, in a third of
    // the memory to fill, upload and filter.
    const GLenum format = grey ? GL_RED : static_cast<GLenum>(ilGetInteger(IL_IMAGE_FORMAT));
    const GLint internalFormat = grey ? GL_R8 : static_cast<GLint>(format);

    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, id());
    gl::debugLabel(GL_TEXTURE, id(), path);
    setUnpackStateForDevIL();
    glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, width, height, 0, format, type, ilGetData());
    if (grey) {
        const GLint spread[4] = {GL_RED, GL_RED, GL_RED, GL_ONE};
        glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, spread);
    }
    if (type == GL_UNSIGNED_BYTE && (format == GL_RGB || format == GL_RGBA || format == GL_RED)) {
        // The levels a software GL would otherwise render one by one.
        const int channels = format == GL_RGBA ? 4 : format == GL_RGB ? 3 : 1;
        GLint level = 1;
        for (const MipChain::Level& smaller : MipChain::build(ilGetData(), width, height, channels)) {
            glTexImage2D(GL_TEXTURE_2D, level++, internalFormat, smaller.width, smaller.height, 0, format, type,
                         smaller.pixels.data());
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

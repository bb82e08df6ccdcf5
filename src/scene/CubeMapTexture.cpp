#include "scene/CubeMapTexture.h"

#include "problem/ImageFault.h"

#include "gl/DebugLabel.h"

#include <algorithm>
#include <iostream>

#include <IL/il.h>

#include "scene/GLErrors.h"

namespace orv::scene {

void CubeMapTexture::load(const std::vector<std::string>& paths)
{
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_CUBE_MAP, id());
    if (!paths.empty()) {
        gl::debugLabel(GL_TEXTURE, id(), paths.front());
    }
    // DevIL rows are tightly packed; odd widths would otherwise be skewed.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);

    const std::size_t faces = std::min<std::size_t>(paths.size(), 6);
    for (std::size_t i = 0; i < faces; ++i) {
        ILuint image = 0;
        ilGenImages(1, &image);
        ilBindImage(image);
        // Converting keeps the upload inside the image's own pixel buffer
        // whatever the file's layout (grey, alpha, 16-bit).
        if (!ilLoadImage(paths[i].c_str()) || !ilConvertImage(IL_RGB, IL_UNSIGNED_BYTE)) {
            std::cerr << problem::ImageFault::of(paths[i], ilGetError()).text() << std::endl;
            const ILubyte white[3] = {255, 255, 255};
            ilTexImage(1, 1, 1, 3, IL_RGB, IL_UNSIGNED_BYTE, const_cast<ILubyte*>(white));
        }
        const GLenum face = GL_TEXTURE_CUBE_MAP_POSITIVE_X + static_cast<GLenum>(i);
        glTexImage2D(face, 0, GL_RGB, ilGetInteger(IL_IMAGE_WIDTH), ilGetInteger(IL_IMAGE_HEIGHT), 0, GL_RGB,
                     GL_UNSIGNED_BYTE, ilGetData());
        // GL holds the face now.
        ilDeleteImages(1, &image);
    }

    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    reportGLErrors();
}

}  // namespace orv::scene

#include "scene/GLErrors.h"

#include <iostream>

#include <GL/glew.h>

namespace orv::scene {

void reportGLErrors()
{
    for (GLenum code = glGetError(); code != GL_NO_ERROR; code = glGetError()) {
        std::cerr << "GL error: " << code << std::endl;
    }
}

}  // namespace orv::scene

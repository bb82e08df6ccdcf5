#pragma once

#include <string>

#include <GL/glew.h>

namespace orv::gl {

// Names a GL object for debuggers and driver messages. Labels longer than the
// driver accepts are cut rather than raising a GL error: a long asset path
// must not show up as a "GL error" in the demo's output.
void debugLabel(GLenum identifier, GLuint name, const std::string& text);

}  // namespace orv::gl

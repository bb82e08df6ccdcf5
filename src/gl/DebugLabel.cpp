#include "gl/DebugLabel.h"

#include <algorithm>

namespace orv::gl {

void debugLabel(GLenum identifier, GLuint name, const std::string& text)
{
    GLint maxLength = 0;
    glGetIntegerv(GL_MAX_LABEL_LENGTH, &maxLength);
    const auto length = std::min<std::size_t>(text.size(), static_cast<std::size_t>(std::max(maxLength - 1, 0)));
    glObjectLabel(identifier, name, static_cast<GLsizei>(length), text.data());
}

}  // namespace orv::gl

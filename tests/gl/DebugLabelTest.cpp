#include <string>

#include <gtest/gtest.h>

#include "gl/DebugLabel.h"
#include "support/GLContext.h"

namespace {

using DebugLabel = orv::test::GLTest;

TEST_F(DebugLabel, ShortLabelsStandAndLongOnesAreCutWithoutAGLError)
{
    GLuint buffer = 0;
    glGenBuffers(1, &buffer);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);  // a buffer name becomes an object on first bind
    glBindBuffer(GL_ARRAY_BUFFER, 0);

    char read[4096] = {};
    GLsizei length = 0;
    orv::gl::debugLabel(GL_BUFFER, buffer, "assets/models/room.gltf");
    glGetObjectLabel(GL_BUFFER, buffer, sizeof read, &length, read);
    EXPECT_EQ(std::string(read, static_cast<std::size_t>(length)), "assets/models/room.gltf");

    GLint maxLength = 0;
    glGetIntegerv(GL_MAX_LABEL_LENGTH, &maxLength);
    ASSERT_GT(maxLength, 1);
    const std::string longPath(static_cast<std::size_t>(maxLength) + 100, 'x');
    orv::gl::debugLabel(GL_BUFFER, buffer, longPath);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    glGetObjectLabel(GL_BUFFER, buffer, sizeof read, &length, read);
    EXPECT_EQ(length, maxLength - 1);

    glDeleteBuffers(1, &buffer);
}

}  // namespace

#include <gtest/gtest.h>

#include "scene/GLErrors.h"
#include "support/GLContext.h"

namespace {

using GLErrors = orv::test::GLTest;

TEST_F(GLErrors, PendingErrorIsPrintedInDecimalAndTheQueueDrained)
{
    glEnable(0xFFFF);            // GL_INVALID_ENUM
    testing::internal::CaptureStderr();
    orv::scene::reportGLErrors();
    const std::string out = testing::internal::GetCapturedStderr();
    EXPECT_NE(out.find("GL error: 1280\n"), std::string::npos) << out;
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    testing::internal::CaptureStderr();
    orv::scene::reportGLErrors();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

}  // namespace

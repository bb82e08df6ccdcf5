#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "DemoProgramsTest.h"
#include "gl/ProgramManager.h"
#include "render/fbo/DeferredShadingFBO.h"
#include "render/fbo/GodRayFBO.h"
#include "render/fbo/PointLightShadowMappingFBO.h"
#include "support/GLContext.h"
#include "support/Scratch.h"
#include "view/OpenGLwindow.h"

using orv::render::fbo::DeferredShadingFBO;
using orv::render::fbo::FBO;
using orv::render::fbo::GodRayFBO;
using orv::render::fbo::PointLightShadowMappingFBO;

namespace {

class Framebuffers : public orv::test::DemoProgramsTest {
protected:
    // Creates the framebuffer and returns what it printed on standard output.
    std::string initialise(FBO& fbo, unsigned w, unsigned h)
    {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        fbo.init(w, h, *programs);
        const std::string diagnostics = testing::internal::GetCapturedStderr();
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "diagnostics belong on standard error";
        return diagnostics;
    }

    static GLenum status(GLuint framebuffer)
    {
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        const GLenum result = glCheckFramebufferStatus(GL_FRAMEBUFFER);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        return result;
    }

    static void expectComplete(const FBO& fbo)
    {
        EXPECT_EQ(status(fbo.framebuffer()), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
        for (unsigned i = 0; i < 2 * fbo.levels(); ++i) {
            EXPECT_EQ(status(fbo.blurFramebuffer(i)), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE)) << "blur " << i;
        }
    }

    static GLint textureLevel(GLenum target, GLuint texture, GLenum face, GLenum what)
    {
        GLint value = -1;
        glBindTexture(target, texture);
        glGetTexLevelParameteriv(face, 0, what, &value);
        glBindTexture(target, 0);
        return value;
    }

    static GLint attachment(GLuint framebuffer, GLenum point, GLenum what)
    {
        GLint value = -1;
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, point, what, &value);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        return value;
    }
};

TEST_F(Framebuffers, GeometryBufferHasEveryAttachment)
{
    DeferredShadingFBO fbo;
    EXPECT_EQ(initialise(fbo, 320, 240), "");
    expectComplete(fbo);
    EXPECT_EQ(fbo.width(), 320u);
    EXPECT_EQ(fbo.height(), 240u);

    const GLuint colours[] = {fbo.geometryTexture(0), fbo.geometryTexture(1), fbo.geometryTexture(2),
                              fbo.geometryTexture(3), fbo.bloomSourceTexture(), fbo.litSceneTexture()};
    for (GLenum i = 0; i < 6; ++i) {
        EXPECT_EQ(static_cast<GLuint>(attachment(fbo.framebuffer(), GL_COLOR_ATTACHMENT0 + i,
                                                 GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME)),
                  colours[i])
            << i;
        // Full floats for positions only.
        EXPECT_EQ(textureLevel(GL_TEXTURE_2D, colours[i], GL_TEXTURE_2D, GL_TEXTURE_INTERNAL_FORMAT),
                  i == 0 ? GL_RGB32F : GL_RGB16F)
            << i;
        EXPECT_EQ(textureLevel(GL_TEXTURE_2D, colours[i], GL_TEXTURE_2D, GL_TEXTURE_WIDTH), 320) << i;
    }
    EXPECT_EQ(static_cast<GLuint>(attachment(fbo.framebuffer(), GL_DEPTH_STENCIL_ATTACHMENT,
                                             GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME)),
              fbo.depthStencilTexture());
    EXPECT_EQ(textureLevel(GL_TEXTURE_2D, fbo.depthStencilTexture(), GL_TEXTURE_2D, GL_TEXTURE_INTERNAL_FORMAT),
              GL_DEPTH24_STENCIL8);

    // The geometry pass draws into the four geometry textures only.
    glBindFramebuffer(GL_FRAMEBUFFER, fbo.framebuffer());
    for (GLenum i = 0; i < 6; ++i) {
        GLint buffer = -1;
        glGetIntegerv(GL_DRAW_BUFFER0 + i, &buffer);
        EXPECT_EQ(buffer, i < 4 ? static_cast<GLint>(GL_COLOR_ATTACHMENT0 + i) : GL_NONE) << i;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);

    fbo.bindGeometryTextures();
    for (GLenum i = 0; i < 4; ++i) {
        GLint bound = 0;
        glActiveTexture(GL_TEXTURE0 + i);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(static_cast<GLuint>(bound), fbo.geometryTexture(i)) << i;
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    glActiveTexture(GL_TEXTURE0);
}

TEST_F(Framebuffers, GodRayBufferHasColourAndDepth)
{
    GodRayFBO fbo;
    EXPECT_EQ(initialise(fbo, 200, 100), "");
    expectComplete(fbo);
    EXPECT_EQ(static_cast<GLuint>(attachment(fbo.framebuffer(), GL_COLOR_ATTACHMENT0,
                                             GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME)),
              fbo.colorTexture());
    EXPECT_EQ(textureLevel(GL_TEXTURE_2D, fbo.colorTexture(), GL_TEXTURE_2D, GL_TEXTURE_INTERNAL_FORMAT), GL_RGB16F);
    for (unsigned i = 0; i < 2 * fbo.levels(); ++i) {
        EXPECT_EQ(textureLevel(GL_TEXTURE_2D, fbo.blurTexture(i), GL_TEXTURE_2D, GL_TEXTURE_INTERNAL_FORMAT), GL_RGB16F)
            << i;
    }
    EXPECT_EQ(attachment(fbo.framebuffer(), GL_DEPTH_ATTACHMENT, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE),
              GL_RENDERBUFFER);
    EXPECT_GT(attachment(fbo.framebuffer(), GL_DEPTH_ATTACHMENT, GL_FRAMEBUFFER_ATTACHMENT_DEPTH_SIZE), 0);
}

TEST_F(Framebuffers, ShadowCubeMapIsFixedSizeAndLayered)
{
    GLint screenReadBuffer = 0;
    glGetIntegerv(GL_READ_BUFFER, &screenReadBuffer);

    PointLightShadowMappingFBO fbo;
    EXPECT_EQ(initialise(fbo, 300, 200), "");
    expectComplete(fbo);
    EXPECT_EQ(fbo.faceCount(), 6u);
    for (GLenum face = 0; face < 6; ++face) {
        const GLenum target = GL_TEXTURE_CUBE_MAP_POSITIVE_X + face;
        EXPECT_EQ(textureLevel(GL_TEXTURE_CUBE_MAP, fbo.cubeMap(), target, GL_TEXTURE_WIDTH), 1024) << face;
        EXPECT_EQ(textureLevel(GL_TEXTURE_CUBE_MAP, fbo.cubeMap(), target, GL_TEXTURE_HEIGHT), 1024) << face;
        EXPECT_EQ(textureLevel(GL_TEXTURE_CUBE_MAP, fbo.cubeMap(), target, GL_TEXTURE_DEPTH_SIZE) > 0, true) << face;
        // Distance over the far plane in 16 bits: steps of 150 / 65536, far
        // below the light pass's smallest bias.
        EXPECT_EQ(textureLevel(GL_TEXTURE_CUBE_MAP, fbo.cubeMap(), target, GL_TEXTURE_INTERNAL_FORMAT),
                  GL_DEPTH_COMPONENT16)
            << face;
    }
    // The window size still sizes the blur chain, whose targets are made in
    // the small packed float format and can be drawn into.
    for (unsigned i = 0; i < 2 * fbo.levels(); ++i) {
        EXPECT_EQ(textureLevel(GL_TEXTURE_2D, fbo.blurTexture(i), GL_TEXTURE_2D, GL_TEXTURE_WIDTH), 300 >> (i / 2)) << i;
        EXPECT_EQ(textureLevel(GL_TEXTURE_2D, fbo.blurTexture(i), GL_TEXTURE_2D, GL_TEXTURE_HEIGHT), 200 >> (i / 2)) << i;
        EXPECT_EQ(textureLevel(GL_TEXTURE_2D, fbo.blurTexture(i), GL_TEXTURE_2D, GL_TEXTURE_INTERNAL_FORMAT),
                  GL_R11F_G11F_B10F)
            << i;
        glBindFramebuffer(GL_FRAMEBUFFER, fbo.blurFramebuffer(i));
        EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE)) << i;
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
    }
    EXPECT_EQ(attachment(fbo.framebuffer(), GL_DEPTH_ATTACHMENT, GL_FRAMEBUFFER_ATTACHMENT_LAYERED), GL_TRUE);

    glBindFramebuffer(GL_FRAMEBUFFER, fbo.framebuffer());
    GLint drawBuffer = -1;
    GLint readBuffer = -1;
    glGetIntegerv(GL_DRAW_BUFFER, &drawBuffer);
    glGetIntegerv(GL_READ_BUFFER, &readBuffer);
    EXPECT_EQ(drawBuffer, GL_NONE);
    EXPECT_EQ(readBuffer, GL_NONE);
    // The screen's read buffer is not the one switched off.
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glGetIntegerv(GL_READ_BUFFER, &readBuffer);
    EXPECT_EQ(readBuffer, screenReadBuffer);

    fbo.bindShadowCubeMap(GL_TEXTURE4);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_CUBE_MAP, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), fbo.cubeMap());
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    glActiveTexture(GL_TEXTURE0);
}

TEST_F(Framebuffers, QuadCoversTheWholeTarget)
{
    GodRayFBO fbo;
    initialise(fbo, 16, 8);
    const std::vector<float> grey(16 * 8 * 3, 0.5f);
    glBindTexture(GL_TEXTURE_2D, fbo.colorTexture());
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 16, 8, GL_RGB, GL_FLOAT, grey.data());

    glBindFramebuffer(GL_FRAMEBUFFER, fbo.blurFramebuffer(0));
    glViewport(0, 0, 16, 8);
    glDisable(GL_DEPTH_TEST);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    programs->use("copy");
    glUniform1i(programs->uniformLocation("copy", "scene"), 0);
    fbo.drawQuad();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);

    std::vector<float> drawn(16 * 8 * 3);
    glBindTexture(GL_TEXTURE_2D, fbo.blurTexture(0));
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_FLOAT, drawn.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(drawn, grey);
}

TEST_F(Framebuffers, IncompleteFramebufferIsReportedAndKept)
{
    struct Empty : FBO {
        bool createAttachments() override { return true; }
    } fbo;
    const std::string printed = initialise(fbo, 8, 8);
    EXPECT_EQ(printed, "Framebuffer failed to initialise with status: 8cd7\n");
    EXPECT_NE(fbo.framebuffer(), 0u);
    // The blur chain is set up all the same.
    EXPECT_EQ(status(fbo.blurFramebuffer(7)), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
}

TEST_F(Framebuffers, WindowGivesTheSize)
{
    // Before its file is loaded a window reports the default resolution.
    orv::view::OpenGLwindow window("unread.yaml");
    GodRayFBO fbo;
    fbo.init(window, *programs);
    EXPECT_EQ(fbo.width(), 1024u);
    EXPECT_EQ(fbo.height(), 768u);
}

TEST_F(Framebuffers, BlurProgramsMustBeDeclared)
{
    orv::test::ScratchDir scratch;
    scratch.write("gl_programs.yaml", "copy:\n  uniforms: [scene]\n");
    orv::gl::ProgramManager partial((scratch.path() / "gl_programs.yaml").string());
    testing::internal::CaptureStderr();
    partial.load();
    testing::internal::GetCapturedStderr();
    GodRayFBO fbo;
    EXPECT_THROW(fbo.init(8, 8, partial), std::out_of_range);
    partial.deletePrograms();
}

}  // namespace

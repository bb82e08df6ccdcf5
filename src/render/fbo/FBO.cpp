#include "render/fbo/FBO.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <string>

#include "gl/ProgramManager.h"
#include "scene/GLErrors.h"
#include "view/OpenGLwindow.h"

namespace orv::render::fbo {

namespace {

constexpr float quadVertices[] = {
    -1.0f, -1.0f, 0.0f, 1.0f, 1.0f, 0.0f, -1.0f, 1.0f, 0.0f,
    -1.0f, -1.0f, 0.0f, 1.0f, -1.0f, 0.0f, 1.0f, 1.0f, 0.0f,
};

// Level k is 2^k times smaller, truncated toward zero.
GLsizei levelSize(unsigned size, unsigned level)
{
    return static_cast<GLsizei>(static_cast<double>(size) / std::pow(2.0, level));
}

}  // namespace

bool FBO::init(const view::OpenGLwindow& window, const gl::ProgramManager& programs)
{
    return init(static_cast<unsigned>(std::max(window.width(), 0)), static_cast<unsigned>(std::max(window.height(), 0)),
                programs);
}

bool FBO::init(unsigned width, unsigned height, const gl::ProgramManager& programs)
{
    lookUpUniforms(programs);
    return create(width, height);
}

void FBO::lookUpUniforms(const gl::ProgramManager& programs)
{
    gaussHTex_ = programs.uniformLocation("gauss_h", "tex");
    gaussHScreenSize_ = programs.uniformLocation("gauss_h", "screen_size");
    gaussHWeight_ = programs.uniformLocation("gauss_h", "weight");
    gaussVTex_ = programs.uniformLocation("gauss_v", "tex");
    gaussVScreenSize_ = programs.uniformLocation("gauss_v", "screen_size");
    gaussVWeight_ = programs.uniformLocation("gauss_v", "weight");
    copyScene_ = programs.uniformLocation("copy", "scene");
    gaussH_ = &programs.program("gauss_h");
    gaussV_ = &programs.program("gauss_v");
    copy_ = &programs.program("copy");
}

void FBO::setBlurChain(unsigned shift, GLenum internalFormat)
{
    blurShift_ = shift;
    blurFormat_ = internalFormat;
}

GLsizei FBO::blurWidth(unsigned level) const { return levelSize(width_, level + blurShift_); }
GLsizei FBO::blurHeight(unsigned level) const { return levelSize(height_, level + blurShift_); }

bool FBO::create(unsigned width, unsigned height)
{
    width_ = width;
    height_ = height;

    // Bound for reading too, so that a read-buffer choice made by the
    // attachments lands on this framebuffer and not on the screen's.
    framebuffer_ = gl::FramebufferHandle::create();
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_.name());
    createAttachments();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);

    createBlurChain();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    createQuad();

    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_.name());
    const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    complete_ = status == GL_FRAMEBUFFER_COMPLETE;
    if (!complete_) {
        std::fprintf(stderr, "Framebuffer failed to initialise with status: %x\n", status);
        std::fflush(stderr);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return true;
}

void FBO::createBlurChain()
{
    blurFramebuffers_.clear();
    blurTextures_.clear();
    for (unsigned i = 0; i < 2 * levels_; ++i) {
        blurFramebuffers_.push_back(gl::FramebufferHandle::create());
        blurTextures_.push_back(gl::TextureHandle::create());
        glBindFramebuffer(GL_FRAMEBUFFER, blurFramebuffers_[i].name());
        glBindTexture(GL_TEXTURE_2D, blurTextures_[i].name());
        glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(blurFormat_), blurWidth(i / 2), blurHeight(i / 2), 0, GL_RGB,
                     GL_FLOAT, nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, blurTextures_[i].name(), 0);
        const std::string name = "bloom level " + std::to_string(i / 2) + (i % 2 == 0 ? " horizontal" : " vertical");
        blurTextures_[i].label(name);
        blurFramebuffers_[i].label(name);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
}

void FBO::createQuad()
{
    quadVertexArray_ = gl::VertexArrayHandle::create();
    glBindVertexArray(quadVertexArray_.name());
    quadVertexBuffer_ = gl::BufferHandle::create();
    glBindBuffer(GL_ARRAY_BUFFER, quadVertexBuffer_.name());
    glBufferData(GL_ARRAY_BUFFER, sizeof(quadVertices), quadVertices, GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
    quadVertexArray_.label("full-screen quad");
    quadVertexBuffer_.label("full-screen quad");
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindVertexArray(0);
}

GLuint FBO::blurBloom(const gl::ProgramManager& programs, unsigned levelCount, GLuint source, SourceReads reads)
{
    // More levels than the chain holds would run past its arrays.
    levelCount = std::min(levelCount, levels_);
    const gl::Program& gaussH = gaussH_ != nullptr ? *gaussH_ : programs.program("gauss_h");
    const gl::Program& gaussV = gaussV_ != nullptr ? *gaussV_ : programs.program("gauss_v");
    const gl::Program& copy = copy_ != nullptr ? *copy_ : programs.program("copy");
    glActiveTexture(GL_TEXTURE0);
    const bool mipChain = reads == SourceReads::MipChain && levelCount > 0;
    // A frame a few pixels wide has fewer mip levels than the chain has
    // levels; the blur levels past them are empty, and read the last one.
    const auto lastMip = static_cast<unsigned>(std::bit_width(std::max({width_, height_, 1u}))) - 1;
    const auto mipOf = [&](unsigned level) { return static_cast<GLint>(std::min(level + blurShift_, lastMip)); };
    if (mipChain) {
        // Only the levels the blur reads; a level's first pass then finds a
        // texel of its own size under each pixel and reads it once.
        glBindTexture(GL_TEXTURE_2D, source);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, mipOf(levelCount - 1));
        glGenerateMipmap(GL_TEXTURE_2D);
    }
    for (unsigned k = 0; k < levelCount; ++k) {
        const double scale = std::pow(2.0, k + blurShift_);
        const float levelWidth = static_cast<float>(width_ / scale);
        const float levelHeight = static_cast<float>(height_ / scale);
        glViewport(0, 0, blurWidth(k), blurHeight(k));

        gaussH.makeCurrent();
        glUniform1i(gaussHTex_, 0);
        glUniform2f(gaussHScreenSize_, levelWidth, levelHeight);
        glUniform1fv(gaussHWeight_, static_cast<GLsizei>(blurWeights.size()), blurWeights.data());
        glBindFramebuffer(GL_FRAMEBUFFER, blurFramebuffers_[2 * k].name());
        glBindTexture(GL_TEXTURE_2D, source);
        if (mipChain)
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, mipOf(k));
        drawQuad();

        gaussV.makeCurrent();
        glUniform1i(gaussVTex_, 0);
        glUniform2f(gaussVScreenSize_, levelWidth, levelHeight);
        glUniform1fv(gaussVWeight_, static_cast<GLsizei>(blurWeights.size()), blurWeights.data());
        glBindFramebuffer(GL_FRAMEBUFFER, blurFramebuffers_[2 * k + 1].name());
        glBindTexture(GL_TEXTURE_2D, blurTextures_[2 * k].name());
        drawQuad();

        if (k >= 1) {
            // Add the fully blurred smaller level into level 0's, the result.
            glViewport(0, 0, blurWidth(0), blurHeight(0));
            glEnable(GL_BLEND);
            glBlendFunc(GL_ONE, GL_ONE);
            glBindFramebuffer(GL_FRAMEBUFFER, blurFramebuffers_[1].name());
            copy.makeCurrent();
            glActiveTexture(GL_TEXTURE0);
            glBindTexture(GL_TEXTURE_2D, blurTextures_[2 * k + 1].name());
            glUniform1i(copyScene_, 0);
            drawQuad();
            glDisable(GL_BLEND);
        }
        glViewport(0, 0, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_));
    }
    if (mipChain) {
        // The source is drawn into again next frame, at its level 0.
        glBindTexture(GL_TEXTURE_2D, source);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    }
    scene::reportGLErrors();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return blurTextures_[levelCount > 1 ? 1 : 0].name();
}

void FBO::drawQuad() const
{
    glBindVertexArray(quadVertexArray_.name());
    glDrawArrays(GL_TRIANGLES, 0, 6);
    glBindVertexArray(0);
}

}  // namespace orv::render::fbo

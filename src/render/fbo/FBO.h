#pragma once

#include <array>
#include <vector>

#include <GL/glew.h>

#include "gl/Handle.h"

namespace orv::gl {
class Program;
class ProgramManager;
}
namespace orv::view {
class OpenGLwindow;
}

namespace orv::render::fbo {

// An off-screen framebuffer of a render pass, plus what every such pass may
// need: a full-screen quad and a chain of half-size Gaussian blur levels
// ("bloom") that can be run on any texture.
class FBO {
public:
    // The blur kernel, symmetric and summing to 1.
    static constexpr std::array<float, 7> blurWeights = {0.038735f, 0.113085f, 0.215007f, 0.266346f,
                                                         0.215007f, 0.113085f, 0.038735f};

    FBO() = default;
    virtual ~FBO() = default;

    FBO(const FBO&) = delete;
    FBO& operator=(const FBO&) = delete;

    // Sized to the window's resolution. Looks up the blur programs' uniforms
    // ("gauss_h", "gauss_v", "copy"; std::out_of_range when undeclared) and creates everything.
    bool init(const view::OpenGLwindow& window, const gl::ProgramManager& programs);
    // The same with an explicit size, for code that has no window at hand.
    bool init(unsigned width, unsigned height, const gl::ProgramManager& programs);
    // Looks the blur programs and their uniforms up again (after a relink).
    void lookUpUniforms(const gl::ProgramManager& programs);

    // Creates the main framebuffer with its attachments, the blur chain and
    // the quad. An incomplete main framebuffer is reported on standard output.
    bool create(unsigned width, unsigned height);

    // Makes blur level 0 width / 2^shift by height / 2^shift (the levels
    // below it halve on from there) in the given internal format. Takes
    // effect at the next create; the default is full size in GL_RGB32F.
    void setBlurChain(unsigned shift, GLenum internalFormat);
    unsigned blurShift() const { return blurShift_; }

    // How a blur reads its source. Full: every level's first pass averages
    // all the source texels under each of its pixels, 4^k times as many
    // reads for level k as for a source of the level's size. MipChain: the
    // source is a texture with storage for mip levels down to blurShift() +
    // levels() - 1 and a filter that reads only its base level; the blur makes
    // its mip levels (each the exact average of the one above where sizes are
    // even) and each level reads the mip level of its own size.
    enum class SourceReads { Full, MipChain };

    // Blurs source over levelCount levels (at most levels()), each both ways,
    // and adds the smaller levels into level 0's result, blur texture 1,
    // which it returns. A single level is blurred across only and returns
    // blur texture 0 (its vertical pass still leaves the two-way blur in blur
    // texture 1): the god rays' occlusion image, which their march blurs
    // along the rays anyway. Leaves framebuffer 0 bound and the viewport at
    // width() x height().
    GLuint blurBloom(const gl::ProgramManager& programs, unsigned levelCount, GLuint source,
                     SourceReads reads = SourceReads::Full);

    // Two triangles covering clip space, vertex attribute 0.
    void drawQuad() const;

    GLuint framebuffer() const { return framebuffer_.name(); }
    // Whether the GL could make the main framebuffer with every attachment.
    bool isComplete() const { return complete_; }
    unsigned width() const { return width_; }
    unsigned height() const { return height_; }
    unsigned levels() const { return levels_; }
    // Entry 2k is level k's horizontal target, 2k + 1 its vertical one.
    GLuint blurFramebuffer(unsigned index) const { return blurFramebuffers_.at(index).name(); }
    GLuint blurTexture(unsigned index) const { return blurTextures_.at(index).name(); }
    // The size of blur level k, truncated toward zero.
    GLsizei blurWidth(unsigned level) const;
    GLsizei blurHeight(unsigned level) const;

protected:
    // Called with the main framebuffer bound (to GL_FRAMEBUFFER).
    virtual bool createAttachments() = 0;

private:
    void createBlurChain();
    void createQuad();

    gl::FramebufferHandle framebuffer_;
    std::vector<gl::FramebufferHandle> blurFramebuffers_;
    std::vector<gl::TextureHandle> blurTextures_;
    gl::VertexArrayHandle quadVertexArray_;
    gl::BufferHandle quadVertexBuffer_;
    unsigned width_ = 0;
    unsigned height_ = 0;
    unsigned levels_ = 4;
    unsigned blurShift_ = 0;
    GLenum blurFormat_ = GL_RGB32F;
    bool complete_ = false;
    GLint gaussHTex_ = -1;
    GLint gaussHScreenSize_ = -1;
    GLint gaussHWeight_ = -1;
    GLint gaussVTex_ = -1;
    GLint gaussVScreenSize_ = -1;
    GLint gaussVWeight_ = -1;
    GLint copyScene_ = -1;
    // Found by name once in init, so blurring never looks a program up by name.
    const gl::Program* gaussH_ = nullptr;
    const gl::Program* gaussV_ = nullptr;
    const gl::Program* copy_ = nullptr;
};

}  // namespace orv::render::fbo

#pragma once

#include <GL/glew.h>

#include "gl/Handle.h"

namespace orv::render::fbo {

// Where the passes draw in place of the window when they render at a scale
// below 1: an 8-bit colour image (as the window's) and a depth-stencil
// buffer whose format matches the geometry buffer's, so its depth can be
// blitted in. stretchToScreen puts the result over the whole window.
class OutputFramebuffer {
public:
    OutputFramebuffer() = default;
    OutputFramebuffer(const OutputFramebuffer&) = delete;
    OutputFramebuffer& operator=(const OutputFramebuffer&) = delete;

    // Makes (or remakes, giving back the old objects) both images at this
    // size; returns whether the framebuffer is complete. Leaves framebuffer 0 bound.
    bool create(unsigned width, unsigned height);

    // Copies the colour image over the window's framebuffer (0) of the given
    // size, filtered linearly. Leaves framebuffer 0 bound for both.
    void stretchToScreen(int screenWidth, int screenHeight) const;

    GLuint framebuffer() const { return framebuffer_.name(); }
    GLuint colorTexture() const { return color_.name(); }
    unsigned width() const { return width_; }
    unsigned height() const { return height_; }

private:
    gl::FramebufferHandle framebuffer_;
    gl::TextureHandle color_;
    gl::RenderbufferHandle depth_;
    unsigned width_ = 0;
    unsigned height_ = 0;
};

}  // namespace orv::render::fbo

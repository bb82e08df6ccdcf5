#pragma once

#include <GL/glew.h>

#include "gl/Handle.h"

#include "scene/Bindable.h"

namespace orv::scene {

// One GL texture object, bound to a chosen texture unit. Meshes share a
// texture through shared pointers; the GL object goes with the last of them.
class Texture : public Bindable {
public:
    Texture();
    ~Texture() override = default;

    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    // Activates unit() and binds the texture to target() there.
    void bind() override;
    void unbind() override {}
    virtual GLenum target() const = 0;

    // GL_TEXTURE0 + n.
    void setUnit(GLenum unit) { unit_ = unit; }
    GLenum unit() const { return unit_; }
    GLuint id() const { return texture_.name(); }

private:
    gl::TextureHandle texture_;
    GLenum unit_ = GL_TEXTURE0;
};

}  // namespace orv::scene

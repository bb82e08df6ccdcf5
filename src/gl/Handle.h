#pragma once

#include <cstddef>
#include <string>
#include <utility>

#include <GL/glew.h>

namespace orv::gl {

// The kinds of GL object the engine makes.
enum class Kind : unsigned {
    Buffer,
    VertexArray,
    Texture,
    Framebuffer,
    Renderbuffer,
    TransformFeedback,
    Query,
    Shader,
    Program,
};
inline constexpr std::size_t kindCount = 9;

// How many objects of a kind the handles hold right now: a rebuild that
// gives every object back leaves these where they were.
long liveObjects(Kind kind);
const char* kindName(Kind kind);

namespace detail {
// A new object of the kind (stage only for shaders); 0 when GL gives none.
GLuint createObject(Kind kind, GLenum stage);
void deleteObject(Kind kind, GLuint name);
void labelObject(Kind kind, GLuint name, const std::string& text);
}  // namespace detail

// The one owner of a GL object: deletes it when destroyed or given another
// object, hands it on when moved. Empty (name 0) by default. Must be
// destroyed while the context that made the object is current.
template <Kind K>
class Handle {
public:
    Handle() = default;
    ~Handle() { reset(); }

    Handle(Handle&& other) noexcept : name_(std::exchange(other.name_, 0)) {}
    Handle& operator=(Handle&& other) noexcept
    {
        if (this != &other) {
            reset();
            name_ = std::exchange(other.name_, 0);
        }
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    // glGen*, or glCreate* for shaders and programs. A generated name
    // becomes an object only when first bound, so label it after that.
    static Handle create()
        requires(K != Kind::Shader)
    {
        return Handle(detail::createObject(K, 0));
    }
    static Handle create(GLenum stage)
        requires(K == Kind::Shader)
    {
        return Handle(detail::createObject(K, stage));
    }

    // Names the object for debuggers and driver messages.
    void label(const std::string& text) const { detail::labelObject(K, name_, text); }

    GLuint name() const { return name_; }
    explicit operator bool() const { return name_ != 0; }

    // Deletes the object now; the handle is empty afterwards.
    void reset()
    {
        if (name_ != 0)
            detail::deleteObject(K, std::exchange(name_, 0));
    }

private:
    explicit Handle(GLuint name) : name_(name) {}

    GLuint name_ = 0;
};

using BufferHandle = Handle<Kind::Buffer>;
using VertexArrayHandle = Handle<Kind::VertexArray>;
using TextureHandle = Handle<Kind::Texture>;
using FramebufferHandle = Handle<Kind::Framebuffer>;
using RenderbufferHandle = Handle<Kind::Renderbuffer>;
using TransformFeedbackHandle = Handle<Kind::TransformFeedback>;
using QueryHandle = Handle<Kind::Query>;
using ShaderHandle = Handle<Kind::Shader>;
using ProgramHandle = Handle<Kind::Program>;

}  // namespace orv::gl

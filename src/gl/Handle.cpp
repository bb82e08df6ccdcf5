#include "gl/Handle.h"

#include <array>

#include "gl/DebugLabel.h"

namespace orv::gl {

namespace {

// All GL work is on one thread, so plain counters do.
std::array<long, kindCount> live{};

long& liveCount(Kind kind) { return live[static_cast<std::size_t>(kind)]; }

GLenum labelIdentifier(Kind kind)
{
    switch (kind) {
    case Kind::Buffer: return GL_BUFFER;
    case Kind::VertexArray: return GL_VERTEX_ARRAY;
    case Kind::Texture: return GL_TEXTURE;
    case Kind::Framebuffer: return GL_FRAMEBUFFER;
    case Kind::Renderbuffer: return GL_RENDERBUFFER;
    case Kind::TransformFeedback: return GL_TRANSFORM_FEEDBACK;
    case Kind::Query: return GL_QUERY;
    case Kind::Shader: return GL_SHADER;
    case Kind::Program: return GL_PROGRAM;
    }
    return 0;
}

}  // namespace

long liveObjects(Kind kind) { return liveCount(kind); }

const char* kindName(Kind kind)
{
    switch (kind) {
    case Kind::Buffer: return "buffer";
    case Kind::VertexArray: return "vertex array";
    case Kind::Texture: return "texture";
    case Kind::Framebuffer: return "framebuffer";
    case Kind::Renderbuffer: return "renderbuffer";
    case Kind::TransformFeedback: return "transform feedback";
    case Kind::Query: return "query";
    case Kind::Shader: return "shader";
    case Kind::Program: return "program";
    }
    return "unknown";
}

namespace detail {

GLuint createObject(Kind kind, GLenum stage)
{
    GLuint name = 0;
    switch (kind) {
    case Kind::Buffer: glGenBuffers(1, &name); break;
    case Kind::VertexArray: glGenVertexArrays(1, &name); break;
    case Kind::Texture: glGenTextures(1, &name); break;
    case Kind::Framebuffer: glGenFramebuffers(1, &name); break;
    case Kind::Renderbuffer: glGenRenderbuffers(1, &name); break;
    case Kind::TransformFeedback: glGenTransformFeedbacks(1, &name); break;
    case Kind::Query: glGenQueries(1, &name); break;
    case Kind::Shader: name = glCreateShader(stage); break;
    case Kind::Program: name = glCreateProgram(); break;
    }
    if (name != 0)
        ++liveCount(kind);
    return name;
}

void deleteObject(Kind kind, GLuint name)
{
    switch (kind) {
    case Kind::Buffer: glDeleteBuffers(1, &name); break;
    case Kind::VertexArray: glDeleteVertexArrays(1, &name); break;
    case Kind::Texture: glDeleteTextures(1, &name); break;
    case Kind::Framebuffer: glDeleteFramebuffers(1, &name); break;
    case Kind::Renderbuffer: glDeleteRenderbuffers(1, &name); break;
    case Kind::TransformFeedback: glDeleteTransformFeedbacks(1, &name); break;
    case Kind::Query: glDeleteQueries(1, &name); break;
    case Kind::Shader: glDeleteShader(name); break;
    case Kind::Program: glDeleteProgram(name); break;
    }
    --liveCount(kind);
}

void labelObject(Kind kind, GLuint name, const std::string& text) { debugLabel(labelIdentifier(kind), name, text); }

}  // namespace detail

}  // namespace orv::gl

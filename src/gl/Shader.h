#pragma once

#include <string>

#include <GL/glew.h>

namespace orv::gl {

// One shader stage: its source file and, once compiled, its GL shader object.
// A default-constructed record is an empty stage slot that never compiles.
class Shader {
public:
    Shader() = default;
    Shader(std::string file, GLenum stage);

    // Reads the whole file into source(); false, silently, when it cannot be opened.
    bool readSource();
    // Creates and compiles the GL shader; a failure prints the compiler log.
    bool compile();
    // readSource() and, only if that worked, compile().
    bool load();
    // Deletes the GL shader object, if one was created.
    void release();

    const std::string& file() const { return file_; }
    const std::string& source() const { return source_; }
    GLenum stage() const { return stage_; }
    GLuint shaderName() const { return shaderName_; }
    bool isCompiled() const { return compiled_; }

private:
    std::string file_;
    std::string source_;
    GLenum stage_ = 0;
    GLuint shaderName_ = 0;
    bool compiled_ = false;
};

}  // namespace orv::gl

#pragma once

#include <string>

#include <GL/glew.h>

#include "gl/Handle.h"

namespace orv::gl {

// One shader stage: its source file and, once compiled, its GL shader object.
// A default-constructed record is an empty stage slot that never compiles.
class Shader {
public:
    Shader() = default;
    Shader(std::string file, GLenum stage);

    // Reads the whole file into source(); false, silently, when it is not a
    // readable file (a folder included).
    bool readSource();
    // Creates and compiles the GL shader; a failure prints the compiler log
    // after the program's name (when set) and the file's.
    bool compile();
    // readSource() and, only if that worked, compile().
    bool load();
    // Deletes the GL shader object, if one was created (it also goes with the record).
    void release();

    void setProgramName(std::string name) { programName_ = std::move(name); }

    const std::string& file() const { return file_; }
    const std::string& source() const { return source_; }
    GLenum stage() const { return stage_; }
    GLuint shaderName() const { return shader_.name(); }
    bool isCompiled() const { return compiled_; }
    // The compiler's log of the last failed compile, empty otherwise.
    const std::string& log() const { return log_; }

private:
    std::string file_;
    std::string source_;
    std::string programName_;
    std::string log_;
    GLenum stage_ = 0;
    ShaderHandle shader_;
    bool compiled_ = false;
};

}  // namespace orv::gl

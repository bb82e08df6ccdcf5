#include "gl/Shader.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

#include "scene/GLErrors.h"

namespace orv::gl {

using scene::reportGLErrors;

Shader::Shader(std::string file, GLenum stage) : file_(std::move(file)), stage_(stage) {}

bool Shader::readSource()
{
    // A folder opens as a stream and fails only when read, with an error
    // that names neither the file nor the program.
    std::error_code error;
    if (!std::filesystem::is_regular_file(file_, error)) {
        return false;
    }
    std::ifstream in(file_);
    if (!in) {
        return false;
    }
    source_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool Shader::compile()
{
    shader_ = ShaderHandle::create(stage_);
    shader_.label(file_);
    const GLuint shaderName = shader_.name();
    const char* text = source_.c_str();
    glShaderSource(shaderName, 1, &text, nullptr);
    reportGLErrors();
    glCompileShader(shaderName);
    reportGLErrors();
    GLint status = GL_FALSE;
    glGetShaderiv(shaderName, GL_COMPILE_STATUS, &status);
    reportGLErrors();

    log_.clear();
    if (status != GL_TRUE) {
        GLint length = 0;
        glGetShaderiv(shaderName, GL_INFO_LOG_LENGTH, &length);
        std::vector<char> log(static_cast<std::size_t>(std::max(length, 1)), '\0');
        glGetShaderInfoLog(shaderName, static_cast<GLsizei>(log.size()), nullptr, log.data());
        std::cerr << "GL shader compilation error: ";
        if (!programName_.empty()) {
            std::cerr << "program \"" << programName_ << "\", ";
        }
        log_ = log.data();
        std::cerr << file_ << ": " << log_ << std::endl;
    }
    compiled_ = (status == GL_TRUE);
    return compiled_;
}

bool Shader::load() { return readSource() && compile(); }

void Shader::release()
{
    // A shader that failed to compile is never attached, so its object goes too.
    shader_.reset();
    compiled_ = false;
}

}  // namespace orv::gl

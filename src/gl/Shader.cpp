#include "gl/Shader.h"

#include "gl/DebugLabel.h"

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
    shaderName_ = glCreateShader(stage_);
    debugLabel(GL_SHADER, shaderName_, file_);
    const char* text = source_.c_str();
    glShaderSource(shaderName_, 1, &text, nullptr);
    reportGLErrors();
    glCompileShader(shaderName_);
    reportGLErrors();
    GLint status = GL_FALSE;
    glGetShaderiv(shaderName_, GL_COMPILE_STATUS, &status);
    reportGLErrors();

    log_.clear();
    if (status != GL_TRUE) {
        GLint length = 0;
        glGetShaderiv(shaderName_, GL_INFO_LOG_LENGTH, &length);
        std::vector<char> log(static_cast<std::size_t>(std::max(length, 1)), '\0');
        glGetShaderInfoLog(shaderName_, static_cast<GLsizei>(log.size()), nullptr, log.data());
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
    if (shaderName_ != 0) {
        glDeleteShader(shaderName_);
        shaderName_ = 0;
    }
    compiled_ = false;
}

}  // namespace orv::gl

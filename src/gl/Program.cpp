#include "gl/Program.h"

#include "gl/ProgramBinaryCache.h"

#include <iostream>
#include <stdexcept>

namespace orv::gl {

Program::Program(Shader& vertex, Shader& geometry, Shader& fragment, bool depthTest,
                 std::vector<std::string> varyings)
    : vertex_(&vertex), geometry_(&geometry), fragment_(&fragment), depthTest_(depthTest),
      varyings_(std::move(varyings))
{
}

void Program::link()
{
    if (vertex_ == nullptr) {
        return;  // already linked; the stage slots are gone
    }
    program_ = ProgramHandle::create();
    const GLuint programName = program_.name();
    Shader* const stages[] = {vertex_, geometry_, fragment_};
    for (Shader* stage : stages) {
        if (stage->isCompiled()) {
            glAttachShader(programName, stage->shaderName());
        }
    }

    if (!varyings_.empty()) {
        std::vector<const char*> names;
        for (const auto& varying : varyings_) {
            names.push_back(varying.c_str());
        }
        glTransformFeedbackVaryings(programName, static_cast<GLsizei>(names.size()), names.data(),
                                    GL_INTERLEAVED_ATTRIBS);
    }

    if (retrievable_) {
        glProgramParameteri(programName, GL_PROGRAM_BINARY_RETRIEVABLE_HINT, GL_TRUE);
    }
    glLinkProgram(programName);
    GLint status = GL_FALSE;
    glGetProgramiv(programName, GL_LINK_STATUS, &status);
    linked_ = (status == GL_TRUE);
    if (status != GL_TRUE) {
        GLint length = 0;
        glGetProgramiv(programName, GL_INFO_LOG_LENGTH, &length);
        if (length >= 1) {
            std::vector<char> log(static_cast<std::size_t>(length), '\0');
            glGetProgramInfoLog(programName, length, nullptr, log.data());
            log_ = log.data();
            std::cerr << "GL shader linker error: ";
            if (!name_.empty()) {
                std::cerr << "program \"" << name_ << "\": ";
            }
            std::cerr << log.data() << std::endl;
        }
    }

    for (Shader* stage : stages) {
        if (stage->isCompiled()) {
            glDetachShader(programName, stage->shaderName());
        }
    }
    for (Shader* stage : stages) {
        stage->release();
    }
    // The slots belong to the loader and are gone once loading moves on.
    vertex_ = geometry_ = fragment_ = nullptr;
}

bool Program::linkFromCache(ProgramBinaryCache& cache, const std::string& key)
{
    if (vertex_ == nullptr) {
        return false;
    }
    program_ = ProgramHandle::create();
    if (!cache.load(key, program_.name())) {
        program_.reset();
        return false;
    }
    linked_ = true;
    log_.clear();
    // Nothing was compiled; the slots belong to the loader as after link().
    vertex_ = geometry_ = fragment_ = nullptr;
    return true;
}

void Program::registerUniform(const std::string& name)
{
    // GL refuses the query (an error) on a program whose link failed; its
    // uniforms are simply unused.
    uniforms_[name] = linked_ ? glGetUniformLocation(program_.name(), name.c_str()) : -1;
}

int Program::uniformLocation(const std::string& name) const
{
    const auto found = uniforms_.find(name);
    if (found == uniforms_.end()) {
        throw std::out_of_range("uniform \"" + name + "\" is not declared for this GL program");
    }
    return found->second;
}

std::vector<std::string> Program::uniformNames() const
{
    std::vector<std::string> names;
    names.reserve(uniforms_.size());
    for (const auto& entry : uniforms_) {
        names.push_back(entry.first);
    }
    return names;
}

void Program::makeCurrent() const
{
    if (depthTest_) {
        glEnable(GL_DEPTH_TEST);
    }
    glUseProgram(program_.name());
}

}  // namespace orv::gl

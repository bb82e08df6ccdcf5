#include "gl/ProgramManager.h"

#include "gl/DebugLabel.h"

#include "check/PassNeeds.h"
#include "check/ShaderValidator.h"

#include <iostream>
#include <stdexcept>

namespace orv::gl {

namespace {

// The stage of a catalogue "type", or 0 for a type we do not build.
GLenum stageOf(const std::string& type)
{
    if (type == "vertex") {
        return GL_VERTEX_SHADER;
    }
    if (type == "geometry") {
        return GL_GEOMETRY_SHADER;
    }
    if (type == "fragment") {
        return GL_FRAGMENT_SHADER;
    }
    return 0;
}

// A key the catalogue cannot do without: missing, it is the library's
// conversion error at the entry's place (not "invalid node", which names no
// line), as for every other required key.
std::string requiredString(const YAML::Node& entry, const char* key)
{
    const YAML::Node value = entry[key];
    if (!value.IsDefined()) {
        throw YAML::TypedBadConversion<std::string>(entry.Mark());
    }
    return value.as<std::string>();
}

}  // namespace

ProgramManager::ProgramManager(std::string path) : path_(std::move(path)) {}

bool ProgramManager::load()
{
    document_ = YAML::LoadFile(path_);
    const YAML::Node& document = document_;
    for (const auto& entry : document) {
        const auto name = entry.first.as<std::string>();
        const YAML::Node settings = entry.second;

        Shader vertex;
        Shader geometry;
        Shader fragment;
        for (const auto& source : settings["source"]) {
            const GLenum stage = stageOf(requiredString(source, "type"));
            if (stage == 0) {
                continue;
            }
            Shader& slot = stage == GL_VERTEX_SHADER ? vertex : stage == GL_GEOMETRY_SHADER ? geometry : fragment;
            const auto file = requiredString(source, "file");
            slot.release();  // a later entry for the same stage replaces the earlier one
            slot = Shader(file, stage);
            slot.setProgramName(name);
            if (slot.readSource()) {
                slot.compile();
            } else {
                std::cerr << check::ShaderValidator::unreadable(path_, source["file"].Mark(), name, file).text()
                          << std::endl;
            }
        }

        std::vector<std::string> varyings;
        for (const auto& varying : settings["transform_feedback_varyings"]) {
            varyings.push_back(varying.as<std::string>());
        }
        const bool depthTest = settings["enable_depth_test"].as<bool>(false);

        Program program(vertex, geometry, fragment, depthTest, std::move(varyings));
        program.setName(name);
        program.link();
        debugLabel(GL_PROGRAM, program.programName(), name);
        for (const auto& uniform : settings["uniforms"]) {
            program.registerUniform(uniform.as<std::string>());
        }
        programs_.emplace(name, std::move(program));
    }
    return true;
}

const Program& ProgramManager::program(const std::string& programName) const
{
    const auto found = programs_.find(programName);
    if (found == programs_.end()) {
        throw std::out_of_range(check::PassNeeds::missingProgram(path_, programName).text());
    }
    return found->second;
}

void ProgramManager::use(const std::string& programName) const { program(programName).makeCurrent(); }

int ProgramManager::uniformLocation(const std::string& programName, const std::string& uniformName) const
{
    const Program& found = program(programName);
    try {
        return found.uniformLocation(uniformName);
    } catch (const std::out_of_range&) {
        // The line names the program's entry, as the demo checker does.
        YAML::Mark entry = YAML::Mark::null_mark();
        for (const auto& program : document_) {
            if (program.first.Scalar() == programName)
                entry = program.first.Mark();
        }
        throw std::out_of_range(check::PassNeeds::missingUniform(path_, entry, programName, uniformName).text());
    }
}

int ProgramManager::uniformLocation(const char* programName, const char* uniformName) const
{
    return uniformLocation(std::string(programName), std::string(uniformName));
}

std::vector<std::string> ProgramManager::uniformNames(const std::string& programName) const
{
    return program(programName).uniformNames();
}

GLuint ProgramManager::programId(const std::string& programName) const
{
    return program(programName).programName();
}

bool ProgramManager::contains(const std::string& programName) const { return programs_.count(programName) != 0; }

void ProgramManager::deletePrograms()
{
    for (const auto& entry : programs_) {
        glDeleteProgram(entry.second.programName());
    }
}

}  // namespace orv::gl

#include "gl/ProgramManager.h"

#include "gl/DebugLabel.h"
#include "gl/ProgramBinaryCache.h"

#include "gl/ShaderValidator.h"
#include "problem/PassNeeds.h"

#include <filesystem>
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
    problems_.clear();
    document_ = YAML::LoadFile(path_);
    const YAML::Node& document = document_;
    for (const auto& entry : document) {
        const auto name = entry.first.as<std::string>();
        programs_.emplace(name, build(name, entry.second));
    }
    return true;
}

Program ProgramManager::build(const std::string& name, const YAML::Node& settings)
{
    const std::size_t problemsBefore = problems_.size();
    Shader vertex;
    Shader geometry;
    Shader fragment;
    bool read[3] = {false, false, false};
    std::vector<std::string>& files = files_[name];
    files.clear();
    for (const auto& source : settings["source"]) {
        const GLenum stage = stageOf(requiredString(source, "type"));
        if (stage == 0) {
            continue;
        }
        const int index = stage == GL_VERTEX_SHADER ? 0 : stage == GL_GEOMETRY_SHADER ? 1 : 2;
        Shader& slot = index == 0 ? vertex : index == 1 ? geometry : fragment;
        const auto file = requiredString(source, "file");
        files.push_back(file);
        // A later entry for the same stage replaces the earlier one.
        slot = Shader(file, stage);
        slot.setProgramName(name);
        read[index] = slot.readSource();
        if (!read[index]) {
            const std::string line = ShaderValidator::unreadable(path_, source["file"].Mark(), name, file).text();
            std::cerr << line << std::endl;
            problems_.push_back(line);
        }
    }

    std::vector<std::string> varyings;
    for (const auto& varying : settings["transform_feedback_varyings"]) {
        varyings.push_back(varying.as<std::string>());
    }
    const bool depthTest = settings["enable_depth_test"].as<bool>(false);

    Program program(vertex, geometry, fragment, depthTest, varyings);
    program.setName(name);
    // Only the stages that were read go into the key: they are all the
    // compile would see.
    std::string key;
    if (cache_ != nullptr) {
        ProgramBinaryCache::Sources sources;
        Shader* const slots[] = {&vertex, &geometry, &fragment};
        for (int i = 0; i < 3; ++i) {
            if (read[i])
                sources.stages.emplace_back(slots[i]->stage(), &slots[i]->source());
        }
        sources.varyings = &varyings;
        key = cache_->keyOf(sources);
    }
    if (cache_ != nullptr && program.linkFromCache(*cache_, key)) {
        ++fromCache_;
    } else {
        Shader* const slots[] = {&vertex, &geometry, &fragment};
        for (int i = 0; i < 3; ++i) {
            if (read[i] && !slots[i]->compile()) {
                problems_.push_back(slots[i]->file() + ": program \"" + name + "\": " + slots[i]->log());
            }
        }
        program.setRetrievable(cache_ != nullptr);
        program.link();
        ++compiled_;
        if (!program.isLinked()) {
            problems_.push_back(path_ + ": program \"" + name + "\" does not link: " + program.log());
        } else if (cache_ != nullptr && problems_.size() == problemsBefore) {
            // A program with a stage that did not compile is built again next
            // time, so that its log is printed again.
            cache_->store(key, program.programName());
        }
    }
    debugLabel(GL_PROGRAM, program.programName(), name);
    for (const auto& uniform : settings["uniforms"]) {
        program.registerUniform(uniform.as<std::string>());
    }
    return program;
}

std::vector<std::string> ProgramManager::programsUsing(const std::string& file) const
{
    std::vector<std::string> names;
    const std::filesystem::path wanted = std::filesystem::path(file).lexically_normal();
    for (const auto& [name, files] : files_) {
        for (const auto& source : files) {
            if (std::filesystem::path(source).lexically_normal() == wanted) {
                names.push_back(name);
                break;
            }
        }
    }
    return names;
}

bool ProgramManager::rebuild(const std::vector<std::string>& programNames)
{
    problems_.clear();
    std::vector<std::pair<std::string, Program>> built;
    for (const auto& name : programNames) {
        program(name);  // an unknown name throws before anything is built
        built.emplace_back(name, build(name, document_[name]));
    }
    // Programs not swapped in, and the ones they replace, go with their records.
    if (!problems_.empty()) {
        return false;
    }
    for (auto& entry : built) {
        programs_.at(entry.first) = std::move(entry.second);
    }
    return true;
}

const Program& ProgramManager::program(const std::string& programName) const
{
    const auto found = programs_.find(programName);
    if (found == programs_.end()) {
        throw std::out_of_range(problem::PassNeeds::missingProgram(path_, programName).text());
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
        throw std::out_of_range(problem::PassNeeds::missingUniform(path_, entry, programName, uniformName).text());
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
    for (auto& entry : programs_) {
        entry.second.release();
    }
}

}  // namespace orv::gl

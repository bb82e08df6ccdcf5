#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include <GL/glew.h>
#include <yaml-cpp/yaml.h>

#include "gl/Program.h"

namespace orv::gl {

// Every GLSL program of the program catalogue, addressed by name. Unknown
// program names and undeclared uniform names throw std::out_of_range.
class ProgramManager {
public:
    explicit ProgramManager(std::string path);
    virtual ~ProgramManager() = default;

    // Compiles and links every program of the catalogue. YAML errors leave as
    // YAML exceptions whose message names the catalogue file; programs built
    // before the error stay available. GL failures are only printed.
    bool load();

    void use(const std::string& programName) const;
    int uniformLocation(const std::string& programName, const std::string& uniformName) const;
    int uniformLocation(const char* programName, const char* uniformName) const;
    std::vector<std::string> uniformNames(const std::string& programName) const;

    // The GL program object behind a name, for code that queries GL about it.
    GLuint programId(const std::string& programName) const;
    bool contains(const std::string& programName) const;
    std::size_t size() const { return programs_.size(); }

    // Deletes every GL program; the records stay in the map.
    void deletePrograms();

    // The record behind a name, for callers that keep it instead of looking
    // it up by name every frame. It stays where it is for the manager's life.
    const Program& program(const std::string& programName) const;

private:

    std::string path_;
    YAML::Node document_;
    std::unordered_map<std::string, Program> programs_;
};

}  // namespace orv::gl

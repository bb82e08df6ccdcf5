#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include <GL/glew.h>
#include <yaml-cpp/yaml.h>

#include "gl/Program.h"

namespace orv::gl {

class ProgramBinaryCache;

// Every GLSL program of the program catalogue, addressed by name. Unknown
// program names and undeclared uniform names throw std::out_of_range.
class ProgramManager {
public:
    explicit ProgramManager(std::string path);
    virtual ~ProgramManager() = default;

    // Programs whose sources and driver match a kept binary are linked from
    // it instead of compiled, and every program compiled is kept in it. Not
    // owned; null (the default) compiles everything.
    void setBinaryCache(ProgramBinaryCache* cache) { cache_ = cache; }
    // Programs built by compiling their shaders, and by taking a kept binary.
    std::size_t programsCompiled() const { return compiled_; }
    std::size_t programsFromCache() const { return fromCache_; }

    // Compiles and links every program of the catalogue. YAML errors leave as
    // YAML exceptions whose message names the catalogue file; programs built
    // before the error stay available. GL failures are only printed.
    bool load();

    // What went wrong in the last load() or rebuild(): one line per shader
    // that did not compile (its file, program and log) or program that did
    // not link; empty when everything built.
    const std::vector<std::string>& problems() const { return problems_; }
    // The programs whose sources include this shader file, as the catalogue names it.
    std::vector<std::string> programsUsing(const std::string& file) const;
    // Compiles and links these programs again from their files. Only when
    // every one builds are they swapped in, each into its own record (so a
    // kept reference sees the new program; its uniform locations are the
    // new ones) and the old GL programs deleted; otherwise the running
    // programs stay and problems() says why. Returns whether they were swapped.
    bool rebuild(const std::vector<std::string>& programNames);

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
    Program build(const std::string& name, const YAML::Node& settings);

    std::string path_;
    YAML::Node document_;
    std::unordered_map<std::string, Program> programs_;
    std::unordered_map<std::string, std::vector<std::string>> files_;
    std::vector<std::string> problems_;
    ProgramBinaryCache* cache_ = nullptr;
    std::size_t compiled_ = 0;
    std::size_t fromCache_ = 0;
};

}  // namespace orv::gl

#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <GL/glew.h>

namespace orv::gl {

// Linked programs kept on disk between runs (glGetProgramBinary), so a
// start whose shaders and GL driver are unchanged links each program from
// its binary instead of compiling it. Every file holds the whole text it
// was built from, and a binary is only used when that text is the same as
// now; anything else (a changed source, another driver, a corrupt or
// foreign file, a binary the driver refuses, a folder that cannot be
// written) quietly means a normal compile.
class ProgramBinaryCache {
public:
    // What a program is built from: its stages' sources, in stage order,
    // and its transform-feedback outputs.
    struct Sources {
        std::vector<std::pair<GLenum, const std::string*>> stages;
        const std::vector<std::string>* varyings = nullptr;
    };

    // Keeps its files in this folder, made when the first one is written.
    explicit ProgramBinaryCache(std::filesystem::path folder);

    // $XDG_CACHE_HOME/orv, else ~/.cache/orv; none when neither is set, or
    // when ORV_PROGRAM_CACHE is "0" (every program is then compiled).
    static std::optional<std::filesystem::path> defaultFolder();

    // The text a program's binary is keyed on: its sources and the GL
    // driver's vendor, renderer and version. Needs a current context.
    std::string keyOf(const Sources& sources);

    // Gives the program (created, not yet linked) the kept binary for key;
    // true when GL took it and the program is linked. Leaves no GL error.
    bool load(const std::string& key, GLuint program);
    // Keeps a linked program's binary under key; failures are silent.
    void store(const std::string& key, GLuint program);

    const std::filesystem::path& folder() const { return folder_; }
    // The file a key's binary is kept in.
    std::filesystem::path fileOf(const std::string& key) const;
    // Whether the GL driver can give and take program binaries at all.
    bool supported();

    // How often load() gave a program its binary, and how often it was asked.
    std::size_t hits() const { return hits_; }
    std::size_t lookups() const { return lookups_; }

private:
    std::filesystem::path folder_;
    std::string driver_;
    std::vector<GLint> formats_;
    bool queried_ = false;
    std::size_t hits_ = 0;
    std::size_t lookups_ = 0;

    void queryDriver();
};

}  // namespace orv::gl

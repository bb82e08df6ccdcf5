#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include <GL/glew.h>

#include "gl/Handle.h"
#include "gl/Shader.h"

namespace orv::gl {

class ProgramBinaryCache;

// One linked GL program with the locations of its declared uniforms, looked
// up once after linking so that drawing never queries GL for them.
class Program {
public:
    // The three stage slots are only used by link(); an uncompiled slot is left out.
    Program(Shader& vertex, Shader& geometry, Shader& fragment, bool depthTest,
            std::vector<std::string> varyings);

    // Links the compiled stages (declaring the transform-feedback varyings
    // first), prints the linker log on failure and deletes the shader objects.
    void link();
    // Links from the cache's binary for key instead, without compiling;
    // false (and nothing made) when the cache has none GL takes.
    bool linkFromCache(ProgramBinaryCache& cache, const std::string& key);
    // Asks GL to keep the linked program retrievable (for the binary cache).
    void setRetrievable(bool retrievable) { retrievable_ = retrievable; }

    // Named in the linker's log line.
    void setName(std::string name) { name_ = std::move(name); }

    void registerUniform(const std::string& name);
    // Throws std::out_of_range for a name that was never registered.
    int uniformLocation(const std::string& name) const;
    std::vector<std::string> uniformNames() const;
    bool declares(const std::string& name) const { return uniforms_.count(name) != 0; }

    // Enables the depth test when the program asks for it (never disables it),
    // then makes the program current.
    void makeCurrent() const;

    // Deletes the GL program now; the record (and its uniform table) stays.
    void release() { program_.reset(); }

    GLuint programName() const { return program_.name(); }
    bool isLinked() const { return linked_; }
    // The linker's log of a failed link, empty otherwise.
    const std::string& log() const { return log_; }
    bool depthTest() const { return depthTest_; }
    const std::vector<std::string>& varyings() const { return varyings_; }

private:
    Shader* vertex_;
    Shader* geometry_;
    Shader* fragment_;
    ProgramHandle program_;
    std::string name_;
    bool linked_ = false;
    bool retrievable_ = false;
    std::string log_;
    std::unordered_map<std::string, int> uniforms_;
    bool depthTest_;
    std::vector<std::string> varyings_;
};

}  // namespace orv::gl

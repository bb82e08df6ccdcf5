#pragma once

#include <string>

#include <yaml-cpp/yaml.h>

#include "problem/DemoConfig.h"
#include "problem/Problem.h"
#include "problem/Report.h"

namespace orv::gl {

// Compiles and links the programs of the catalogue offline, as desktop GLSL
// for an OpenGL 4.4 core context, and holds each program against what the
// catalogue declares and what the renderer needs of it. Needs no GL.
class ShaderValidator {
public:
    ShaderValidator();
    ~ShaderValidator();
    ShaderValidator(const ShaderValidator&) = delete;
    ShaderValidator& operator=(const ShaderValidator&) = delete;

    void check(const problem::DemoConfig::Program& program, problem::Report& report);

    // The line for a shader file the player cannot read; it plays on
    // without that stage.
    static problem::Problem unreadable(const std::string& catalogue, const YAML::Mark& mark, const std::string& program,
                                      const std::string& file);
};

}  // namespace orv::gl

#pragma once

#include <functional>
#include <string>

#include <yaml-cpp/yaml.h>

#include "check/YamlShape.h"
#include "problem/DemoConfig.h"
#include "problem/Report.h"

namespace orv::check {

// The five configuration files of a demo: YAML syntax, the type of every key
// (unknown keys warned), the values that must be there, and the curves of
// the timeline. Runs in the demo folder; needs no GL.
class ConfigChecker {
public:
    explicit ConfigChecker(problem::Report& report) : report_(report) {}

    // Reads and checks every file, going on past each problem.
    problem::DemoConfig run();

private:
    // Parses the file into document; false after a report.
    bool parse(const std::string& file, YAML::Node& document);
    // Runs a step of a loader's own reading; what it raises becomes the line
    // the player prints for it.
    bool sameAsPlayer(const std::string& file, const std::function<void()>& step);

    // The catalogues' own first step, a name per key.
    bool playerReadsNames(const std::string& file, const YAML::Node& document);

    void window();
    void programs(problem::DemoConfig& config);
    void models(problem::DemoConfig& config);
    void scene(problem::DemoConfig& config);
    void timeline(problem::DemoConfig& config);
    // Checks the drawing settings of an entry; whether it loads textures.
    // The catalogue-only key "environment_cube": its type, and whether a pass shows the cube.
    void environmentCube(YamlShape& shape, const YAML::Node& entry, problem::DemoConfig::Model& model);
    bool meshSettings(YamlShape& shape, const YAML::Node& entry, bool sceneNode, std::vector<problem::Named>& targets);

    problem::Report& report_;
};

}  // namespace orv::check

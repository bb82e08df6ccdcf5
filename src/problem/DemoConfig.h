#pragma once

#include <string>
#include <utility>
#include <vector>

#include <yaml-cpp/yaml.h>

namespace orv::problem {

// A name or path as the configuration gives it, with where it stands.
struct Named {
    std::string name;
    YAML::Mark mark;
};

// What the configuration files say, as far as they could be read: the input
// of the checks that look past a single file.
struct DemoConfig {
    struct Stage {
        std::string type;
        Named file;
    };
    struct Program {
        Named name;
        std::vector<Stage> stages;
        std::vector<Named> uniforms;
        std::vector<Named> varyings;
    };
    struct Model {
        Named name;
        Named path;
        std::vector<Named> targets;
        // Whether the player loads the images its materials name.
        bool loadTextures = true;
        // Where it asks for an environment cube ("environment_cube: true"); null mark otherwise.
        bool environmentCube = false;
        YAML::Mark environmentCubeMark = YAML::Mark::null_mark();
    };

    std::vector<Program> programs;
    std::vector<Model> models;
    // The scene file's model path and its per-node settings' targets.
    Named scenePath;
    std::vector<Named> sceneTargets;
    YAML::Node sceneModels;
    std::size_t shots = 0;
    // The first entry of each shot, for lines about a whole shot.
    std::vector<YAML::Mark> shotMarks;
    // Per shot: the entries of "camera_velocity" and "particle_velocity".
    std::vector<std::pair<std::size_t, std::size_t>> velocityKeys;
    bool programsRead = false;
    bool modelsRead = false;
    bool sceneRead = false;
    bool timelineRead = false;
};

}  // namespace orv::problem

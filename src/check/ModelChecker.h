#pragma once

#include <map>
#include <optional>
#include <string>

#include <yaml-cpp/yaml.h>

#include "check/NameTree.h"
#include "problem/Report.h"

struct aiNode;
struct aiScene;

namespace orv::check {

// Imports model files as the player does (Assimp, the same flags) and checks
// that the images their materials name can be decoded; keeps each file's
// node names. Needs no GL.
class ModelChecker {
public:
    explicit ModelChecker(problem::Report& report);

    // The names of the file's nodes, or nothing after a report naming the
    // configuration entry (configFile at mark) that asked for it. Each file
    // is imported once per flag set; withTextures says whether its images
    // are loaded by the player (and so checked).
    std::optional<NameTree> import(const std::string& path, unsigned flags, bool withTextures,
                                   const std::string& configFile, const YAML::Mark& mark);

    // The scene file's nodes: a node carries a mesh only where the scene's
    // "models" settings build one; images are checked for those nodes only.
    std::optional<NameTree> importScene(const std::string& path, unsigned flags, const YAML::Node& settings,
                                        const std::string& configFile, const YAML::Mark& mark);

    // Whether the image decodes; reports the player's own line when not.
    bool image(const std::string& path);
    // Every image looked at, and whether it decoded.
    const std::map<std::string, bool>& images() const { return images_; }

private:
    NameTree names(const aiScene& scene, const aiNode& node, const std::string& source, const YAML::Node* settings,
                   const std::string& directory);
    void materialImages(const aiScene& scene, unsigned mesh, const std::string& directory);

    problem::Report& report_;
    std::map<std::string, bool> images_;
};

}  // namespace orv::check

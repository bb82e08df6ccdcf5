#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>

#include <yaml-cpp/yaml.h>

#include "config/NodeTree.h"
#include "problem/Report.h"

struct aiScene;

namespace orv::check {

// Imports model files as the player does (Assimp, the same flags) and checks
// that the images their materials name can be decoded; keeps each file's
// node names. Needs no GL.
class ModelChecker {
public:
    explicit ModelChecker(problem::Report& report);

    // A catalogue model file's nodes, read as the catalogue reads them, or
    // nothing after a report naming the configuration entry (configFile at
    // mark) that asked for it. withTextures says whether the player loads its
    // images (and so whether they are checked).
    std::optional<config::NodeTree> import(const std::string& path, unsigned flags, bool withTextures,
                                           const std::string& configFile, const YAML::Mark& mark);

    // The scene file's nodes, read as the scene description reads them with
    // the scene's "models" settings; images are checked for the meshes that
    // are built. holdsModel: whether the catalogue holds a model.
    std::optional<config::NodeTree> importScene(const std::string& path, unsigned flags, const YAML::Node& settings,
                                                const std::function<bool(const std::string&)>& holdsModel,
                                                const std::string& configFile, const YAML::Mark& mark);

    // Whether the image decodes; reports the player's own line when not.
    bool image(const std::string& path);
    // Every image looked at, and whether it decoded.
    const std::map<std::string, bool>& images() const { return images_; }

private:
    void sceneImages(const aiScene& scene, const config::NodeTree& node, const std::string& directory);
    void materialImages(const aiScene& scene, unsigned mesh, const std::string& directory);

    problem::Report& report_;
    std::map<std::string, bool> images_;
};

}  // namespace orv::check

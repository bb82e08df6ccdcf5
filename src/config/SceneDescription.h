#pragma once

#include <functional>
#include <memory>
#include <string>

#include <yaml-cpp/yaml.h>

#include "config/NodeTree.h"
#include "config/TextureCache.h"
#include "problem/Problem.h"

struct aiScene;

namespace orv::scene {
class SceneObject;
}

namespace orv::config {

class AssimpImport;
class ModelCatalogue;
struct MeshSettings;

// The scene of "config/scene.yaml": one model file holding the whole room as
// a node hierarchy, built into a tree of scene objects with per-node drawing
// settings. Nodes named "model-<name>" receive a clone of a catalogue model.
class SceneDescription {
public:
    // How the scene file is imported.
    static const unsigned importFlags;
    // The catalogue model a "model-<name>" node stands for: name without a
    // numbering suffix such as "_001".
    static std::string modelNameOf(const std::string& nodeName);
    // The name the clone of the model placed at a "model-<name>" node takes:
    // name, suffix and all.
    static std::string placedNameOf(const std::string& nodeName);
    // The warning for a "model-" node whose model the catalogue lacks.
    static problem::Problem unknownModel(const std::string& sceneFile, const std::string& node,
                                         const std::string& model, const std::string& catalogueFile);

    // What a node whose settings do not read gets: the library's error, or
    // no meshes (for a reader that reports the settings itself).
    enum class Faults { raise, skip };
    // The scene file's nodes as load builds them. A node gets an instance of
    // each of its meshes with three or more vertices where its entry in
    // models (the "models" settings) sets them up; the root's own meshes are
    // never built. A "model-" node keeps no children, and its own meshes only
    // where holdsModel says the catalogue lacks its model.
    static NodeTree readNodes(const aiScene& scene, const YAML::Node& models,
                              const std::function<bool(const std::string& model)>& holdsModel, Faults faults);

    // Parses the file at once; YAML errors leave as the library raises them.
    SceneDescription(const std::string& fileName, const std::string& rootKey, ModelCatalogue& catalogue);
    ~SceneDescription();

    SceneDescription(const SceneDescription&) = delete;
    SceneDescription& operator=(const SceneDescription&) = delete;

    // Imports the scene file and builds the tree. Needs a current GL context
    // and the catalogue loaded. Throws on the first error.
    void load();

    // The same root on every call; empty before load.
    std::shared_ptr<scene::SceneObject> root() const { return root_; }

    const std::string& fileName() const { return fileName_; }
    // The scene's model file as the description names it ("path"); empty before load.
    const std::string& modelPath() const { return path_; }
    const TextureCache& textures() const { return textures_; }
    // Wall time of the scene file's import (Assimp) in load.
    double importMs() const { return importMs_; }

private:
    void build(scene::SceneObject& object, const NodeTree& node);
    void placeModel(scene::SceneObject& parent, const NodeTree& node);
    void buildMeshes(scene::SceneObject& object, const NodeTree& node);

    std::string fileName_;
    std::shared_ptr<scene::SceneObject> root_;
    YAML::Node document_;
    std::string rootKey_;
    // Kept until the description goes, as the scene's nodes were read from it.
    std::unique_ptr<AssimpImport> scene_;
    std::string path_;
    std::string directory_;
    YAML::Node models_;
    ModelCatalogue& catalogue_;
    TextureCache textures_;
    double importMs_ = 0.0;
};

}  // namespace orv::config

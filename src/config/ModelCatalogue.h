#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include <yaml-cpp/yaml.h>

#include "config/NodeTree.h"
#include "config/TextureCache.h"

struct aiScene;

namespace orv::gl {
class ProgramManager;
}
namespace orv::scene {
class SceneObject;
}

namespace orv::config {

struct MeshSettings;

// The models of "config/models.yaml": every model file imported once into a
// template tree of scene objects, kept under the model's name. Templates are
// never drawn; the scene and the model objects place clones of them.
class ModelCatalogue {
public:
    // How every model file is imported.
    static const unsigned importFlags;
    // The nodes of the model file imported from path, every mesh of each
    // becoming an instance: what load builds the model's template from.
    static NodeTree readNodes(const aiScene& scene, const std::string& path);

    // Parses the file at once; YAML errors leave as the library raises them.
    ModelCatalogue(const std::string& fileName, gl::ProgramManager& programs);
    ~ModelCatalogue();

    ModelCatalogue(const ModelCatalogue&) = delete;
    ModelCatalogue& operator=(const ModelCatalogue&) = delete;

    // Imports and builds every model, in the file's order. Needs a current GL
    // context. Throws on the first error; models built before it stay.
    void load();

    // The root of the model keyed name, then every object below any model
    // root whose name contains name. Empty when nothing answers.
    std::vector<std::shared_ptr<scene::SceneObject>> find(const std::string& name) const;

    gl::ProgramManager& programManager() const { return programs_; }
    const std::string& fileName() const { return fileName_; }
    std::size_t size() const { return models_.size(); }
    // Images loaded so far, one per full path.
    const TextureCache& textures() const { return textures_; }
    // Wall time spent importing model files so far.
    double importMs() const { return importMs_; }

private:
    void loadModel(const std::string& name, const YAML::Node& entry);
    void build(scene::SceneObject& object, const NodeTree& node, const MeshSettings& settings);

    std::string fileName_;
    YAML::Node document_;
    // Insertion order of models_, so that find visits models in file order.
    std::vector<std::string> order_;
    std::unordered_map<std::string, std::shared_ptr<scene::SceneObject>> models_;
    TextureCache textures_;
    const aiScene* currentScene_ = nullptr;
    std::string currentDirectory_;
    gl::ProgramManager& programs_;
    double importMs_ = 0.0;
};

}  // namespace orv::config

#include "config/ModelCatalogue.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>

#include <assimp/cimport.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include "config/AssimpImport.h"
#include "config/MeshSettings.h"
#include "config/YamlValues.h"
#include "scene/MeshInstance.h"
#include "scene/SceneObject.h"

namespace orv::config {

const unsigned ModelCatalogue::importFlags = aiProcessPreset_TargetRealtime_MaxQuality;
static_assert(aiProcessPreset_TargetRealtime_MaxQuality == 0x379ECB);

namespace {

NodeTree modelNode(const aiNode& node, const std::string& path)
{
    NodeTree tree;
    tree.name = node.mName.C_Str();
    tree.source = path;
    tree.transformation = node.mTransformation;
    tree.meshes.assign(node.mMeshes, node.mMeshes + node.mNumMeshes);
    for (unsigned i = 0; i < node.mNumChildren; ++i)
        tree.children.push_back(modelNode(*node.mChildren[i], path));
    return tree;
}

}  // namespace

NodeTree ModelCatalogue::readNodes(const aiScene& scene, const std::string& path)
{
    return modelNode(*scene.mRootNode, path);
}

ModelCatalogue::ModelCatalogue(const std::string& fileName, gl::ProgramManager& programs)
    : fileName_(fileName), programs_(programs)
{
    document_ = YAML::LoadFile(fileName_);
}

ModelCatalogue::~ModelCatalogue() = default;

void ModelCatalogue::load()
{
    currentDirectory_.clear();
    const YAML::Node& document = document_;
    for (const auto& entry : document) {
        // A sequence root fails here with the library's "invalid node".
        const auto name = entry.first.as<std::string>();
        loadModel(name, entry.second);
    }
    currentScene_ = nullptr;
}

void ModelCatalogue::loadModel(const std::string& name, const YAML::Node& entry)
{
    const auto path = requiredString(entry, "path");
    currentDirectory_ = TextureCache::directoryOf(path);
    const MeshSettings settings = MeshSettings::read(entry);

    const auto started = std::chrono::steady_clock::now();
    const AssimpImport imported(path, importFlags);
    importMs_ += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
    currentScene_ = imported.scene();
    const NodeTree nodes = readNodes(*currentScene_, path);

    auto root = std::make_shared<scene::SceneObject>();
    root->setName(nodes.name);
    root->setSource(path);
    build(*root, nodes, settings);
    root->update(0.0);
    currentScene_ = nullptr;

    // A key given twice: the later entry wins and find still sees it once.
    if (models_.count(name) == 0)
        order_.push_back(name);
    models_[name] = root;
}

void ModelCatalogue::build(scene::SceneObject& object, const NodeTree& node, const MeshSettings& settings)
{
    for (const unsigned mesh : node.meshes)
        object.addMeshInstance(settings.build(*currentScene_->mMeshes[mesh], *currentScene_, currentDirectory_, textures_));
    object.setTransformation(node.transformation);
    for (const NodeTree& childNode : node.children) {
        auto child = object.createChild();
        child->setName(childNode.name);
        build(*child, childNode, settings);
    }
}

std::vector<std::shared_ptr<scene::SceneObject>> ModelCatalogue::find(const std::string& name) const
{
    // The model keyed name is visited first, the others in file order: a
    // model placed by name must win over a node of another model that merely
    // contains the name, as callers take the first answer.
    std::vector<std::shared_ptr<scene::SceneObject>> found;
    const auto visit = [&](const std::string& key) {
        const auto& root = models_.at(key);
        if (key == name)
            found.push_back(root);
        const auto below = root->findObjects(name);
        found.insert(found.end(), below.begin(), below.end());
    };
    if (models_.count(name) != 0)
        visit(name);
    for (const auto& key : order_)
        if (key != name)
            visit(key);
    return found;
}

}  // namespace orv::config

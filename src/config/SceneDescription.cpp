#include "config/SceneDescription.h"

#include <cctype>
#include <chrono>
#include <iostream>
#include <optional>

#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include "config/AssimpImport.h"
#include "config/MeshSettings.h"
#include "config/ModelCatalogue.h"
#include "config/YamlValues.h"
#include "scene/MeshInstance.h"
#include "scene/SceneObject.h"

namespace orv::config {

namespace {

// The catalogue's flags without FindInvalidData, with Debone.
constexpr unsigned sceneImportFlags =
    (aiProcessPreset_TargetRealtime_MaxQuality & ~aiProcess_FindInvalidData) | aiProcess_Debone;
static_assert(sceneImportFlags == 0x4359ECB);

const glm::vec3 untexturedColor{0.75f, 0.0f, 0.0f};
const std::string modelPrefix = "model-";

// model-crate_001 and model-crate_002 both stand for the model crate: a
// numbering suffix of "_" and three digits (or underscores) is dropped, but
// only from a name longer than the suffix itself.
std::string lookupName(const std::string& base)
{
    const auto n = base.size();
    if (n <= 4 || base[n - 4] != '_')
        return base;
    for (auto i = n - 4; i < n; ++i) {
        const auto c = static_cast<unsigned char>(base[i]);
        if (!std::isdigit(c) && c != '_')
            return base;
    }
    return base.substr(0, n - 4);
}

void readMeshes(const aiScene& scene, const aiNode& node, const YAML::Node& models, SceneDescription::Faults faults,
                NodeTree& tree)
{
    for (unsigned i = 0; i < node.mNumMeshes; ++i) {
        const aiMesh& mesh = *scene.mMeshes[node.mMeshes[i]];
        // Looked up per mesh, so that a faulty entry of a node without
        // drawable meshes raises nothing.
        const YAML::Node entry = models[node.mName.C_Str()];
        if (!entry.IsDefined() || mesh.mNumVertices < 3)
            continue;
        if (!tree.settings) {
            try {
                tree.settings = MeshSettings::read(entry);
                // A catalogue key only: the scene's meshes are the room the cubes show.
                tree.settings->environmentCube = false;
            } catch (const YAML::Exception&) {
                if (faults == SceneDescription::Faults::raise)
                    throw;
                return;
            }
        }
        if (!tree.settings->ignore)
            tree.meshes.push_back(node.mMeshes[i]);
    }
}

NodeTree sceneNode(const aiScene& scene, const aiNode& node, const YAML::Node& models,
                   const std::function<bool(const std::string&)>& holdsModel, SceneDescription::Faults faults)
{
    NodeTree tree;
    tree.name = node.mName.C_Str();
    tree.transformation = node.mTransformation;
    if (tree.name.rfind(modelPrefix, 0) == 0) {
        tree.model = SceneDescription::modelNameOf(tree.name);
        if (!holdsModel(tree.model))
            readMeshes(scene, node, models, faults, tree);
        return tree;
    }
    readMeshes(scene, node, models, faults, tree);
    for (unsigned i = 0; i < node.mNumChildren; ++i)
        tree.children.push_back(sceneNode(scene, *node.mChildren[i], models, holdsModel, faults));
    return tree;
}

}  // namespace

const unsigned SceneDescription::importFlags = sceneImportFlags;

problem::Problem SceneDescription::unknownModel(const std::string& sceneFile, const std::string& node,
                                                const std::string& model, const std::string& catalogueFile)
{
    problem::Problem problem;
    problem.file = sceneFile;
    problem.what = "node \"" + node + "\" names the model \"" + model + "\", which " + catalogueFile +
                   " does not hold; the node's own meshes are used";
    problem.todo = "add the model to " + catalogueFile + " or rename the node";
    problem.severity = problem::Problem::Severity::Warning;
    return problem;
}

std::string SceneDescription::modelNameOf(const std::string& nodeName)
{
    return lookupName(placedNameOf(nodeName));
}

std::string SceneDescription::placedNameOf(const std::string& nodeName)
{
    return nodeName.size() > modelPrefix.size() ? nodeName.substr(modelPrefix.size()) : nodeName;
}

NodeTree SceneDescription::readNodes(const aiScene& scene, const YAML::Node& models,
                                     const std::function<bool(const std::string& model)>& holdsModel, Faults faults)
{
    const aiNode& root = *scene.mRootNode;
    NodeTree tree;
    tree.name = root.mName.C_Str();
    tree.transformation = root.mTransformation;
    for (unsigned i = 0; i < root.mNumChildren; ++i)
        tree.children.push_back(sceneNode(scene, *root.mChildren[i], models, holdsModel, faults));
    return tree;
}

SceneDescription::SceneDescription(const std::string& fileName, const std::string& rootKey,
                                   ModelCatalogue& catalogue)
    : fileName_(fileName), rootKey_(rootKey), catalogue_(catalogue)
{
    document_ = YAML::LoadFile(fileName_);
}

SceneDescription::~SceneDescription() = default;

void SceneDescription::load()
{
    const YAML::Node& document = document_;
    // A scalar root raises "operator[] call on a scalar" here.
    const YAML::Node settings = document[rootKey_];
    if (!settings.IsDefined() && !document.IsSequence())
        // No entry under the root key: there is no path to convert.
        throw YAML::TypedBadConversion<std::string>(document.Mark());
    // A sequence root raises the library's "invalid node" here.
    path_ = requiredString(settings, "path");
    directory_ = TextureCache::directoryOf(path_);
    // Without "models" no node has settings; a missing key cannot be
    // assigned, so models_ then stays an empty node.
    if (const YAML::Node models = settings["models"]; models.IsDefined())
        models_ = models;

    const auto started = std::chrono::steady_clock::now();
    scene_ = std::make_unique<AssimpImport>(path_, importFlags);
    importMs_ = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
    const auto holdsModel = [&](const std::string& model) { return !catalogue_.find(model).empty(); };
    const NodeTree nodes = readNodes(*scene_->scene(), models_, holdsModel, Faults::raise);
    root_ = std::make_shared<scene::SceneObject>();
    build(*root_, nodes);
    root_->update(0.0);
}

void SceneDescription::build(scene::SceneObject& object, const NodeTree& node)
{
    object.setName(node.name);
    object.setTransformation(node.transformation);
    for (const NodeTree& childNode : node.children) {
        if (!childNode.model.empty()) {
            placeModel(object, childNode);
            continue;
        }
        auto child = object.createChild();
        buildMeshes(*child, childNode);
        build(*child, childNode);
    }
}

void SceneDescription::placeModel(scene::SceneObject& parent, const NodeTree& node)
{
    const auto matches = catalogue_.find(node.model);
    if (!matches.empty()) {
        auto clone = matches.front()->clone();
        clone->setName(placedNameOf(node.name));
        parent.addChild(clone);
        clone->setTransformation(node.transformation);
        return;
    }
    std::cerr << unknownModel(fileName_, node.name, node.model, catalogue_.fileName()).text() << '\n';
    auto child = parent.createChild();
    buildMeshes(*child, node);
    child->setTransformation(node.transformation);
}

void SceneDescription::buildMeshes(scene::SceneObject& object, const NodeTree& node)
{
    object.setName(node.name);
    if (!node.settings)
        return;
    const aiScene& scene = *scene_->scene();
    MeshSettings used = *node.settings;
    if (used.suppressDraw)
        used.targets.clear();
    for (const unsigned mesh : node.meshes) {
        auto instance = used.build(*scene.mMeshes[mesh], scene, directory_, textures_);
        if (!used.loadTextures)
            instance->setColor(untexturedColor);
        object.addMeshInstance(instance);
    }
    // Meshes without targets are still drawn by the passes that take every
    // instance; the mark keeps them out of those too. Children are not built
    // yet, so only this node's own instances carry it.
    if (!node.settings->hasTargets || node.settings->suppressDraw)
        object.suppressDraw(false);
}

}  // namespace orv::config

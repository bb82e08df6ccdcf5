#include "config/SceneDescription.h"

#include <cctype>
#include <iostream>
#include <optional>
#include <utility>

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
    const std::string prefix = "model-";
    const std::string base = nodeName.size() > prefix.size() ? nodeName.substr(prefix.size()) : nodeName;
    return lookupName(base);
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

    scene_ = std::make_unique<AssimpImport>(path_, importFlags);
    root_ = std::make_shared<scene::SceneObject>();
    walk(*root_, *scene_->scene()->mRootNode);
    root_->update(0.0);
}

void SceneDescription::walk(scene::SceneObject& object, const aiNode& node)
{
    object.setName(node.mName.C_Str());
    object.setTransformation(node.mTransformation);
    for (unsigned i = 0; i < node.mNumChildren; ++i) {
        const aiNode& childNode = *node.mChildren[i];
        const std::string name = childNode.mName.C_Str();
        if (name.rfind(modelPrefix_, 0) == 0) {
            placeModel(object, childNode);
            continue;
        }
        auto child = object.createChild();
        buildMeshes(*child, childNode);
        walk(*child, childNode);
    }
}

void SceneDescription::placeModel(scene::SceneObject& parent, const aiNode& node)
{
    const std::string name = node.mName.C_Str();
    const std::string base = name.size() > modelPrefix_.size() ? name.substr(modelPrefix_.size()) : name;
    const std::string model = lookupName(base);

    const auto matches = catalogue_.find(model);
    if (!matches.empty()) {
        auto clone = matches.front()->clone();
        clone->setName(base);
        parent.addChild(clone);
        clone->setTransformation(node.mTransformation);
        return;
    }
    std::cerr << unknownModel(fileName_, name, model, catalogue_.fileName()).text() << '\n';
    auto child = parent.createChild();
    buildMeshes(*child, node);
    child->setTransformation(node.mTransformation);
}

void SceneDescription::buildMeshes(scene::SceneObject& object, const aiNode& node)
{
    object.setName(node.mName.C_Str());
    const aiScene& scene = *scene_->scene();
    std::optional<MeshSettings> settings;
    for (unsigned i = 0; i < node.mNumMeshes; ++i) {
        const aiMesh& mesh = *scene.mMeshes[node.mMeshes[i]];
        // Looked up per mesh, so that a faulty entry of a node without
        // drawable meshes raises nothing.
        const YAML::Node entry = std::as_const(models_)[node.mName.C_Str()];
        if (!entry.IsDefined() || mesh.mNumVertices < 3)
            continue;
        if (!settings)
            settings = MeshSettings::read(entry);
        if (settings->ignore)
            continue;

        MeshSettings used = *settings;
        if (used.suppressDraw)
            used.targets.clear();
        auto instance = used.build(mesh, scene, directory_, textures_);
        if (!used.loadTextures)
            instance->setColor(untexturedColor);
        object.addMeshInstance(instance);
    }
    // Meshes without targets are still drawn by the passes that take every
    // instance; the mark keeps them out of those too. Children are not built
    // yet, so only this node's own instances carry it.
    if (settings && (!settings->hasTargets || settings->suppressDraw))
        object.suppressDraw(false);
}

}  // namespace orv::config

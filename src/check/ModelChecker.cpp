#include "check/ModelChecker.h"

#include <IL/il.h>
#include <assimp/material.h>
#include <assimp/scene.h>

#include "config/AssimpImport.h"
#include "config/ModelCatalogue.h"
#include "config/SceneDescription.h"
#include "config/TextureCache.h"
#include "problem/Diagnosis.h"
#include "problem/ImageFault.h"

namespace orv::check {

using problem::Problem;
using problem::Report;
using problem::Diagnosis;
using problem::ImageFault;

ModelChecker::ModelChecker(Report& report) : report_(report)
{
    ilInit();
}

std::optional<config::NodeTree> ModelChecker::import(const std::string& path, unsigned flags, bool withTextures,
                                                     const std::string& configFile, const YAML::Mark& mark)
{
    try {
        const config::AssimpImport imported(path, flags);
        const aiScene& scene = *imported.scene();
        const std::string directory = config::TextureCache::directoryOf(path);
        if (withTextures) {
            for (unsigned i = 0; i < scene.mNumMeshes; ++i)
                materialImages(scene, i, directory);
        }
        return config::ModelCatalogue::readNodes(scene, path);
    } catch (const std::runtime_error& error) {
        Problem problem = Diagnosis::of(configFile, error);
        const Problem located = Problem::at(configFile, mark, problem.what, problem.todo);
        report_.add(located);
        return std::nullopt;
    }
}

std::optional<config::NodeTree> ModelChecker::importScene(const std::string& path, unsigned flags,
                                                          const YAML::Node& settings,
                                                          const std::function<bool(const std::string&)>& holdsModel,
                                                          const std::string& configFile, const YAML::Mark& mark)
{
    try {
        const config::AssimpImport imported(path, flags);
        const aiScene& scene = *imported.scene();
        // Faulty settings are reported with the scene file's other settings.
        config::NodeTree tree = config::SceneDescription::readNodes(scene, settings, holdsModel,
                                                                    config::SceneDescription::Faults::skip);
        sceneImages(scene, tree, config::TextureCache::directoryOf(path));
        return tree;
    } catch (const std::runtime_error& error) {
        Problem problem = Diagnosis::of(configFile, error);
        report_.add(Problem::at(configFile, mark, problem.what, problem.todo));
        return std::nullopt;
    }
}

void ModelChecker::sceneImages(const aiScene& scene, const config::NodeTree& node, const std::string& directory)
{
    if (node.settings && node.settings->loadTextures) {
        for (const unsigned mesh : node.meshes)
            materialImages(scene, mesh, directory);
    }
    for (const config::NodeTree& child : node.children)
        sceneImages(scene, child, directory);
}

void ModelChecker::materialImages(const aiScene& scene, unsigned mesh, const std::string& directory)
{
    const aiMaterial* material = scene.mMaterials[scene.mMeshes[mesh]->mMaterialIndex];
    for (const aiTextureType type : {aiTextureType_NORMALS, aiTextureType_SPECULAR, aiTextureType_LIGHTMAP,
                                     aiTextureType_DIFFUSE}) {
        aiString file;
        if (material->GetTexture(type, 0, &file) == aiReturn_SUCCESS)
            image(directory + "/" + file.C_Str());
    }
}

bool ModelChecker::image(const std::string& path)
{
    const auto known = images_.find(path);
    if (known != images_.end())
        return known->second;
    ILuint name = 0;
    ilGenImages(1, &name);
    ilBindImage(name);
    const bool loaded = ilLoadImage(path.c_str()) == IL_TRUE;
    const ILenum code = loaded ? IL_NO_ERROR : ilGetError();
    ilDeleteImages(1, &name);
    if (!loaded)
        report_.add(ImageFault::of(path, code));
    images_.emplace(path, loaded);
    return loaded;
}

}  // namespace orv::check

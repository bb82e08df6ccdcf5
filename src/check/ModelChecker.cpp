#include "check/ModelChecker.h"

#include <IL/il.h>
#include <assimp/material.h>
#include <assimp/scene.h>

#include "config/AssimpImport.h"
#include "config/MeshSettings.h"
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

std::optional<NameTree> ModelChecker::import(const std::string& path, unsigned flags, bool withTextures,
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
        return names(scene, *scene.mRootNode, path, nullptr, directory);
    } catch (const std::runtime_error& error) {
        Problem problem = Diagnosis::of(configFile, error);
        const Problem located = Problem::at(configFile, mark, problem.what, problem.todo);
        report_.add(located);
        return std::nullopt;
    }
}

std::optional<NameTree> ModelChecker::importScene(const std::string& path, unsigned flags,
                                                  const YAML::Node& settings, const std::string& configFile,
                                                  const YAML::Mark& mark)
{
    try {
        const config::AssimpImport imported(path, flags);
        const aiScene& scene = *imported.scene();
        return names(scene, *scene.mRootNode, {}, &settings, config::TextureCache::directoryOf(path));
    } catch (const std::runtime_error& error) {
        Problem problem = Diagnosis::of(configFile, error);
        report_.add(Problem::at(configFile, mark, problem.what, problem.todo));
        return std::nullopt;
    }
}

NameTree ModelChecker::names(const aiScene& scene, const aiNode& node, const std::string& source,
                             const YAML::Node* settings, const std::string& directory)
{
    NameTree tree;
    tree.name = node.mName.C_Str();
    tree.source = source;
    if (settings == nullptr) {
        tree.hasMesh = node.mNumMeshes > 0;
    } else if (node.mNumMeshes > 0) {
        const YAML::Node entry = (*settings)[tree.name];
        if (entry.IsDefined() && entry.IsMap()) {
            try {
                const config::MeshSettings mesh = config::MeshSettings::read(entry);
                for (unsigned i = 0; i < node.mNumMeshes && !mesh.ignore; ++i) {
                    if (scene.mMeshes[node.mMeshes[i]]->mNumVertices < 3)
                        continue;
                    tree.hasMesh = true;
                    if (mesh.loadTextures)
                        materialImages(scene, node.mMeshes[i], directory);
                }
            } catch (const YAML::Exception&) {
                // Reported with the scene file's settings.
            }
        }
    }
    for (unsigned i = 0; i < node.mNumChildren; ++i)
        tree.children.push_back(names(scene, *node.mChildren[i], source, settings, directory));
    return tree;
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

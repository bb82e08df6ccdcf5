#include "config/TextureCache.h"

#include <chrono>

#include <assimp/material.h>
#include <assimp/scene.h>

#include "scene/ImageTexture.h"
#include "scene/Mesh.h"

namespace orv::config {

std::string TextureCache::directoryOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::shared_ptr<scene::ImageTexture> TextureCache::texture(const std::string& fullPath)
{
    auto found = textures_.find(fullPath);
    if (found != textures_.end())
        return found->second;
    const auto started = std::chrono::steady_clock::now();
    auto texture = std::make_shared<scene::ImageTexture>();
    texture->load(fullPath);
    loadMs_ += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
    textures_.emplace(fullPath, texture);
    return texture;
}

void TextureCache::assignMaterialTextures(scene::Mesh& mesh, const aiMesh& imported, const aiScene& scene,
                                          const std::string& directory)
{
    using Setter = void (scene::Mesh::*)(const std::shared_ptr<scene::Texture>&);
    struct Slot {
        aiTextureType type;
        Setter set;
    };
    static const Slot slots[] = {
        {aiTextureType_NORMALS, &scene::Mesh::setNormalMap},
        {aiTextureType_SPECULAR, &scene::Mesh::setSpecularMap},
        {aiTextureType_LIGHTMAP, &scene::Mesh::setDisplacementMap},
        {aiTextureType_DIFFUSE, &scene::Mesh::setDiffuseMap},
    };

    const aiMaterial* material = scene.mMaterials[imported.mMaterialIndex];
    // Shared by the four queries: a material that reports no source leaves it
    // alone, so the last one reported wins and none at all means channel 0.
    unsigned uvSource = 0;
    bool anyFound = false;
    bool normalFound = false;
    for (const Slot& slot : slots) {
        aiString path;
        aiTextureMapping mapping{};
        float blend = 0.0f;
        aiTextureOp operation{};
        aiTextureMapMode mapModes[3]{};
        if (aiGetMaterialTexture(material, slot.type, 0, &path, &mapping, &uvSource, &blend, &operation,
                                 mapModes) != aiReturn_SUCCESS)
            continue;
        (mesh.*slot.set)(texture(directory + "/" + path.C_Str()));
        anyFound = true;
        normalFound = normalFound || slot.type == aiTextureType_NORMALS;
    }
    if (anyFound && !mesh.hasTexCoords())
        mesh.loadTexCoords(uvSource, imported);
    if (normalFound && !mesh.hasTangents())
        mesh.computeTangents();
}

}  // namespace orv::config

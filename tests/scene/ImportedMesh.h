#pragma once

#include <memory>
#include <string>
#include <vector>

#include <assimp/mesh.h>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

namespace orv::test {

// Builds an Assimp mesh the way the importer hands it over. Faces may have
// any index count; texture-coordinate channels are filled as (x, y, 0).
inline std::unique_ptr<aiMesh> importedMesh(const std::string& name, const std::vector<glm::vec3>& positions,
                                            const std::vector<glm::vec3>& normals,
                                            const std::vector<std::vector<unsigned>>& faces)
{
    auto mesh = std::make_unique<aiMesh>();
    mesh->mName = aiString(name);
    mesh->mNumVertices = static_cast<unsigned>(positions.size());
    mesh->mVertices = new aiVector3D[positions.size()];
    for (std::size_t i = 0; i < positions.size(); ++i)
        mesh->mVertices[i] = aiVector3D(positions[i].x, positions[i].y, positions[i].z);
    if (!normals.empty()) {
        mesh->mNormals = new aiVector3D[normals.size()];
        for (std::size_t i = 0; i < normals.size(); ++i)
            mesh->mNormals[i] = aiVector3D(normals[i].x, normals[i].y, normals[i].z);
    }
    mesh->mNumFaces = static_cast<unsigned>(faces.size());
    mesh->mFaces = new aiFace[faces.size()];
    for (std::size_t f = 0; f < faces.size(); ++f) {
        mesh->mFaces[f].mNumIndices = static_cast<unsigned>(faces[f].size());
        mesh->mFaces[f].mIndices = new unsigned[faces[f].size()];
        for (std::size_t k = 0; k < faces[f].size(); ++k)
            mesh->mFaces[f].mIndices[k] = faces[f][k];
    }
    return mesh;
}

inline void setTexCoords(aiMesh& mesh, unsigned channel, const std::vector<glm::vec2>& coords)
{
    mesh.mTextureCoords[channel] = new aiVector3D[mesh.mNumVertices];
    mesh.mNumUVComponents[channel] = 2;
    for (std::size_t i = 0; i < coords.size(); ++i)
        mesh.mTextureCoords[channel][i] = aiVector3D(coords[i].x, coords[i].y, 0.0f);
}

}  // namespace orv::test

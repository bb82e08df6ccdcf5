#pragma once

#include <memory>
#include <string>
#include <unordered_map>

struct aiMesh;
struct aiScene;

namespace orv::scene {
class ImageTexture;
class Mesh;
}

namespace orv::config {

// Image textures by full path: each file is read and uploaded once per cache,
// however many meshes use it. Also finds a mesh's material textures.
class TextureCache {
public:
    // Everything before the last "/" of a model file's path; "." for a path
    // without one, so its textures are looked up in the working directory.
    static std::string directoryOf(const std::string& path);

    // The cached texture for the path, or a new one loaded from the file.
    std::shared_ptr<scene::ImageTexture> texture(const std::string& fullPath);

    // Looks up texture 0 of the imported mesh's material for the normal,
    // specular, light-map and diffuse slots (the light map goes into the
    // mesh's displacement slot), each named relative to directory; then
    // loads texture coordinates when any was found, and tangents when a
    // normal map was found.
    void assignMaterialTextures(scene::Mesh& mesh, const aiMesh& imported, const aiScene& scene,
                                const std::string& directory);

    // Wall time spent reading and uploading images so far.
    double loadMs() const { return loadMs_; }

    std::size_t size() const { return textures_.size(); }
    bool contains(const std::string& fullPath) const { return textures_.count(fullPath) != 0; }

private:
    std::unordered_map<std::string, std::shared_ptr<scene::ImageTexture>> textures_;
    double loadMs_ = 0.0;
};

}  // namespace orv::config

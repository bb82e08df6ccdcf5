#pragma once

#include <memory>
#include <string>
#include <vector>

#include <glm/vec3.hpp>
#include <yaml-cpp/yaml.h>

struct aiMesh;
struct aiScene;

namespace orv::scene {
class MeshInstance;
}

namespace orv::config {

class TextureCache;

// The drawing settings that a model entry of the catalogue and a node entry
// of the scene description share, and the building of one mesh with them.
struct MeshSettings {
    // Booleans that are missing or do not convert take their default;
    // "rotation" counts only as a sequence of exactly three numbers.
    // Unconvertible "targets" elements or rotation numbers raise the YAML
    // library's "bad conversion"; so does a "targets" value that is neither
    // a sequence nor empty.
    static MeshSettings read(const YAML::Node& entry);

    // Builds a mesh from the imported one with these settings (textures
    // first, then the upload) and returns a new instance of it.
    std::shared_ptr<scene::MeshInstance> build(const aiMesh& imported, const aiScene& scene,
                                               const std::string& directory, TextureCache& textures) const;

    bool loadTextures = true;
    bool loadOntoGpu = true;
    bool isLightSource = false;
    bool parallax = false;
    bool castShadow = false;
    glm::vec3 rotation{0.0f};
    bool hasTargets = false;
    std::vector<std::string> targets;
    // Read only by the catalogue.
    bool environmentCube = false;
    // Read only by the scene description.
    bool ignore = false;
    bool suppressDraw = false;
};

}  // namespace orv::config

#pragma once

#include <string>

struct aiScene;

namespace orv::config {

// One model file imported with Assimp, released again with the object.
class AssimpImport {
public:
    // Throws std::runtime_error with Assimp's error text on one line, after
    // the configuration file that named the model file and its path.
    AssimpImport(const std::string& path, unsigned flags, const std::string& configFile);
    ~AssimpImport();

    AssimpImport(const AssimpImport&) = delete;
    AssimpImport& operator=(const AssimpImport&) = delete;

    const aiScene* scene() const { return scene_; }

private:
    const aiScene* scene_ = nullptr;
};

}  // namespace orv::config

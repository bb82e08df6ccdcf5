#include "config/AssimpImport.h"

#include <algorithm>
#include <stdexcept>

#include <assimp/cimport.h>

namespace orv::config {

AssimpImport::AssimpImport(const std::string& path, unsigned flags, const std::string& configFile)
    : scene_(aiImportFile(path.c_str(), flags))
{
    if (scene_)
        return;
    std::string error = aiGetErrorString();
    std::replace(error.begin(), error.end(), '\n', ' ');
    throw std::runtime_error(configFile + ": cannot import \"" + path + "\": " + error);
}

AssimpImport::~AssimpImport()
{
    aiReleaseImport(scene_);
}

}  // namespace orv::config

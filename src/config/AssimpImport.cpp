#include "config/AssimpImport.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <stdexcept>
#include <utility>

#include <assimp/cimport.h>

namespace orv::config {

namespace {

// What the importer's wording means for the author of the file, where it
// can be told; empty when its own text is all there is to say.
std::string meaningOf(const std::string& path, const std::string& error)
{
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(path, ignored))
        return std::filesystem::exists(path, ignored) ? "it is not a file" : "the file does not exist";
    const std::string extension = std::filesystem::path(path).extension().string();
    if (error.find("No suitable reader") != std::string::npos)
        return extension == ".gltf" ? "the file is not valid glTF: its JSON cannot be read"
                                    : "no importer reads this file format";
    static const std::array<std::pair<const char*, const char*>, 4> meanings = {{
        {"No materials remaining", "the file holds no meshes; a model needs at least one"},
        {"exceeds size of actual data", "a buffer file is shorter than the model says: truncated, or not its own"},
        {"could not open referenced file", "a buffer or image file that the model names is missing"},
        {"too small", "the file is too short to hold a model"},
    }};
    for (const auto& [text, meaning] : meanings) {
        if (error.find(text) != std::string::npos)
            return meaning;
    }
    return {};
}

}  // namespace

AssimpImport::AssimpImport(const std::string& path, unsigned flags)
    : scene_(aiImportFile(path.c_str(), flags))
{
    if (scene_)
        return;
    std::string error = aiGetErrorString();
    std::replace(error.begin(), error.end(), '\n', ' ');
    const std::string meaning = meaningOf(path, error);
    throw std::runtime_error("cannot import \"" + path + "\": " +
                             (meaning.empty() ? error : meaning + " [Assimp: " + error + "]"));
}

AssimpImport::~AssimpImport()
{
    aiReleaseImport(scene_);
}

}  // namespace orv::config

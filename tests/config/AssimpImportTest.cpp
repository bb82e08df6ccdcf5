#include "config/AssimpImport.h"

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include <assimp/postprocess.h>
#include <gtest/gtest.h>

#include "support/Scratch.h"

namespace {

using orv::config::AssimpImport;
using orv::test::ScratchDir;

std::string importError(const std::string& path)
{
    try {
        AssimpImport imported(path, aiProcessPreset_TargetRealtime_MaxQuality);
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "(imported)";
}

// The importer's own wording is kept, after what it means for the author.
TEST(AssimpImport, FailuresSayWhatIsWrongWithTheFileInTheAuthorsTerms)
{
    ScratchDir dir;
    const std::string demo = std::string(ORV_SOURCE_DIR) + "/demo/assets/models/";
    const auto invalid = dir.write("invalid.gltf", "{ \"asset\": {\"version\": \"2.0\"}, ");
    const auto empty = dir.write("empty.gltf", R"({"asset": {"version": "2.0"}, "scene": 0,
        "scenes": [{"nodes": [0]}], "nodes": [{"name": "Nothing"}]})");

    std::string crate;
    {
        std::ifstream in(demo + "crate.gltf");
        crate.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::string buffer;
    {
        std::ifstream in(demo + "crate.bin", std::ios::binary);
        buffer.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    dir.write("crate.bin", buffer.substr(0, buffer.size() / 2));
    const auto truncated = dir.write("crate.gltf", crate);

    const struct {
        std::string path;
        std::string meaning;
        std::string importer;
    } cases[] = {
        {invalid.string(), "the file is not valid glTF: its JSON cannot be read", "No suitable reader"},
        {empty.string(), "the file holds no meshes", "No materials remaining"},
        {truncated.string(), "a buffer file is shorter than the model says", "byteLength"},
        {(dir.path() / "nowhere.gltf").string(), "the file does not exist", "Unable to open"},
    };
    for (const auto& c : cases) {
        const std::string message = importError(c.path);
        EXPECT_EQ(message.rfind("cannot import \"" + c.path + "\": " + c.meaning, 0), 0u) << message;
        EXPECT_NE(message.find("[Assimp: "), std::string::npos) << message;
        EXPECT_NE(message.find(c.importer), std::string::npos) << message;
        EXPECT_EQ(message.find('\n'), std::string::npos) << message;
    }
    EXPECT_EQ(importError(demo + "crate.gltf"), "(imported)");
}

}  // namespace

#pragma once

#include <cstdint>
#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include <glm/gtc/quaternion.hpp>
#include <glm/vec3.hpp>

namespace orv::test {

// Texture image names of one glTF material, as the file will store them; an
// empty name leaves that slot out. The light map goes into occlusionTexture,
// specular and diffuse through KHR_materials_pbrSpecularGlossiness.
struct GltfMaterial {
    std::string normal{};
    std::string specular{};
    std::string light{};
    std::string diffuse{};
};

struct GltfNode {
    std::string name;
    int mesh = -1;
    int parent = -1;  // -1: a root of the file's scene
    glm::vec3 translation{0.0f};
    glm::quat rotation{1.0f, 0.0f, 0.0f, 0.0f};
};

// Writes small glTF 2.0 files for the loader tests, with the buffer embedded
// as a data URI. Every triangle primitive is a unit quad (4 vertices, 2
// triangles) moved along x by a count of primitives, so that no two are
// alike and the importer does not merge them.
class GltfBuilder {
public:
    int material(const GltfMaterial& m)
    {
        std::string sg;
        if (!m.diffuse.empty())
            sg += "\"diffuseTexture\":" + textureRef(m.diffuse);
        if (!m.specular.empty())
            sg += std::string(sg.empty() ? "" : ",") + "\"specularGlossinessTexture\":" + textureRef(m.specular);
        std::string entry = "{\"extensions\":{\"KHR_materials_pbrSpecularGlossiness\":{" + sg + "}}";
        if (!m.normal.empty())
            entry += ",\"normalTexture\":" + textureRef(m.normal);
        if (!m.light.empty())
            entry += ",\"occlusionTexture\":" + textureRef(m.light);
        materials_.push_back(entry + "}");
        return static_cast<int>(materials_.size()) - 1;
    }

    // A mesh of quads, one primitive per entry of materials (-1: none).
    int quads(const std::string& name, const std::vector<int>& materials, bool withTexCoords = true)
    {
        std::string primitives;
        for (int material : materials)
            primitives += (primitives.empty() ? "" : ",") + quadPrimitive(material, withTexCoords);
        return addMesh(name, primitives);
    }
    int quad(const std::string& name, int material = -1) { return quads(name, {material}); }

    // A mesh that is a single line: two vertices.
    int line(const std::string& name)
    {
        const float offset = static_cast<float>(primitiveCount_++);
        const int positions = addFloats({offset, 0, 0, offset, 1, 0}, "VEC3", 2, true);
        return addMesh(name, "{\"attributes\":{\"POSITION\":" + std::to_string(positions) + "},\"mode\":1}");
    }

    int node(const GltfNode& node)
    {
        nodes_.push_back(node);
        return static_cast<int>(nodes_.size()) - 1;
    }

    std::string json() const
    {
        std::ostringstream out;
        out << "{\"asset\":{\"version\":\"2.0\"},"
            << "\"extensionsUsed\":[\"KHR_materials_pbrSpecularGlossiness\"],\"scene\":0,\"scenes\":[{\"nodes\":[";
        bool first = true;
        for (std::size_t i = 0; i < nodes_.size(); ++i)
            if (nodes_[i].parent < 0)
                out << (first ? "" : ",") << i, first = false;
        out << "]}],\"nodes\":[";
        for (std::size_t i = 0; i < nodes_.size(); ++i) {
            const GltfNode& n = nodes_[i];
            out << (i ? "," : "") << "{\"name\":\"" << n.name << "\"";
            if (n.mesh >= 0)
                out << ",\"mesh\":" << n.mesh;
            out << ",\"translation\":[" << n.translation.x << "," << n.translation.y << "," << n.translation.z << "]"
                << ",\"rotation\":[" << n.rotation.x << "," << n.rotation.y << "," << n.rotation.z << ","
                << n.rotation.w << "]";
            std::string children;
            for (std::size_t c = 0; c < nodes_.size(); ++c)
                if (nodes_[c].parent == static_cast<int>(i))
                    children += (children.empty() ? "" : ",") + std::to_string(c);
            if (!children.empty())
                out << ",\"children\":[" << children << "]";
            out << "}";
        }
        out << "],\"meshes\":[" << join(meshes_) << "]";
        if (!materials_.empty())
            out << ",\"materials\":[" << join(materials_) << "]";
        if (!images_.empty()) {
            std::vector<std::string> textures, images;
            for (std::size_t i = 0; i < images_.size(); ++i) {
                textures.push_back("{\"source\":" + std::to_string(i) + "}");
                images.push_back("{\"uri\":\"" + images_[i] + "\"}");
            }
            out << ",\"textures\":[" << join(textures) << "],\"images\":[" << join(images) << "]";
        }
        out << ",\"accessors\":[" << join(accessors_) << "],\"bufferViews\":[" << join(views_) << "]"
            << ",\"buffers\":[{\"byteLength\":" << bytes_.size()
            << ",\"uri\":\"data:application/octet-stream;base64," << base64(bytes_) << "\"}]}";
        return out.str();
    }

private:
    std::string quadPrimitive(int material, bool withTexCoords)
    {
        const float x = static_cast<float>(primitiveCount_++);
        const int positions = addFloats({x, 0, 0, x + 1, 0, 0, x + 1, 1, 0, x, 1, 0}, "VEC3", 4, true);
        const int normals = addFloats({0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1}, "VEC3", 4, false);
        std::string attributes =
            "\"POSITION\":" + std::to_string(positions) + ",\"NORMAL\":" + std::to_string(normals);
        if (withTexCoords)
            attributes += ",\"TEXCOORD_0\":" + std::to_string(addFloats({0, 0, 1, 0, 1, 1, 0, 1}, "VEC2", 4, false));
        const int indices = addIndices({0, 1, 2, 0, 2, 3});
        std::string primitive = "{\"attributes\":{" + attributes + "},\"indices\":" + std::to_string(indices);
        if (material >= 0)
            primitive += ",\"material\":" + std::to_string(material);
        return primitive + "}";
    }

    int addMesh(const std::string& name, const std::string& primitives)
    {
        meshes_.push_back("{\"name\":\"" + name + "\",\"primitives\":[" + primitives + "]}");
        return static_cast<int>(meshes_.size()) - 1;
    }

    int addView(const void* data, std::size_t size)
    {
        views_.push_back("{\"buffer\":0,\"byteOffset\":" + std::to_string(bytes_.size()) +
                         ",\"byteLength\":" + std::to_string(size) + "}");
        const auto* begin = static_cast<const std::uint8_t*>(data);
        bytes_.insert(bytes_.end(), begin, begin + size);
        return static_cast<int>(views_.size()) - 1;
    }

    int addFloats(const std::vector<float>& values, const std::string& type, int count, bool withBounds)
    {
        const int view = addView(values.data(), values.size() * sizeof(float));
        std::string accessor = "{\"bufferView\":" + std::to_string(view) + ",\"componentType\":5126,\"count\":" +
                               std::to_string(count) + ",\"type\":\"" + type + "\"";
        if (withBounds) {
            float lo[3] = {1e9f, 1e9f, 1e9f}, hi[3] = {-1e9f, -1e9f, -1e9f};
            for (std::size_t i = 0; i < values.size(); ++i) {
                lo[i % 3] = std::min(lo[i % 3], values[i]);
                hi[i % 3] = std::max(hi[i % 3], values[i]);
            }
            std::ostringstream bounds;
            bounds << ",\"min\":[" << lo[0] << "," << lo[1] << "," << lo[2] << "],\"max\":[" << hi[0] << "," << hi[1]
                   << "," << hi[2] << "]";
            accessor += bounds.str();
        }
        accessors_.push_back(accessor + "}");
        return static_cast<int>(accessors_.size()) - 1;
    }

    int addIndices(const std::vector<std::uint32_t>& values)
    {
        const int view = addView(values.data(), values.size() * sizeof(std::uint32_t));
        accessors_.push_back("{\"bufferView\":" + std::to_string(view) + ",\"componentType\":5125,\"count\":" +
                             std::to_string(values.size()) + ",\"type\":\"SCALAR\"}");
        return static_cast<int>(accessors_.size()) - 1;
    }

    std::string textureRef(const std::string& image)
    {
        for (std::size_t i = 0; i < images_.size(); ++i)
            if (images_[i] == image)
                return "{\"index\":" + std::to_string(i) + "}";
        images_.push_back(image);
        return "{\"index\":" + std::to_string(images_.size() - 1) + "}";
    }

    static std::string join(const std::vector<std::string>& parts)
    {
        std::string out;
        for (const auto& part : parts)
            out += (out.empty() ? "" : ",") + part;
        return out;
    }

    static std::string base64(const std::vector<std::uint8_t>& data)
    {
        static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        std::string out;
        for (std::size_t i = 0; i < data.size(); i += 3) {
            std::uint32_t chunk = data[i] << 16;
            if (i + 1 < data.size())
                chunk |= data[i + 1] << 8;
            if (i + 2 < data.size())
                chunk |= data[i + 2];
            out += digits[(chunk >> 18) & 63];
            out += digits[(chunk >> 12) & 63];
            out += i + 1 < data.size() ? digits[(chunk >> 6) & 63] : '=';
            out += i + 2 < data.size() ? digits[chunk & 63] : '=';
        }
        return out;
    }

    std::vector<std::string> materials_;
    std::vector<GltfNode> nodes_;
    std::vector<std::string> meshes_;
    std::vector<std::string> accessors_;
    std::vector<std::string> views_;
    std::vector<std::string> images_;
    std::vector<std::uint8_t> bytes_;
    int primitiveCount_ = 0;
};

// A one-row PPM image (text) of the given width in one colour; the width
// tells the loaded textures apart.
inline std::string ppm(int width, int r = 200, int g = 100, int b = 50)
{
    std::string text = "P3\n" + std::to_string(width) + " 1\n255\n";
    for (int i = 0; i < width; ++i)
        text += std::to_string(r) + " " + std::to_string(g) + " " + std::to_string(b) + "\n";
    return text;
}

}  // namespace orv::test

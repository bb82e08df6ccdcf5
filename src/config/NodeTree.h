#pragma once

#include <optional>
#include <string>
#include <vector>

#include <assimp/matrix4x4.inl>

#include "config/MeshSettings.h"

namespace orv::config {

// What the player takes from one imported model file's node hierarchy, read
// without GL: every node's name and transformation and which of the file's
// meshes become instances at it, with what settings. The loaders build the
// scene objects from it; the checker looks names up in it, so that both see
// the same tree.
struct NodeTree {
    std::string name;
    // The model file the node came from; empty for the scene file's nodes.
    std::string source;
    aiMatrix4x4 transformation;
    // Indices into the file's meshes, one instance each, in order.
    std::vector<unsigned> meshes;
    // The scene file's settings for the node; only where it has meshes.
    std::optional<MeshSettings> settings;
    // For a scene node named "model-<name>": the catalogue model it stands
    // for. Such a node has no children; it has meshes only where the
    // catalogue lacks the model.
    std::string model;
    std::vector<NodeTree> children;

    bool hasMesh() const { return !meshes.empty(); }
    // As the scene tree's search does it: every node below this one whose
    // name contains text (a direct child named exactly text counts twice).
    void collect(const std::string& text, std::vector<const NodeTree*>& found) const;
    // A node named exactly name somewhere below this one, carrying a mesh.
    bool hasMeshNamed(const std::string& name) const;
};

}  // namespace orv::config

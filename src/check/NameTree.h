#pragma once

#include <string>
#include <vector>

namespace orv::check {

// The node names of a model file, or of the scene the player assembles from
// the scene file, its placed models and the particle: what the name
// look-ups of the player see, without building any mesh.
struct NameTree {
    std::string name;
    // The model file the node came from; empty for the scene file's nodes.
    std::string source;
    bool hasMesh = false;
    std::vector<NameTree> children;

    // As the scene tree's search does it: every node below this one whose
    // name contains text (a direct child named exactly text counts twice).
    void collect(const std::string& text, std::vector<const NameTree*>& found) const;
    // A node named exactly name somewhere below this one, carrying a mesh.
    bool hasMeshNamed(const std::string& name) const;
};

}  // namespace orv::check

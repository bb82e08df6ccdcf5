#include "config/NodeTree.h"

namespace orv::config {

namespace {

void containing(const NodeTree& node, const std::string& text, std::vector<const NodeTree*>& found)
{
    if (node.name.find(text) != std::string::npos)
        found.push_back(&node);
    for (const NodeTree& child : node.children)
        containing(child, text, found);
}

}  // namespace

void NodeTree::collect(const std::string& text, std::vector<const NodeTree*>& found) const
{
    for (const NodeTree& child : children) {
        if (child.name == text)
            found.push_back(&child);
        containing(child, text, found);
    }
}

bool NodeTree::hasMeshNamed(const std::string& name) const
{
    for (const NodeTree& child : children) {
        if ((child.name == name && child.hasMesh()) || child.hasMeshNamed(name))
            return true;
    }
    return false;
}

}  // namespace orv::config

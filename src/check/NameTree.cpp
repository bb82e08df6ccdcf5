#include "check/NameTree.h"

namespace orv::check {

namespace {

void containing(const NameTree& node, const std::string& text, std::vector<const NameTree*>& found)
{
    if (node.name.find(text) != std::string::npos)
        found.push_back(&node);
    for (const NameTree& child : node.children)
        containing(child, text, found);
}

}  // namespace

void NameTree::collect(const std::string& text, std::vector<const NameTree*>& found) const
{
    for (const NameTree& child : children) {
        if (child.name == text)
            found.push_back(&child);
        containing(child, text, found);
    }
}

bool NameTree::hasMeshNamed(const std::string& name) const
{
    for (const NameTree& child : children) {
        if ((child.name == name && child.hasMesh) || child.hasMeshNamed(name))
            return true;
    }
    return false;
}

}  // namespace orv::check

#pragma once

#include <memory>
#include <string>
#include <vector>

#include "scene/Transformable.h"

namespace orv::scene {

class MeshInstance;

// A node of the scene tree: a transform, a name, child nodes and the mesh
// instances placed at this node. Must be owned by a shared pointer before any
// call that hands out a pointer to itself (createChild, addChild, clone).
class SceneObject : public Transformable, public std::enable_shared_from_this<SceneObject> {
public:
    SceneObject() = default;
    // Links the node to parent without entering it into parent's children.
    explicit SceneObject(const std::shared_ptr<SceneObject>& parent);

    // Recomputes the world matrices of this node, its mesh instances (after
    // their spin step) and then, depth first, of all its children.
    virtual void update(double dt);

    std::shared_ptr<SceneObject> createChild();
    void addChild(const std::shared_ptr<SceneObject>& child);
    void addMeshInstance(const std::shared_ptr<MeshInstance>& instance);

    // A copy of the subtree with identity transforms, new instances of the
    // same meshes, and the same parent link (not entered into its children).
    std::shared_ptr<SceneObject> clone() const;

    const std::vector<std::shared_ptr<SceneObject>>& children() const { return children_; }
    const std::vector<std::shared_ptr<MeshInstance>>& meshInstances() const { return meshInstances_; }
    const std::string& name() const { return name_; }
    void setName(const std::string& name) { name_ = name; }
    // The model file a catalogue model's root was read from; clones keep it.
    // Empty for nodes of the scene file.
    const std::string& source() const { return source_; }
    void setSource(const std::string& source) { source_ = source; }
    // Empty for a root, and once the parent no longer exists.
    std::shared_ptr<SceneObject> parent() const { return parent_.lock(); }
    void setParent(const std::shared_ptr<SceneObject>& parent) { parent_ = parent; }

    // Searches start at the children (the node itself is never tested) and
    // run depth first, pre-order.
    // Mesh instances of every descendant named exactly name.
    std::vector<std::shared_ptr<MeshInstance>> findMeshInstances(const std::string& name) const;
    // Every descendant whose name contains text; a direct child named exactly
    // text is listed twice in a row.
    std::vector<std::shared_ptr<SceneObject>> findObjects(const std::string& text) const;

    // Marks this node's instances as not to be drawn, and with recursive
    // those of every descendant too.
    void suppressDraw(bool recursive);

    // The first mesh instance of a descendant named "BoundingSphere".
    // Throws std::runtime_error when there is none.
    std::shared_ptr<MeshInstance> boundingSphereInstance() const;

private:
    std::vector<std::shared_ptr<SceneObject>> children_;
    std::vector<std::shared_ptr<MeshInstance>> meshInstances_;
    std::string name_;
    std::string source_;
    // Weak, so that a tree whose root is released is freed as a whole.
    std::weak_ptr<SceneObject> parent_;
};

}  // namespace orv::scene

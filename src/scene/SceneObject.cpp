#include "scene/SceneObject.h"

#include <stdexcept>

#include "scene/MeshInstance.h"

namespace orv::scene {

namespace {

void collectMeshInstances(const SceneObject& node, const std::string& name,
                          std::vector<std::shared_ptr<MeshInstance>>& out)
{
    if (node.name() == name)
        out.insert(out.end(), node.meshInstances().begin(), node.meshInstances().end());
    for (const auto& child : node.children())
        collectMeshInstances(*child, name, out);
}

void collectContaining(const std::shared_ptr<SceneObject>& node, const std::string& text,
                       std::vector<std::shared_ptr<SceneObject>>& out)
{
    if (node->name().find(text) != std::string::npos)
        out.push_back(node);
    for (const auto& child : node->children())
        collectContaining(child, text, out);
}

}  // namespace

SceneObject::SceneObject(const std::shared_ptr<SceneObject>& parent)
    : parent_(parent)
{
}

void SceneObject::update(double dt)
{
    const std::shared_ptr<SceneObject> parent = parent_.lock();
    updateModelMatrix(parent ? parent->modelMatrix() : glm::mat4(1.0f));
    for (const auto& instance : meshInstances_) {
        instance->update(dt);
        instance->updateModelMatrix(modelMatrix());
    }
    for (const auto& child : children_)
        child->update(dt);
}

std::shared_ptr<SceneObject> SceneObject::createChild()
{
    auto child = std::make_shared<SceneObject>(shared_from_this());
    children_.push_back(child);
    return child;
}

void SceneObject::addChild(const std::shared_ptr<SceneObject>& child)
{
    child->setParent(shared_from_this());
    children_.push_back(child);
}

void SceneObject::addMeshInstance(const std::shared_ptr<MeshInstance>& instance)
{
    meshInstances_.push_back(instance);
}

std::shared_ptr<SceneObject> SceneObject::clone() const
{
    auto copy = std::make_shared<SceneObject>(parent_.lock());
    copy->name_ = name_;
    copy->source_ = source_;
    for (const auto& instance : meshInstances_)
        copy->meshInstances_.push_back(instance->clone());
    for (const auto& child : children_) {
        auto childCopy = child->clone();
        childCopy->setParent(copy);
        copy->children_.push_back(childCopy);
    }
    return copy;
}

std::vector<std::shared_ptr<MeshInstance>> SceneObject::findMeshInstances(const std::string& name) const
{
    std::vector<std::shared_ptr<MeshInstance>> found;
    for (const auto& child : children_)
        collectMeshInstances(*child, name, found);
    return found;
}

std::vector<std::shared_ptr<SceneObject>> SceneObject::findObjects(const std::string& text) const
{
    std::vector<std::shared_ptr<SceneObject>> found;
    for (const auto& child : children_) {
        if (child->name() == text)
            found.push_back(child);
        collectContaining(child, text, found);
    }
    return found;
}

void SceneObject::suppressDraw(bool recursive)
{
    for (const auto& instance : meshInstances_)
        instance->setDrawSuppression(1);
    if (recursive) {
        for (const auto& child : children_)
            child->suppressDraw(true);
    }
}

std::shared_ptr<MeshInstance> SceneObject::boundingSphereInstance() const
{
    const auto found = findMeshInstances("BoundingSphere");
    if (found.empty())
        throw std::runtime_error("no mesh instance of an object named \"BoundingSphere\" below \"" + name_ + "\"");
    return found.front();
}

}  // namespace orv::scene

#pragma once

#include <string>

#include "scene/SceneObject.h"

namespace orv::config {
class ModelCatalogue;
}

namespace orv::scene {

// A scene node that fills itself with a copy of one model of the model
// catalogue, the one named by modelName().
class ModelObject : public SceneObject {
public:
    explicit ModelObject(const config::ModelCatalogue& catalogue);

    // Appends a clone of the catalogue's first object answering to
    // modelName() as a child. Needs this node to be owned by a shared pointer.
    // Throws std::runtime_error naming the catalogue file and the model when
    // the catalogue has no such model.
    virtual void loadModel();
    virtual std::string modelName() const = 0;

protected:
    const config::ModelCatalogue& catalogue() const { return catalogue_; }

private:
    const config::ModelCatalogue& catalogue_;
};

}  // namespace orv::scene

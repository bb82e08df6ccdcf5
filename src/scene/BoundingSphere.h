#pragma once

#include "scene/ModelObject.h"

namespace orv::scene {

// The light-volume mesh of the deferred light passes: the catalogue model
// "bounding_sphere", a sphere of radius 1 whose node is named "BoundingSphere".
class BoundingSphere : public ModelObject {
public:
    explicit BoundingSphere(const config::ModelCatalogue& catalogue);

    std::string modelName() const override { return "bounding_sphere"; }
};

}  // namespace orv::scene

#include "scene/BoundingSphere.h"

namespace orv::scene {

BoundingSphere::BoundingSphere(const config::ModelCatalogue& catalogue)
    : ModelObject(catalogue)
{
}

}  // namespace orv::scene

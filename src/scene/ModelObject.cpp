#include "scene/ModelObject.h"

#include <stdexcept>

#include "config/ModelCatalogue.h"

namespace orv::scene {

ModelObject::ModelObject(const config::ModelCatalogue& catalogue)
    : catalogue_(catalogue)
{
}

void ModelObject::loadModel()
{
    const std::string name = modelName();
    const auto matches = catalogue_.find(name);
    if (matches.empty())
        throw std::runtime_error(catalogue_.fileName() + ": no model \"" + name + "\" in the catalogue");
    addChild(matches.front()->clone());
}

}  // namespace orv::scene

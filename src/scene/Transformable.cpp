#include "scene/Transformable.h"

#include <glm/gtc/type_ptr.hpp>

namespace orv::scene {

void Transformable::setTransformation(const aiMatrix4x4& rowMajor)
{
    // Read row by row into column-major storage, which gives the transpose;
    // transposing again yields the matrix itself.
    local_ = glm::transpose(glm::make_mat4(&rowMajor.a1));
}

}  // namespace orv::scene

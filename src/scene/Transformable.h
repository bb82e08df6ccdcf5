#pragma once

#include <assimp/types.h>
#include <glm/mat4x4.hpp>

namespace orv::scene {

// A local transform relative to a parent and the world ("model") transform
// derived from it. Matrices are column-major, as GL expects.
class Transformable {
public:
    virtual ~Transformable() = default;

    // Model files store matrices row by row; the local becomes the same
    // matrix in column-major form.
    virtual void setTransformation(const aiMatrix4x4& rowMajor);

    void setLocalMatrix(const glm::mat4& m) { local_ = m; }
    void preMultiply(const glm::mat4& m) { local_ = m * local_; }
    void updateModelMatrix(const glm::mat4& parentModel) { model_ = parentModel * local_; }

    const glm::mat4& localMatrix() const { return local_; }
    const glm::mat4& modelMatrix() const { return model_; }

private:
    glm::mat4 local_{1.0f};
    glm::mat4 model_{1.0f};
};

}  // namespace orv::scene

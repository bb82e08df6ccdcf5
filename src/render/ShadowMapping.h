#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include <GL/glew.h>
#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

#include "render/Target.h"

namespace orv::scene {
class PointLight;
}
namespace orv::view {
class OpenGLwindow;
}

namespace orv::render {

// Renders, for every shadow-casting light, the distance from the light of
// each shadow-casting mesh into the six faces of the light's cube map, all
// six in one layered pass per light.
class ShadowMapping : public Target {
public:
    struct Face {
        GLenum face;
        glm::vec3 direction;
        glm::vec3 up;
    };
    // In cube-map face order +X, -X, +Y, -Y, +Z, -Z.
    static const std::array<Face, 6> faces;

    // Sets up every light's cube map. The window is kept for its resolution,
    // which the viewport goes back to after the pass.
    ShadowMapping(gl::ProgramManager& programs, std::vector<std::shared_ptr<scene::PointLight>> lights,
                  const view::OpenGLwindow& window);

    void draw(scene::Scene& scene, Target& caller) override;
    std::string name() const override { return "shadow_mapping"; }

    float nearPlane() const { return near_; }
    float farPlane() const { return far_; }
    const glm::mat4& projection() const { return projection_; }
    // The six view-projection matrices of a light at position, in face order.
    std::array<glm::mat4, 6> faceMatrices(const glm::vec3& position) const;

    // unit is GL_TEXTURE0 + n.
    void bindShadowCubeMap(const scene::PointLight& light, GLenum unit) const;
    const std::vector<std::shared_ptr<scene::PointLight>>& lights() const { return lights_; }

protected:
    void lookUpUniforms() override;

private:
    std::vector<std::shared_ptr<scene::PointLight>> lights_;
    float near_ = 0.01f;
    float far_ = 150.0f;
    glm::mat4 projection_;
    const view::OpenGLwindow* window_;
    int lightWorldPos_;
    int lightVpMatrices_;
    int farPlane_;
};

}  // namespace orv::render

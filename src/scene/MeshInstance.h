#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <glm/vec3.hpp>

#include "scene/Drawable.h"
#include "scene/Transformable.h"

namespace orv::scene {

class Mesh;

// One placement of a shared mesh in the scene tree, with its own transform
// and the per-placement flags the render passes read and set.
class MeshInstance : public Drawable, public Transformable, public std::enable_shared_from_this<MeshInstance> {
public:
    explicit MeshInstance(std::shared_ptr<Mesh> mesh);

    // Advances the spin of the mesh's rotation rates by dt; it accumulates.
    void update(double dt);
    // Binds the textures the target asks for, sets the per-instance and scene
    // uniforms and draws the mesh. Must be owned by a shared pointer.
    void draw(Scene& scene, render::Target& target) override;

    // A new instance of the same mesh; only the cast-shadow flag is carried over.
    std::shared_ptr<MeshInstance> clone() const;

    const std::shared_ptr<Mesh>& mesh() const { return mesh_; }
    std::string meshName() const;
    std::vector<std::string> meshTargets() const;

    void setColor(const glm::vec3& color);
    bool hasColor() const { return hasColor_; }
    const glm::vec3& color() const { return color_; }

    // Non-zero keeps every target from drawing this instance.
    void setDrawSuppression(std::int32_t suppression) { drawSuppression_ = suppression; }
    std::int32_t drawSuppression() const { return drawSuppression_; }
    void setCastShadow(bool castShadow) { castShadow_ = castShadow; }
    bool castShadow() const { return castShadow_; }
    void setParallax(bool parallax) { parallax_ = parallax; }
    bool parallax() const { return parallax_; }
    void setRenderFlag(bool renderFlag) { renderFlag_ = renderFlag; }
    bool renderFlag() const { return renderFlag_; }

private:
    std::shared_ptr<Mesh> mesh_;
    bool hasColor_ = false;
    glm::vec3 color_{0.0f};
    std::int32_t drawSuppression_ = 0;
    bool castShadow_ = false;
    bool parallax_ = true;
    bool renderFlag_ = true;
};

}  // namespace orv::scene

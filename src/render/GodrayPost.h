#pragma once

#include <memory>
#include <string>

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

#include "render/Target.h"

namespace orv::render {

class GodrayPre;

// Light shafts: a radial blur of the occlusion image toward the room
// light's place on screen, run twice (the second time on its own first
// result) and added onto the screen.
class GodrayPost : public Target {
public:
    GodrayPost(gl::ProgramManager& programs, std::shared_ptr<GodrayPre> pre);

    void draw(scene::Scene& scene, Target& caller) override;
    std::string name() const override { return "godray_post"; }

    // Where a world point lands in 0..1 texture space: x and y across the
    // screen, z its depth; points behind the camera have z above 1.
    static glm::vec3 screenPosition(const glm::mat4& viewProjection, const glm::vec3& world);

    float exposure() const { return exposure_; }
    float decay() const { return decay_; }
    float density() const { return density_; }
    float weight() const { return weight_; }

    // Where the light shafts are added (0: the window).
    void setOutputFramebuffer(GLuint framebuffer) { outputFramebuffer_ = framebuffer; }

protected:
    void lookUpUniforms() override;

private:
    std::shared_ptr<GodrayPre> pre_;
    float exposure_ = 0.0135f;
    float decay_ = 0.963f;
    float density_ = 0.95f;
    float weight_ = 4.05f;
    int exposureLocation_;
    int decayLocation_;
    int densityLocation_;
    int weightLocation_;
    int occlusionSampler_;
    int lightPosScreen_;
    GLuint outputFramebuffer_ = 0;
};

}  // namespace orv::render

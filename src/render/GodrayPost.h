#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

#include "render/Target.h"

namespace orv::render {

class GodrayPre;

// Light shafts: a radial blur of the occlusion image toward the room
// light's place on screen, run twice (the second time on its own first
// result) at the occlusion image's half size, then stretched and added onto
// the screen. The shafts fade in and out with the lamp's visibility, eased
// over a few frames of demo time so that they never pop.
class GodrayPost : public Target {
public:
    GodrayPost(gl::ProgramManager& programs, std::shared_ptr<GodrayPre> pre);

    void draw(scene::Scene& scene, Target& caller) override;
    std::string name() const override { return "godray_post"; }

    // Where a world point lands in 0..1 texture space: x and y across the
    // screen, z its depth; points behind the camera have z above 1.
    static glm::vec3 screenPosition(const glm::mat4& viewProjection, const glm::vec3& world);

    // How much of the shafts the lamp's place on screen allows: 1 on screen,
    // falling to 0 within a quarter screen beyond its edges, 0 behind the
    // camera (a lamp off screen would only wash the frame with its glow).
    static float visibilityAt(const glm::vec3& screen);
    // How much of the shafts a lamp at this distance from the camera gives:
    // 1 from fullDistance on; nearer, its glow covers more of the screen, so
    // the shafts are dimmed by the square of how much nearer it is, keeping
    // the light they add to what a lamp across the hall gives.
    static float nearnessAt(float distance);
    static constexpr float fullDistance = 12.0f;
    // Things nearer the camera than this share of the way to the lamp hide
    // the shafts but for their haze share.
    static constexpr float nearShare = 0.45f;
    static constexpr float hazeShare = 0.35f;
    // The shafts' eased visibility, as of the last draw.
    float visibility() const { return visibility_; }
    // The time the shafts take to fade fully in or out, in demo seconds.
    static constexpr double fadeSeconds = 0.6;

    float exposure() const { return exposure_; }
    float decay() const { return decay_; }
    float density() const { return density_; }
    float weight() const { return weight_; }

    // Where the light shafts are added (0: the window).
    void setOutputFramebuffer(GLuint framebuffer) { outputFramebuffer_ = framebuffer; }

protected:
    void lookUpUniforms() override;

private:
    // Moves the visibility toward where the lamp now is, at most by the demo
    // time since the last draw over fadeSeconds (so after a gap of that long,
    // the pass switched off or a seek ahead, it is there at once); a first
    // draw, a jump back or a cut to another shot starts from where the lamp
    // is: a fade across a cut would show the new shot's glow swelling up.
    void ease(double now, float target, std::uint32_t shot);

    std::shared_ptr<GodrayPre> pre_;
    const gl::Program* copy_;
    int copyScene_ = -1;
    float visibility_ = 0.0f;
    double lastDraw_ = 0.0;
    std::uint32_t lastShot_ = 0;
    bool drawn_ = false;
    float exposure_ = 0.0085f;
    float decay_ = 0.985f;
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

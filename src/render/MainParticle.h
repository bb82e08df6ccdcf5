#pragma once

#include <memory>
#include <string>

#include <GL/glew.h>

#include "gl/Handle.h"
#include "render/Target.h"

namespace orv::render {

class ParticleSystem;

// The main particle itself: one animated glow sprite where its light is,
// drawn over the scene and the sparks with the sparks' sprite atlas.
class MainParticle : public Target {
public:
    static constexpr int frameCount = 90;

    explicit MainParticle(std::shared_ptr<ParticleSystem> particles);

    // Advances the animation: a frame every 16 ms, 90 frames, then again.
    void update(double dt) override;
    void draw(scene::Scene& scene, Target& caller) override;
    std::string name() const override { return "main_particle"; }

    float currentFrame() const { return currentFrame_; }
    double totalTime() const { return totalTime_; }

protected:
    void lookUpUniforms() override;

private:
    gl::VertexArrayHandle vertexArray_;
    gl::BufferHandle vertexBuffer_;
    std::shared_ptr<ParticleSystem> particles_;
    int vertexPos_;
    int decayFactor_;
    int currFrame_;
    int size_;
    int startHue_;
    int endHue_;
    int vMatrix_;
    int pMatrix_;
    int cameraPos_;
    int texSampler_;
    double totalTime_ = 0.0;
    float currentFrame_ = 0.0f;
};

}  // namespace orv::render

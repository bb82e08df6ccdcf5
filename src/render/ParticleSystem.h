#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include <GL/glew.h>

#include "gl/Handle.h"
#include "render/Target.h"
#include "scene/ImageTexture.h"
#include "scene/RandomTexture.h"

namespace orv::scene {
class Particle;
}

namespace orv::render {

// The sparks of the main particle, simulated on the GPU: each update runs
// the update program over the last generation of records and captures the
// next one by transform feedback into the other of two buffers. The records
// are read back every frame, because the geometry pass lights the scene with
// the sparks that are light sources.
class ParticleSystem : public Target {
public:
    // The sprite every spark is drawn with, relative to the demo folder.
    static constexpr const char* spriteFile = "assets/images/particle_sprite.tif";

    // Fourteen floats a record: type, position, velocity, four shader
    // parameters around the age fraction, start and end hue.
    static constexpr std::size_t recordFloats = 14;
    static constexpr std::size_t recordBytes = recordFloats * sizeof(float);

    // A capacity of 0 builds nothing but the uniform look-ups; such a system
    // never updates or draws.
    ParticleSystem(gl::ProgramManager& programs, unsigned capacity, std::shared_ptr<scene::Particle> particle);
    ~ParticleSystem() override;

    void update(double dt) override;
    void draw(scene::Scene& scene, Target& caller) override;
    std::string name() const override { return "particle_system"; }

    // The CPU copy of the records the last update wrote; recordCount() of them are valid.
    const float* records() const { return records_.data(); }
    unsigned recordCount() const { return recordCount_; }
    unsigned capacity() const { return capacity_; }
    double totalTime() const { return totalTime_; }
    const std::shared_ptr<scene::Particle>& particle() const { return particle_; }
    scene::ImageTexture& sprite() { return sprite_; }

protected:
    void lookUpUniforms() override;

private:
    void setUpdateUniforms(double dt);

    gl::VertexArrayHandle vertexArray_;
    std::shared_ptr<scene::Particle> particle_;
    std::vector<float> records_;
    unsigned recordCount_ = 0;
    unsigned capacity_;
    bool first_ = true;
    unsigned readIndex_ = 0;
    unsigned writeIndex_ = 0;
    std::array<gl::BufferHandle, 2> buffers_;
    std::array<gl::TransformFeedbackHandle, 2> feedbacks_;
    gl::QueryHandle query_;
    scene::RandomTexture randomDirections_;
    double totalTime_ = 0.0;
    scene::ImageTexture sprite_;
    const gl::Program* updateProgram_;
    const gl::Program* renderProgram_;

    int dtS_;
    int currTMs_;
    int lifetimeMs_;
    int spawnOffsetMs_;
    int spawnParticleCount_;
    int spawnLightSourceCount_;
    int originPos_;
    int randomDirectionsSampler_;
    int startHue_;
    int endHue_;
    int veloFactor_;

    int cameraPos_;
    int vMatrix_;
    int pMatrix_;
    int texSampler_;
};

}  // namespace orv::render

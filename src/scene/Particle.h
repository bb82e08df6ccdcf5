#pragma once

#include <string>

#include <glm/vec3.hpp>

#include "scene/ModelObject.h"
#include "scene/Moveable.h"
#include "scene/PointLight.h"

namespace orv::scene {

// The main particle: a glowing object that the timeline flies along its
// paths. It carries a point light and holds the emission parameters of the
// GPU sparks.
class Particle : public ModelObject, public PointLight, public Moveable {
public:
    explicit Particle(const config::ModelCatalogue& catalogue);

    // Places the particle at its last path point, then updates its subtree.
    void update(double dt) override;
    std::string modelName() const override { return "particle"; }

    // The world position after the last update.
    glm::vec3 position() const override;
    // The point on the particle's path, kept as the light's position.
    void setPosition(const glm::vec3& position) override { position_ = position; }
    bool isOnRails() const override { return true; }

    float startHue() const { return startHue_; }
    float endHue() const { return endHue_; }
    float velocityFactor() const { return velocityFactor_; }
    double lifetimeMs() const { return lifetimeMs_; }
    double spawnOffsetMs() const { return spawnOffsetMs_; }
    float spawnParticleCount() const { return spawnParticleCount_; }
    float spawnLightSourceCount() const { return spawnLightSourceCount_; }

    // The sparks' emission: lifetime and the time between two emissions in
    // milliseconds, sparks per emission and how many of them are light
    // sources, their speed and their hues.
    void setLifetimeMs(double lifetimeMs) { lifetimeMs_ = lifetimeMs; }
    void setSpawnOffsetMs(double spawnOffsetMs) { spawnOffsetMs_ = spawnOffsetMs; }
    void setSpawnParticleCount(float count) { spawnParticleCount_ = count; }
    void setSpawnLightSourceCount(float count) { spawnLightSourceCount_ = count; }
    void setVelocityFactor(float factor) { velocityFactor_ = factor; }
    void setHues(float startHue, float endHue)
    {
        startHue_ = startHue;
        endHue_ = endHue;
    }

private:
    float startHue_ = 0.0f;
    float endHue_ = 1.0f;
    float velocityFactor_ = 1.2f;
    double lifetimeMs_ = 4000.0;
    double spawnOffsetMs_ = 250.0;
    float spawnParticleCount_ = 1.0f;
    float spawnLightSourceCount_ = 1.0f;
};

}  // namespace orv::scene

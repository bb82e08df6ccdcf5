#pragma once

#include <memory>
#include <string>
#include <vector>

#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include "render/DeferredRenderGeometry.h"
#include "render/ParticleSystem.h"
#include "render/ShadowMapping.h"
#include "scene/MeshInstance.h"
#include "scene/PointLight.h"
#include "support/SceneRig.h"

namespace orv::test {

// A point light whose reach a test can set: attenuation is made up of the
// exponential term alone, so the light reaches exactly `reach` units.
class ReachLight : public scene::PointLight {
public:
    ReachLight(const glm::vec3& position, const glm::vec3& color, float reach);
};

// The small scene the render-pass tests share, drawn through the bundled
// demo's own programs: a 20 x 20 floor at y = 0, a unit box standing on it
// at the origin (both shadow casters), and two lights: "key" at (-2, 2.5, 0),
// which casts shadows and reaches across the floor, and "spot", a light of
// reach 3 at (4, 0.5, -4). The camera looks down at the origin from
// (0, 9, 9). The passes are built but nothing has been drawn.
class LitRoom {
public:
    explicit LitRoom(int width = 160, int height = 120, unsigned sparkCapacity = 5000);
    ~LitRoom();

    // The shadow pass, then the geometry pass (as the renderer runs them).
    void drawFrame();
    // The shadow and geometry passes, the spark update first, for frames of dt seconds.
    void playFrames(int frames, double dt);

    // A box from lo to hi (around its own origin) named name, moved to at,
    // placed in the room (not yet handed to any pass).
    std::shared_ptr<scene::MeshInstance> addBox(const std::string& name, const glm::vec3& lo, const glm::vec3& hi,
                                                const glm::vec3& color, const glm::vec3& at = glm::vec3(0.0f));

    // Puts the main particle (the sparks' emitter) at a world point.
    void placeParticle(const glm::vec3& world);

    // Where a world point lands in the window's pixels.
    glm::ivec2 pixelOf(const glm::vec3& world) const;
    // The lit-scene texture of the geometry buffer (RGB floats, before tone mapping) at a pixel.
    glm::vec3 litSceneAt(const glm::ivec2& pixel) const;
    glm::vec3 litSceneAt(const glm::vec3& world) const { return litSceneAt(pixelOf(world)); }

    SceneRig rig;
    int width;
    int height;
    std::unique_ptr<gl::ProgramManager> programs;
    std::unique_ptr<config::ModelCatalogue> catalogue;
    std::shared_ptr<scene::MeshInstance> floor;
    std::shared_ptr<scene::MeshInstance> box;
    std::shared_ptr<scene::PointLight> key;
    std::shared_ptr<scene::PointLight> spot;
    std::shared_ptr<render::ShadowMapping> shadows;
    std::shared_ptr<render::ParticleSystem> sparks;
    std::shared_ptr<render::DeferredRenderGeometry> geometry;
};

// Writes RGBA8 pixels (bottom row first, as GL reads them) as a PNG file
// named name in the build's picture folder (build/<preset>/pictures), which
// it creates, and returns the file's path.
std::string savePicture(const std::string& name, const std::vector<std::uint8_t>& rgba, int width, int height);

}  // namespace orv::test

#pragma once

#include <memory>
#include <string>

#include <glm/vec2.hpp>

#include "render/LightVolume.h"
#include "render/Target.h"

namespace orv::view {
class OpenGLwindow;
}

namespace orv::render {

class DeferredRenderGeometry;
class ShadowMapping;

// Adds the light of one point light to the lit-scene and bloom-source
// textures of the geometry buffer, only where the stencil pass marked the
// light's volume. Owned and run by the geometry pass, once per light.
class DeferredLightAccumulation : public Target {
public:
    DeferredLightAccumulation(gl::ProgramManager& programs, const config::ModelCatalogue& models,
                              const view::OpenGLwindow& window, std::shared_ptr<ShadowMapping> shadowMapping);

    // caller is the geometry pass; its current light is added.
    void draw(scene::Scene& scene, Target& caller) override;
    std::string name() const override { return "deferred_light_accumulation"; }

    LightVolume& volume() { return volume_; }
    // The size in pixels of the geometry buffer it lights.
    const glm::vec2& screenSize() const { return screenSize_; }

    // The size of the geometry buffer it reads, in pixels (the window's at first).
    void setScreenSize(unsigned width, unsigned height)
    {
        screenSize_ = glm::vec2(static_cast<float>(width), static_cast<float>(height));
    }

protected:
    void lookUpUniforms() override;

private:
    void drawLight(scene::Scene& scene, DeferredRenderGeometry& geometry);

    LightVolume volume_;
    glm::vec2 screenSize_;
    std::shared_ptr<ShadowMapping> shadowMapping_;
    int screenSizeLocation_;
    int farPlane_;
    int geometrySamplers_[4];
    int lightColor_;
    int ambientIntensity_;
    int diffuseIntensity_;
    int specularIntensity_;
    int specularPower_;
    int attenuationConstant_;
    int attenuationLinear_;
    int attenuationExp_;
    int lightPosition_;
    int decay_;
    int shadowSampler_;
    int shadowMappingSwitch_;
    int lightFloor_;
};

}  // namespace orv::render

#pragma once

#include <memory>
#include <string>
#include <vector>

#include "render/DeferredLightAccumulation.h"
#include "render/StencilTest.h"
#include "render/Target.h"
#include "render/fbo/DeferredShadingFBO.h"

namespace orv::scene {
class PointLight;
}

namespace orv::render {

class FrameProfiler;
class ParticleSystem;
class ShadowMapping;

// The heart of the frame: draws the opaque meshes into the geometry buffer,
// lights them once per light through a stencil-marked volume (the fixed
// lights, then the sparks that are light sources), blurs the bright parts,
// composes the result onto the screen and hands its depth on to the passes
// that draw after it.
class DeferredRenderGeometry : public Target {
public:
    DeferredRenderGeometry(gl::ProgramManager& programs, const view::OpenGLwindow& window,
                           const config::ModelCatalogue& models, std::shared_ptr<ShadowMapping> shadowMapping,
                           std::shared_ptr<ParticleSystem> particles, int maxParticleLights);

    void setLights(const std::vector<std::shared_ptr<scene::PointLight>>& lights) { lights_ = lights; }
    const std::vector<std::shared_ptr<scene::PointLight>>& lights() const { return lights_; }
    const std::shared_ptr<scene::PointLight>& currentLight() const { return currentLight_; }
    // Where the current light's volume lands on the screen.
    const LightVolume::Placement& currentPlacement() const { return currentPlacement_; }
    fbo::DeferredShadingFBO& fbo() { return fbo_; }

    // The bloom switch is read from caller, which is this pass when the renderer runs it.
    void draw(scene::Scene& scene, Target& caller) override;
    std::string name() const override { return "deferred_render_geometry"; }

    bool usesDiffuseMap() const override { return true; }
    bool usesNormalMap() const override { return true; }
    bool usesSpecularMap() const override { return true; }
    bool usesDisplacementMap() const override { return true; }

    // A spark record can light the scene when it is a light source whose
    // position, age and hues are all finite numbers.
    static bool isUsableLightRecord(const float* record);

    // Marks where each of its steps starts for a profiler (null: none); not owned.
    void setProfiler(FrameProfiler* profiler) { profiler_ = profiler; }

    // How many lights the last draw ran the light pass for.
    unsigned lightsDrawn() const { return lightsDrawn_; }
    // Of those, how many were drawn once, without a stencil pass, because
    // their volume reaches the camera.
    unsigned enclosingLightsDrawn() const { return enclosingLightsDrawn_; }

    // On (the default), a volume that reaches the camera is lit in one pass
    // and every other one only inside its frame on the screen, and volumes
    // out of sight are skipped. Off, every volume is marked in the stencil
    // over the whole screen and lit, for comparing the two.
    void setVolumeFraming(bool on) { volumeFraming_ = on; }

    // Rendering at another size: the geometry buffer and its blur chain are
    // made again (the old ones given back) and the light pass told.
    void resize(unsigned width, unsigned height);
    // Where the composed frame and its depth go (0: the window), of the geometry buffer's size.
    void setOutputFramebuffer(GLuint framebuffer) { outputFramebuffer_ = framebuffer; }

protected:
    void lookUpUniforms() override;

private:
    void drawLight(scene::Scene& scene, const std::shared_ptr<scene::PointLight>& light);
    void compose(scene::Scene& scene, Target& caller, GLuint blurred);

    fbo::DeferredShadingFBO fbo_;
    DeferredLightAccumulation accumulation_;
    StencilTest stencil_;
    std::vector<std::shared_ptr<scene::PointLight>> lights_;
    std::shared_ptr<scene::PointLight> currentLight_;
    LightVolume::Placement currentPlacement_;
    std::shared_ptr<ParticleSystem> particles_;
    std::shared_ptr<scene::PointLight> particleLight_;
    int maxParticleLights_;
    const gl::Program* bloomProgram_;
    const gl::Program* copyProgram_;
    int bloomScene_;
    int bloomBlur_;
    // -1 where the bloom program does not declare "bloom_strength".
    int bloomStrength_;
    int copyScene_;
    int copyToScreen_;
    // -1 where the program does not declare "sky_from_screen" or
    // "scene_depth": it then leaves the pixels no mesh covers black.
    int bloomSky_ = -1;
    int bloomDepth_ = -1;
    int copySky_ = -1;
    int copyDepth_ = -1;
    unsigned lightsDrawn_ = 0;
    unsigned enclosingLightsDrawn_ = 0;
    bool volumeFraming_ = true;
    FrameProfiler* profiler_ = nullptr;
    GLuint outputFramebuffer_ = 0;
};

}  // namespace orv::render

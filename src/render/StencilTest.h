#pragma once

#include <string>

#include "render/LightVolume.h"
#include "render/Target.h"

namespace orv::render {

// Marks in the stencil buffer the pixels whose stored surface lies inside
// the current light's sphere, so that the light pass shades only those.
// Owned and run by the geometry pass, once per light, right before the light.
class StencilTest : public Target {
public:
    StencilTest(gl::ProgramManager& programs, const config::ModelCatalogue& models);

    // caller is the geometry pass; its current light is marked.
    void draw(scene::Scene& scene, Target& caller) override;
    std::string name() const override { return "stencil_test"; }

    LightVolume& volume() { return volume_; }

private:
    LightVolume volume_;
};

}  // namespace orv::render

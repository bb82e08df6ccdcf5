#pragma once

#include <memory>

#include "render/Target.h"

namespace orv::render {

class Cubemap;
class EnvironmentCube;

// A pass that draws its meshes with the sky box's cube map on unit 0: the
// shared body of the reflecting and the refracting pass.
class CubemapSurface : public Target {
public:
    CubemapSurface(gl::ProgramManager& programs, std::shared_ptr<Cubemap> cubemap);

    void draw(scene::Scene& scene, Target& caller) override;

    // Meshes that ask for an environment cube take theirs from here; the
    // others, and all meshes without it (null), show the sky.
    void setEnvironment(std::shared_ptr<EnvironmentCube> environment) { environment_ = std::move(environment); }

protected:
    // Called by derived constructors, once name() answers.
    void lookUpUniforms() override;

private:
    std::shared_ptr<Cubemap> cubemap_;
    std::shared_ptr<EnvironmentCube> environment_;
    int skyboxSampler_ = -1;
};

}  // namespace orv::render

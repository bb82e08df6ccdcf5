#pragma once

#include <memory>

#include "render/Target.h"

namespace orv::render {

class Cubemap;

// A pass that draws its meshes with the sky box's cube map on unit 0: the
// shared body of the reflecting and the refracting pass.
class CubemapSurface : public Target {
public:
    CubemapSurface(gl::ProgramManager& programs, std::shared_ptr<Cubemap> cubemap);

    void draw(scene::Scene& scene, Target& caller) override;

protected:
    // Called by derived constructors, once name() answers.
    void lookUpUniforms() override;

private:
    std::shared_ptr<Cubemap> cubemap_;
    int skyboxSampler_ = -1;
};

}  // namespace orv::render

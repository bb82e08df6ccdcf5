#include "render/CubemapSurface.h"

#include "render/Cubemap.h"

namespace orv::render {

CubemapSurface::CubemapSurface(gl::ProgramManager& programs, std::shared_ptr<Cubemap> cubemap)
    : Target(programs), cubemap_(std::move(cubemap))
{
    setEnabled(true);
    setBloomEnabled(true);
}

void CubemapSurface::lookUpUniforms() { skyboxSampler_ = uniformLocation("skybox_sampler"); }

void CubemapSurface::draw(scene::Scene& scene, Target& caller)
{
    Target::draw(scene, caller);
    cubemap_->drawWithCubeMap(*this, skyboxSampler_, scene);
}

}  // namespace orv::render

#include "render/Refraction.h"

namespace orv::render {

Refraction::Refraction(gl::ProgramManager& programs, std::shared_ptr<Cubemap> cubemap)
    : CubemapSurface(programs, std::move(cubemap))
{
    lookUpUniforms();
}

}  // namespace orv::render

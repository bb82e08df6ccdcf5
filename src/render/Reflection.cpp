#include "render/Reflection.h"

namespace orv::render {

Reflection::Reflection(gl::ProgramManager& programs, std::shared_ptr<Cubemap> cubemap)
    : CubemapSurface(programs, std::move(cubemap))
{
    lookUpUniforms();
}

}  // namespace orv::render

#pragma once

#include <memory>
#include <string>

#include "render/CubemapSurface.h"

namespace orv::render {

// Glass-like surfaces.
class Refraction : public CubemapSurface {
public:
    Refraction(gl::ProgramManager& programs, std::shared_ptr<Cubemap> cubemap);
    std::string name() const override { return "refraction"; }
};

}  // namespace orv::render

#pragma once

#include <memory>
#include <string>

#include "render/CubemapSurface.h"

namespace orv::render {

// Mirror-like surfaces.
class Reflection : public CubemapSurface {
public:
    Reflection(gl::ProgramManager& programs, std::shared_ptr<Cubemap> cubemap);
    std::string name() const override { return "reflection"; }
};

}  // namespace orv::render

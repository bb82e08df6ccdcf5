#pragma once

#include <string>

#include "render/Target.h"
#include "scene/CubeMapTexture.h"

namespace orv::render {

// The sky box: its meshes drawn with the environment cube map, which the
// reflecting and refracting passes borrow.
class Cubemap : public Target {
public:
    // The six sky faces, in cube-map face order +X, -X, +Y, -Y, +Z, -Z.
    static const char* const faceFiles[6];

    explicit Cubemap(gl::ProgramManager& programs);

    void draw(scene::Scene& scene, Target& caller) override;
    std::string name() const override { return "cubemap"; }

    scene::CubeMapTexture& texture() { return texture_; }
    // Binds the cube map to unit 0, points target's sampler there and draws
    // target's meshes; target's program must be current.
    void drawWithCubeMap(Target& target, int sampler, scene::Scene& scene);

protected:
    void lookUpUniforms() override;

private:
    scene::CubeMapTexture texture_;
    int skyboxSampler_;
};

}  // namespace orv::render

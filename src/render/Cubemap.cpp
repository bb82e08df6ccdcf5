#include "render/Cubemap.h"

#include "scene/GLErrors.h"

namespace orv::render {

const char* const Cubemap::faceFiles[6] = {
    "assets/images/cubemap/right.jpg",  "assets/images/cubemap/left.jpg", "assets/images/cubemap/top.jpg",
    "assets/images/cubemap/bottom.jpg", "assets/images/cubemap/back.jpg", "assets/images/cubemap/front.jpg"};

Cubemap::Cubemap(gl::ProgramManager& programs) : Target(programs)
{
    texture_.load({faceFiles[0], faceFiles[1], faceFiles[2], faceFiles[3], faceFiles[4], faceFiles[5]});
    setEnabled(true);
    setBloomEnabled(true);
    lookUpUniforms();
    scene::reportGLErrors();
}

void Cubemap::lookUpUniforms() { skyboxSampler_ = uniformLocation("skybox_sampler"); }

void Cubemap::draw(scene::Scene& scene, Target& caller)
{
    // Only the program (whose catalogue entry may switch the depth test on)
    // and the texture change; the rest is as the passes before left it.
    Target::draw(scene, caller);
    drawWithCubeMap(*this, skyboxSampler_, scene);
}

void Cubemap::drawWithCubeMap(Target& target, int sampler, scene::Scene& scene)
{
    texture_.setUnit(GL_TEXTURE0);
    texture_.bind();
    glUniform1i(sampler, 0);
    target.drawAll(scene);
}

}  // namespace orv::render

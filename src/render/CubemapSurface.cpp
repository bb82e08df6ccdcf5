#include "render/CubemapSurface.h"

#include "render/Cubemap.h"
#include "render/EnvironmentCube.h"
#include "scene/Mesh.h"
#include "scene/MeshInstance.h"

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
    if (!environment_) {
        Target::draw(scene, caller);
        cubemap_->drawWithCubeMap(*this, skyboxSampler_, scene);
        return;
    }
    // Cubes not made yet are rendered first, with their own program and state.
    for (const auto& drawable : drawables()) {
        if (drawable)
            environment_->cubeFor(scene, *drawable);
    }
    Target::draw(scene, caller);
    glUniform1i(skyboxSampler_, 0);
    glActiveTexture(GL_TEXTURE0);
    for (const auto& drawable : drawables()) {
        if (!drawable || drawable->drawSuppression() != 0 || !drawable->renderFlag())
            continue;
        const GLuint cube = environment_->cubeFor(scene, *drawable);
        glBindTexture(GL_TEXTURE_CUBE_MAP, cube != 0 ? cube : cubemap_->texture().id());
        drawable->draw(scene, *this);
    }
}

}  // namespace orv::render

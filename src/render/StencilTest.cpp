#include "render/StencilTest.h"

#include <GL/glew.h>

#include "render/DeferredRenderGeometry.h"
#include "scene/PointLight.h"

namespace orv::render {

StencilTest::StencilTest(gl::ProgramManager& programs, const config::ModelCatalogue& models)
    : Target(programs), volume_(models)
{
}

void StencilTest::draw(scene::Scene& scene, Target& caller)
{
    auto* geometry = dynamic_cast<DeferredRenderGeometry*>(&caller);
    if (geometry == nullptr || !geometry->currentLight())
        return;

    // Both faces of the sphere against the stored depth: back faces behind
    // a surface count up, front faces behind it count down, so only surfaces
    // between the two keep a mark. Cleared per light.
    useProgram();
    glDrawBuffer(GL_NONE);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glClear(GL_STENCIL_BUFFER_BIT);
    glStencilFunc(GL_ALWAYS, 0, 0);
    glStencilOpSeparate(GL_BACK, GL_KEEP, GL_INCR_WRAP, GL_KEEP);
    glStencilOpSeparate(GL_FRONT, GL_KEEP, GL_DECR_WRAP, GL_KEEP);

    volume_.draw(*geometry->currentLight(), scene, *this);
}

}  // namespace orv::render

#include "render/DeferredLightAccumulation.h"

#include <GL/glew.h>

#include "render/DeferredRenderGeometry.h"
#include "render/ShadowMapping.h"
#include "scene/GLErrors.h"
#include "scene/PointLight.h"
#include "view/OpenGLwindow.h"

namespace orv::render {

namespace {

constexpr GLint shadowUnit = 4;

}  // namespace

DeferredLightAccumulation::DeferredLightAccumulation(gl::ProgramManager& programs,
                                                     const config::ModelCatalogue& models,
                                                     const view::OpenGLwindow& window,
                                                     std::shared_ptr<ShadowMapping> shadowMapping)
    : Target(programs), volume_(models),
      screenSize_(static_cast<float>(window.width()), static_cast<float>(window.height())),
      shadowMapping_(std::move(shadowMapping))
{
    setEnabled(true);
    lookUpUniforms();
}

void DeferredLightAccumulation::lookUpUniforms()
{
    screenSizeLocation_ = uniformLocation("screen_size");
    farPlane_ = uniformLocation("far_plane");
    geometrySamplers_[0] = uniformLocation("position_sampler");
    geometrySamplers_[1] = uniformLocation("diffuse_sampler");
    geometrySamplers_[2] = uniformLocation("normal_sampler");
    geometrySamplers_[3] = uniformLocation("specular_sampler");
    lightColor_ = uniformLocation("light_color");
    ambientIntensity_ = uniformLocation("ambient_intensity");
    diffuseIntensity_ = uniformLocation("diffuse_intensity");
    specularIntensity_ = uniformLocation("specular_intensity");
    specularPower_ = uniformLocation("specular_power");
    attenuationConstant_ = uniformLocation("atten_con");
    attenuationLinear_ = uniformLocation("atten_lin");
    attenuationExp_ = uniformLocation("atten_exp");
    lightPosition_ = uniformLocation("light_pos_deferred");
    decay_ = uniformLocation("decay");
    shadowSampler_ = uniformLocation("shadow_sampler");
    shadowMappingSwitch_ = uniformLocation("shadowmapping");
    lightFloor_ = uniformLocation("light_floor");
}

void DeferredLightAccumulation::draw(scene::Scene& scene, Target& caller)
{
    if (auto* geometry = dynamic_cast<DeferredRenderGeometry*>(&caller); geometry && geometry->currentLight())
        drawLight(scene, *geometry);
}

void DeferredLightAccumulation::drawLight(scene::Scene& scene, DeferredRenderGeometry& geometry)
{
    // Into the bloom-source and lit-scene textures, adding, over the sphere's
    // back faces: only where the stencil pass left a mark, or, for a volume
    // that reaches the camera (no stencil pass), where the back face lies
    // behind the stored surface, which is the same set of pixels.
    const bool enclosing = geometry.currentPlacement().kind == LightVolume::Placement::Enclosing;
    static constexpr GLenum outputs[] = {GL_NONE, GL_NONE, GL_NONE, GL_NONE, GL_COLOR_ATTACHMENT4,
                                         GL_COLOR_ATTACHMENT5};
    glDrawBuffers(6, outputs);
    scene::reportGLErrors();
    geometry.fbo().bindGeometryTextures();
    useProgram();
    scene::reportGLErrors();
    if (enclosing) {
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_GEQUAL);
    } else {
        glStencilFunc(GL_NOTEQUAL, 0, 0xFF);
        glDisable(GL_DEPTH_TEST);
    }
    glEnable(GL_BLEND);
    glBlendEquation(GL_FUNC_ADD);
    glBlendFunc(GL_ONE, GL_ONE);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_FRONT);
    scene::reportGLErrors();

    glUniform2f(screenSizeLocation_, screenSize_.x, screenSize_.y);
    scene::reportGLErrors();
    glUniform1f(farPlane_, shadowMapping_->farPlane());
    scene::reportGLErrors();
    for (GLint i = 0; i < 4; ++i) {
        if (geometrySamplers_[i] >= 0) {
            glUniform1i(geometrySamplers_[i], i);
            geometry.fbo().bindGeometryTexture(GL_TEXTURE0 + i, static_cast<unsigned>(i));
        }
        scene::reportGLErrors();
    }

    const scene::PointLight& light = *geometry.currentLight();
    light.setUniforms(lightColor_, ambientIntensity_, diffuseIntensity_, specularIntensity_, specularPower_,
                      attenuationConstant_, attenuationLinear_, attenuationExp_, lightPosition_, decay_);
    scene::reportGLErrors();
    if (shadowSampler_ >= 0) {
        glUniform1i(shadowSampler_, shadowUnit);
        if (light.shadowCasting())
            shadowMapping_->bindShadowCubeMap(light, GL_TEXTURE0 + shadowUnit);
    }
    scene::reportGLErrors();
    if (shadowMappingSwitch_ >= 0)
        glUniform1f(shadowMappingSwitch_, shadowMapping_->isEnabled() && light.shadowCasting() ? 1.0f : 0.0f);
    if (lightFloor_ >= 0)
        glUniform1f(lightFloor_, light.lightFloor());

    volume_.draw(light, scene, *this);

    glCullFace(GL_BACK);
    glDisable(GL_BLEND);
    if (enclosing) {
        glDepthFunc(GL_LESS);
        glDisable(GL_DEPTH_TEST);
    }
    scene::reportGLErrors();
}

}  // namespace orv::render

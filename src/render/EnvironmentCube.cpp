#include "render/EnvironmentCube.h"

#include <array>

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <glm/mat4x4.hpp>

#include "scene/GLErrors.h"
#include "scene/Mesh.h"
#include "scene/MeshInstance.h"
#include "scene/PointLight.h"

namespace orv::render {

namespace {

constexpr float nearPlane = 0.05f;
constexpr float farPlane = 200.0f;

// Where each face looks and which way is up on it, as GL lays out cube faces.
struct FaceView {
    GLenum face;
    glm::vec3 forward;
    glm::vec3 up;
};
constexpr std::array<FaceView, 6> faceViews = {{
    {GL_TEXTURE_CUBE_MAP_POSITIVE_X, {1, 0, 0}, {0, -1, 0}},
    {GL_TEXTURE_CUBE_MAP_NEGATIVE_X, {-1, 0, 0}, {0, -1, 0}},
    {GL_TEXTURE_CUBE_MAP_POSITIVE_Y, {0, 1, 0}, {0, 0, 1}},
    {GL_TEXTURE_CUBE_MAP_NEGATIVE_Y, {0, -1, 0}, {0, 0, -1}},
    {GL_TEXTURE_CUBE_MAP_POSITIVE_Z, {0, 0, 1}, {0, -1, 0}},
    {GL_TEXTURE_CUBE_MAP_NEGATIVE_Z, {0, 0, -1}, {0, -1, 0}},
}};

void setCapability(GLenum capability, bool enabled)
{
    if (enabled)
        glEnable(capability);
    else
        glDisable(capability);
}

}  // namespace

EnvironmentCube::EnvironmentCube(gl::ProgramManager& programs, std::vector<std::shared_ptr<scene::MeshInstance>> room,
                                 std::vector<std::shared_ptr<scene::MeshInstance>> sky, GLuint skyTexture,
                                 std::shared_ptr<scene::PointLight> lamp)
    : Target(programs), sky_(std::move(sky)), skyTexture_(skyTexture), lamp_(std::move(lamp))
{
    for (auto& instance : room)
        addDrawable(instance);
    setEnabled(true);
    lookUpUniforms();
}

EnvironmentCube::~EnvironmentCube() = default;

void EnvironmentCube::lookUpUniforms()
{
    faceMatrix_ = uniformLocation("face_matrix");
    eyePos_ = uniformLocation("eye_pos");
    skySampler_ = uniformLocation("sky_sampler");
    skyFlag_ = uniformLocation("sky");
    lampPos_ = uniformLocation("lamp_pos");
    lampColor_ = uniformLocation("lamp_color");
    lampReach_ = uniformLocation("lamp_attenuation");
}

GLuint EnvironmentCube::cubeFor(scene::Scene& scene, const scene::MeshInstance& instance)
{
    if (!instance.mesh()->environmentCube())
        return 0;
    for (const auto& [owner, cube] : cubes_) {
        if (owner == &instance)
            return cube.name();
    }
    const glm::vec3 eye(instance.modelMatrix()[3]);
    cubes_.emplace_back(&instance, render(scene, eye));
    return cubes_.back().second.name();
}

gl::TextureHandle EnvironmentCube::render(scene::Scene& scene, const glm::vec3& eye)
{
    // Runs once per cube, inside another pass: what it changes is put back.
    GLint drawFramebuffer = 0;
    GLint viewport[4] = {};
    GLboolean depthMask = GL_TRUE;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawFramebuffer);
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
    const bool depthTest = glIsEnabled(GL_DEPTH_TEST) == GL_TRUE;
    const bool blend = glIsEnabled(GL_BLEND) == GL_TRUE;
    const bool stencil = glIsEnabled(GL_STENCIL_TEST) == GL_TRUE;
    const bool cull = glIsEnabled(GL_CULL_FACE) == GL_TRUE;

    auto cube = gl::TextureHandle::create();
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_CUBE_MAP, cube.name());
    for (const FaceView& view : faceViews)
        glTexImage2D(view.face, 0, GL_RGB16F, faceSize, faceSize, 0, GL_RGB, GL_FLOAT, nullptr);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    for (GLenum wrap : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, GL_TEXTURE_WRAP_R})
        glTexParameteri(GL_TEXTURE_CUBE_MAP, wrap, GL_CLAMP_TO_EDGE);
    cube.label("environment cube");

    if (!framebuffer_) {
        framebuffer_ = gl::FramebufferHandle::create();
        depth_ = gl::RenderbufferHandle::create();
        glBindRenderbuffer(GL_RENDERBUFFER, depth_.name());
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, faceSize, faceSize);
        glBindRenderbuffer(GL_RENDERBUFFER, 0);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer_.name());
        glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth_.name());
        framebuffer_.label("environment cube");
        depth_.label("environment cube depth");
    }

    // The pass's state, all of it here.
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer_.name());
    glViewport(0, 0, faceSize, faceSize);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_CULL_FACE);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);

    useProgram();
    // The sky on a unit of its own: two sampler types on one unit fail every draw.
    glActiveTexture(GL_TEXTURE4);
    glBindTexture(GL_TEXTURE_CUBE_MAP, skyTexture_);
    glUniform1i(skySampler_, 4);
    glActiveTexture(GL_TEXTURE0);
    glUniform3fv(eyePos_, 1, glm::value_ptr(eye));
    const glm::vec3 lampPosition = lamp_->position();
    glUniform3fv(lampPos_, 1, glm::value_ptr(lampPosition));
    const glm::vec3 lampColour = lamp_->color() * lamp_->diffuseIntensity();
    glUniform3fv(lampColor_, 1, glm::value_ptr(lampColour));
    glUniform3f(lampReach_, lamp_->attenuationConstant(), lamp_->attenuationLinear(), lamp_->attenuationExp());
    for (const FaceView& view : faceViews) {
        glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, view.face, cube.name(), 0);
        drawFace(scene, view.face, eye);
    }
    glBindTexture(GL_TEXTURE_CUBE_MAP, cube.name());
    glGenerateMipmap(GL_TEXTURE_CUBE_MAP);
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);

    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(drawFramebuffer));
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
    glDepthMask(depthMask);
    setCapability(GL_DEPTH_TEST, depthTest);
    setCapability(GL_BLEND, blend);
    setCapability(GL_STENCIL_TEST, stencil);
    setCapability(GL_CULL_FACE, cull);
    scene::reportGLErrors();
    return cube;
}

void EnvironmentCube::drawFace(scene::Scene& scene, GLenum face, const glm::vec3& eye)
{
    const FaceView& view = faceViews[face - GL_TEXTURE_CUBE_MAP_POSITIVE_X];
    const glm::mat4 projection = glm::perspective(glm::radians(90.0f), 1.0f, nearPlane, farPlane);
    const glm::mat4 faceMatrix = projection * glm::lookAt(eye, eye + view.forward, view.up);
    glUniformMatrix4fv(faceMatrix_, 1, GL_FALSE, glm::value_ptr(faceMatrix));
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    glUniform1f(skyFlag_, 0.0f);
    drawAll(scene);

    glUniform1f(skyFlag_, 1.0f);
    for (const auto& instance : sky_) {
        if (instance && instance->drawSuppression() == 0 && instance->renderFlag())
            instance->draw(scene, *this);
    }
}

}  // namespace orv::render

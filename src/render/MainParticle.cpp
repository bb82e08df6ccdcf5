#include "render/MainParticle.h"

#include <cmath>

#include <glm/gtc/type_ptr.hpp>

#include "render/ParticleSystem.h"
#include "scene/GLErrors.h"
#include "scene/Particle.h"
#include "scene/Scene.h"
#include "timeline/Timeline.h"

namespace orv::render {

MainParticle::MainParticle(std::shared_ptr<ParticleSystem> particles)
    : Target(*particles->programManager()), particles_(std::move(particles))
{
    // The point's place comes from "vertex_pos"; the buffer only gives the draw a vertex.
    const float origin[3] = {0.0f, 0.0f, 0.0f};
    vertexArray_ = gl::VertexArrayHandle::create();
    glBindVertexArray(vertexArray_.name());
    vertexBuffer_ = gl::BufferHandle::create();
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_.name());
    glBufferData(GL_ARRAY_BUFFER, sizeof(origin), origin, GL_STATIC_DRAW);
    vertexArray_.label("main particle");
    vertexBuffer_.label("main particle");
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    lookUpUniforms();
}

void MainParticle::lookUpUniforms()
{
    vertexPos_ = uniformLocation("vertex_pos");
    decayFactor_ = uniformLocation("decay_factor");
    currFrame_ = uniformLocation("curr_frame");
    size_ = uniformLocation("size");
    startHue_ = uniformLocation("start_hue");
    endHue_ = uniformLocation("end_hue");
    vMatrix_ = uniformLocation("v_matrix");
    pMatrix_ = uniformLocation("p_matrix");
    cameraPos_ = uniformLocation("camera_pos");
    texSampler_ = uniformLocation("tex_sampler");
}

void MainParticle::update(double dt)
{
    totalTime_ += dt;
    const auto t = static_cast<float>(totalTime_);
    currentFrame_ = std::fmod(std::floor(t * 1000.0f * 0.0625f), static_cast<float>(frameCount));
}

void MainParticle::draw(scene::Scene& scene, Target&)
{
    useProgram();
    glDepthMask(GL_FALSE);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glBindVertexArray(vertexArray_.name());

    const scene::Particle& particle = *particles_->particle();
    const glm::vec3 position = particle.position();
    glUniform3fv(vertexPos_, 1, glm::value_ptr(position));
    glUniform1f(decayFactor_, 0.0f);
    glUniform1f(currFrame_, currentFrame_);
    glUniform1f(size_, 1.0f);
    glUniform1f(startHue_, 0.0f);
    glUniform1f(endHue_, particle.endHue());
    timeline::Timeline& timeline = scene.timeline();
    const glm::mat4 view = timeline.view();
    const glm::mat4 projection = timeline.projection();
    const glm::vec3 camera = timeline.cameraPosition();
    glUniformMatrix4fv(vMatrix_, 1, GL_FALSE, glm::value_ptr(view));
    glUniformMatrix4fv(pMatrix_, 1, GL_FALSE, glm::value_ptr(projection));
    glUniform3fv(cameraPos_, 1, glm::value_ptr(camera));
    glUniform1i(texSampler_, 0);
    particles_->sprite().setUnit(GL_TEXTURE0);
    particles_->sprite().bind();
    glDrawArrays(GL_POINTS, 0, 1);

    glBindVertexArray(0);
    glDisable(GL_BLEND);
    glEnable(GL_CULL_FACE);
    glDepthMask(GL_TRUE);
    scene::reportGLErrors();
}

}  // namespace orv::render

#include "render/ParticleSystem.h"

#include <glm/gtc/type_ptr.hpp>

#include "gl/ProgramManager.h"
#include "scene/GLErrors.h"
#include "scene/Particle.h"
#include "scene/Scene.h"
#include "timeline/Timeline.h"

namespace orv::render {

namespace {

constexpr const char* updateProgramName = "light_particles_update";
constexpr const char* renderProgramName = "light_particles_render";
constexpr unsigned randomTexels = 2048;

// The first generation: the emitter alone, at rest.
constexpr std::array<float, ParticleSystem::recordFloats> seedRecord = {
    0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.001f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.3f, 0.0f, 0.0f};

struct Attribute {
    GLuint index;
    GLint size;
    std::size_t offset;  // in floats
};

// Every field of the record, for the update program.
constexpr Attribute updateAttributes[] = {{0, 1, 0}, {1, 3, 1}, {2, 3, 4},  {3, 1, 7},  {4, 1, 8},
                                          {5, 1, 9}, {6, 1, 10}, {7, 1, 11}, {8, 1, 12}, {9, 1, 13}};
// Position, age, the two sprite parameters and the hues, for drawing.
constexpr Attribute renderAttributes[] = {{0, 3, 1}, {1, 1, 8}, {2, 1, 10}, {3, 1, 11}, {4, 1, 12}, {5, 1, 13}};

template <std::size_t N>
void pointAttributes(const Attribute (&attributes)[N])
{
    for (const Attribute& attribute : attributes) {
        glEnableVertexAttribArray(attribute.index);
        glVertexAttribPointer(attribute.index, attribute.size, GL_FLOAT, GL_FALSE,
                              static_cast<GLsizei>(ParticleSystem::recordBytes),
                              reinterpret_cast<const void*>(attribute.offset * sizeof(float)));
    }
}

template <std::size_t N>
void disableAttributes(const Attribute (&attributes)[N])
{
    for (const Attribute& attribute : attributes)
        glDisableVertexAttribArray(attribute.index);
}

}  // namespace

void ParticleSystem::lookUpUniforms()
{
    const gl::ProgramManager& programs = *programManager();
    const auto update = [&](const char* uniform) { return programs.uniformLocation(updateProgramName, uniform); };
    dtS_ = update("dt_s");
    currTMs_ = update("curr_t_ms");
    lifetimeMs_ = update("particle_lifetime_ms");
    spawnOffsetMs_ = update("spawn_offset_ms");
    spawnParticleCount_ = update("spawn_particle_count");
    spawnLightSourceCount_ = update("spawn_lightsource_count");
    originPos_ = update("origin_pos");
    randomDirectionsSampler_ = update("random_directions_sampler");
    startHue_ = update("start_hue_uniform");
    endHue_ = update("end_hue_uniform");
    veloFactor_ = update("velo_factor");
    const auto render = [&](const char* uniform) { return programs.uniformLocation(renderProgramName, uniform); };
    cameraPos_ = render("camera_pos");
    vMatrix_ = render("v_matrix");
    pMatrix_ = render("p_matrix");
    texSampler_ = render("tex_sampler");
}

ParticleSystem::ParticleSystem(gl::ProgramManager& programs, unsigned capacity,
                               std::shared_ptr<scene::Particle> particle)
    : Target(programs), particle_(std::move(particle)), capacity_(capacity),
      updateProgram_(&programs.program(updateProgramName)), renderProgram_(&programs.program(renderProgramName))
{
    setEnabled(true);
    lookUpUniforms();

    if (capacity_ == 0)
        return;

    vertexArray_ = gl::VertexArrayHandle::create();
    glBindVertexArray(vertexArray_.name());
    vertexArray_.label("spark records");
    glActiveTexture(GL_TEXTURE0);
    randomDirections_.generate(randomTexels);

    records_.assign(static_cast<std::size_t>(capacity_) * recordFloats, 0.0f);
    std::copy(seedRecord.begin(), seedRecord.end(), records_.begin());
    recordCount_ = 1;

    for (unsigned n = 0; n < 2; ++n) {
        feedbacks_[n] = gl::TransformFeedbackHandle::create();
        buffers_[n] = gl::BufferHandle::create();
        glBindTransformFeedback(GL_TRANSFORM_FEEDBACK, feedbacks_[n].name());
        glBindBuffer(GL_ARRAY_BUFFER, buffers_[n].name());
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(capacity_ * recordBytes), records_.data(),
                     GL_DYNAMIC_DRAW);
        glBindBufferBase(GL_TRANSFORM_FEEDBACK_BUFFER, 0, buffers_[n].name());
        const std::string label = "spark generation " + std::to_string(n);
        buffers_[n].label(label);
        feedbacks_[n].label(label);
    }
    glBindTransformFeedback(GL_TRANSFORM_FEEDBACK, 0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindVertexArray(0);
    query_ = gl::QueryHandle::create();

    sprite_.load(spriteFile);
    scene::reportGLErrors();
}

ParticleSystem::~ParticleSystem() = default;

void ParticleSystem::setUpdateUniforms(double dt)
{
    glUniform1f(dtS_, static_cast<float>(dt));
    glUniform1f(currTMs_, static_cast<float>(totalTime_));
    glUniform1f(lifetimeMs_, static_cast<float>(particle_->lifetimeMs()));
    glUniform1f(spawnOffsetMs_, static_cast<float>(particle_->spawnOffsetMs()));
    // Whole sparks only: 2.9 emits two.
    glUniform1i(spawnParticleCount_, static_cast<GLint>(particle_->spawnParticleCount()));
    glUniform1i(spawnLightSourceCount_, static_cast<GLint>(particle_->spawnLightSourceCount()));
    const glm::vec3 origin = particle_->position();
    glUniform3fv(originPos_, 1, glm::value_ptr(origin));
    glUniform1i(randomDirectionsSampler_, 0);
    randomDirections_.setUnit(GL_TEXTURE0);
    randomDirections_.bind();
    glUniform1f(startHue_, particle_->startHue());
    glUniform1f(endHue_, particle_->endHue());
    glUniform1f(veloFactor_, particle_->velocityFactor());
}

void ParticleSystem::update(double dt)
{
    if (capacity_ == 0)
        return;
    updateProgram_->makeCurrent();
    glBindVertexArray(vertexArray_.name());
    scene::reportGLErrors();

    readIndex_ = writeIndex_;
    writeIndex_ = 1 - readIndex_;
    setUpdateUniforms(dt);

    glEnable(GL_RASTERIZER_DISCARD);
    glBindBuffer(GL_ARRAY_BUFFER, buffers_[readIndex_].name());
    glBindTransformFeedback(GL_TRANSFORM_FEEDBACK, feedbacks_[writeIndex_].name());
    pointAttributes(updateAttributes);

    glBeginQuery(GL_TRANSFORM_FEEDBACK_PRIMITIVES_WRITTEN, query_.name());
    glBeginTransformFeedback(GL_POINTS);
    if (first_) {
        first_ = false;
        glDrawArrays(GL_POINTS, 0, 1);
    } else {
        glDrawTransformFeedback(GL_POINTS, feedbacks_[readIndex_].name());
    }
    glEndTransformFeedback();
    glEndQuery(GL_TRANSFORM_FEEDBACK_PRIMITIVES_WRITTEN);
    GLuint written = 0;
    glGetQueryObjectuiv(query_.name(), GL_QUERY_RESULT, &written);
    recordCount_ = std::min(written, capacity_);

    disableAttributes(updateAttributes);
    records_[0] = 0.0f;
    records_[1] = 0.0f;
    glBindBuffer(GL_COPY_READ_BUFFER, buffers_[writeIndex_].name());
    glGetBufferSubData(GL_COPY_READ_BUFFER, 0, static_cast<GLsizeiptr>(recordCount_ * recordBytes), records_.data());
    glBindBuffer(GL_COPY_READ_BUFFER, 0);

    glBindTransformFeedback(GL_TRANSFORM_FEEDBACK, 0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glDisable(GL_RASTERIZER_DISCARD);
    glBindVertexArray(0);
    totalTime_ += dt;
    scene::reportGLErrors();
}

void ParticleSystem::draw(scene::Scene& scene, Target&)
{
    // Before the first update no generation has been written to draw.
    if (capacity_ == 0 || first_)
        return;
    renderProgram_->makeCurrent();
    glDepthMask(GL_FALSE);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    timeline::Timeline& timeline = scene.timeline();
    const glm::vec3 camera = timeline.cameraPosition();
    const glm::mat4 view = timeline.view();
    const glm::mat4 projection = timeline.projection();
    glUniform3fv(cameraPos_, 1, glm::value_ptr(camera));
    glUniformMatrix4fv(vMatrix_, 1, GL_FALSE, glm::value_ptr(view));
    glUniformMatrix4fv(pMatrix_, 1, GL_FALSE, glm::value_ptr(projection));
    glUniform1i(texSampler_, 0);
    sprite_.setUnit(GL_TEXTURE0);
    sprite_.bind();

    // The generation the last update wrote, from its own buffer, so that
    // records and count belong together.
    glBindVertexArray(vertexArray_.name());
    glBindBuffer(GL_ARRAY_BUFFER, buffers_[writeIndex_].name());
    pointAttributes(renderAttributes);
    glDrawTransformFeedback(GL_POINTS, feedbacks_[writeIndex_].name());
    disableAttributes(renderAttributes);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindVertexArray(0);

    glDisable(GL_BLEND);
    glEnable(GL_CULL_FACE);
    glDepthMask(GL_TRUE);
    scene::reportGLErrors();
}

}  // namespace orv::render

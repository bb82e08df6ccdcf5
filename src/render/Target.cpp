#include "render/Target.h"

#include <iterator>

#include "gl/ProgramManager.h"
#include "scene/MeshInstance.h"

namespace orv::render {

Target::Target(gl::ProgramManager& programManager)
    : programManager_(&programManager)
{
    meshUniforms_.fill(unresolved);
}

Target::~Target() = default;

void Target::draw(scene::Scene&, Target&) { useProgram(); }

void Target::useProgram()
{
    if (program_ == nullptr)
        program_ = &programManager_->program(name());
    program_->makeCurrent();
}

void Target::update(double) {}

void Target::addDrawable(const std::shared_ptr<scene::MeshInstance>& drawable)
{
    drawables_.push_back(drawable);
}

void Target::drawAll(scene::Scene& scene)
{
    // Indexed, and each element held by its own pointer, so that a draw that
    // adds drawables cannot invalidate the loop.
    for (std::size_t i = 0; i < drawables_.size(); ++i) {
        const std::shared_ptr<scene::MeshInstance> drawable = drawables_[i];
        if (drawable && drawable->drawSuppression() == 0 && drawable->renderFlag())
            drawable->draw(scene, *this);
    }
}

void Target::refreshUniforms()
{
    meshUniforms_.fill(unresolved);
    sceneUniformsRead_ = false;
    lookUpUniforms();
}

int Target::uniformLocation(const std::string& uniformName) const
{
    return programManager_->uniformLocation(name(), uniformName);
}

std::vector<std::string> Target::uniformNames() const
{
    return programManager_->uniformNames(name());
}

const char* Target::meshUniformName(MeshUniform uniform)
{
    static constexpr const char* names[] = {"diffuse_sampler", "normal_sampler", "specular_sampler",
                                            "displacement_sampler", "m_matrix", "parallax",
                                            "is_light_source", "bounding_scale"};
    static_assert(std::size(names) == static_cast<std::size_t>(MeshUniform::Count));
    return names[static_cast<std::size_t>(uniform)];
}

int Target::meshUniformLocation(MeshUniform uniform)
{
    int& location = meshUniforms_[static_cast<std::size_t>(uniform)];
    if (location == unresolved || location == undeclared)
        location = uniformLocation(meshUniformName(uniform));  // throws for an undeclared name
    return location;
}

int Target::declaredMeshUniformLocation(MeshUniform uniform)
{
    int& location = meshUniforms_[static_cast<std::size_t>(uniform)];
    if (location == unresolved) {
        const char* uniformName = meshUniformName(uniform);
        location = programManager_->program(name()).declares(uniformName) ? uniformLocation(uniformName)
                                                                            : undeclared;
    }
    return location == undeclared ? -1 : location;
}

const Target::SceneUniforms& Target::sceneUniforms()
{
    if (!sceneUniformsRead_) {
        for (const auto& uniform : uniformNames()) {
            if (uniform == "camera_pos")
                sceneUniforms_.cameraPos = uniformLocation(uniform);
            else if (uniform == "light_pos")
                sceneUniforms_.lightPos = uniformLocation(uniform);
            else if (uniform == "vp_matrix")
                sceneUniforms_.vpMatrix = uniformLocation(uniform);
            else if (uniform == "mesh_color")
                sceneUniforms_.meshColor = uniformLocation(uniform);
        }
        sceneUniformsRead_ = true;
    }
    return sceneUniforms_;
}

GLuint Target::emptyTexture()
{
    if (!emptyTexture_) {
        const unsigned char transparent[4] = {0, 0, 0, 0};
        GLint previous = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
        emptyTexture_ = gl::TextureHandle::create();
        glBindTexture(GL_TEXTURE_2D, emptyTexture_.name());
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, transparent);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        emptyTexture_.label("no texture");
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));
    }
    return emptyTexture_.name();
}

}  // namespace orv::render

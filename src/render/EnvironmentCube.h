#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <GL/glew.h>
#include <glm/vec3.hpp>

#include "gl/Handle.h"
#include "render/Target.h"
#include "render/TargetNames.h"

namespace orv::scene {
class MeshInstance;
class PointLight;
}

namespace orv::render {

// Cube maps of the room as seen from the mirror and glass meshes that ask
// for one ("environment_cube" in the catalogue), so that they show the hall
// around them instead of only the sky. Each is rendered once, the first time
// its mesh is drawn, from the mesh's position: the room's meshes in a simple
// forward shading by the lamp, the sky box behind them. Not a pass of the
// frame; the reflecting and refracting passes ask it for their cubes.
class EnvironmentCube : public Target {
public:
    // Faces are faceSize x faceSize texels.
    static constexpr int faceSize = 256;

    // room: the meshes to show (the opaque scene); sky: the sky box meshes
    // with their cube map; lamp: the light that shades the room.
    EnvironmentCube(gl::ProgramManager& programs, std::vector<std::shared_ptr<scene::MeshInstance>> room,
                    std::vector<std::shared_ptr<scene::MeshInstance>> sky, GLuint skyTexture,
                    std::shared_ptr<scene::PointLight> lamp);
    ~EnvironmentCube() override;

    std::string name() const override { return std::string(environmentCubeProgram); }
    bool usesDiffuseMap() const override { return true; }

    // The cube of an instance whose mesh asks for one, rendered on the first
    // call for it; 0 for every other instance. Leaves the draw framebuffer,
    // the viewport and the depth, blend, stencil and cull state as it found them.
    GLuint cubeFor(scene::Scene& scene, const scene::MeshInstance& instance);

    // Renders the room around a point into a new cube texture and returns it.
    gl::TextureHandle render(scene::Scene& scene, const glm::vec3& eye);

protected:
    void lookUpUniforms() override;

private:
    void drawFace(scene::Scene& scene, GLenum face, const glm::vec3& eye);

    std::vector<std::shared_ptr<scene::MeshInstance>> sky_;
    GLuint skyTexture_;
    std::shared_ptr<scene::PointLight> lamp_;
    gl::FramebufferHandle framebuffer_;
    gl::RenderbufferHandle depth_;
    // One cube per instance that asked, kept for the whole run.
    std::vector<std::pair<const scene::MeshInstance*, gl::TextureHandle>> cubes_;
    int faceMatrix_ = -1;
    int eyePos_ = -1;
    int skySampler_ = -1;
    int skyFlag_ = -1;
    int lampPos_ = -1;
    int lampColor_ = -1;
    int lampReach_ = -1;
};

}  // namespace orv::render

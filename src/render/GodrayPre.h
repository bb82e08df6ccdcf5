#pragma once

#include <memory>
#include <string>

#include "render/Target.h"
#include "render/fbo/GodRayFBO.h"

namespace orv::scene {
class RoomLight;
}
namespace orv::view {
class OpenGLwindow;
}

namespace orv::render {

// The occlusion image of the god rays: the room light's lamp and a glow
// around it drawn bright, every other mesh drawn black in front of them,
// softened by one blur level. Made at half the frame's size: shafts are
// soft, and this and the shaft pass cost a quarter as much there.
class GodrayPre : public Target {
public:
    GodrayPre(gl::ProgramManager& programs, const view::OpenGLwindow& window,
              std::shared_ptr<scene::RoomLight> roomLight);

    void draw(scene::Scene& scene, Target& caller) override;
    std::string name() const override { return "godray_pre"; }
    bool usesDiffuseMap() const override { return true; }

    // The glow's radius around the lamp, in world units.
    static constexpr float glowRadius = 4.5f;

    fbo::GodRayFBO& fbo() { return fbo_; }
    // The blurred occlusion image of the last draw; 0 before the first.
    GLuint occlusionTexture() const { return occlusionTexture_; }
    const std::shared_ptr<scene::RoomLight>& roomLight() const { return roomLight_; }

    // Rendering at another size: the occlusion framebuffer and its blur chain are made again.
    void resize(unsigned width, unsigned height);

protected:
    void lookUpUniforms() override;

private:
    GLuint occlusionTexture_ = 0;
    fbo::GodRayFBO fbo_;
    std::shared_ptr<scene::RoomLight> roomLight_;
    // Looked up on the first draw.
    int drawBackground_ = -2;
    int modelMatrix_ = -1;
    int viewProjection_ = -1;
};

}  // namespace orv::render

#pragma once

#include <memory>

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

#include "scene/Moveable.h"
#include "scene/SceneObject.h"

namespace orv::view {
class OpenGLwindow;
}

namespace orv::scene {

// The demo's one camera. The timeline drives it along its paths ("on
// rails") until the viewer presses a movement key; from then on it flies
// freely under keyboard and mouse for the rest of the run. It is not part of
// the scene tree: the timeline calls its update.
class PerspectiveCamera : public SceneObject, public Moveable {
public:
    // root is accepted for symmetry with the other scene objects and not used.
    PerspectiveCamera(const std::shared_ptr<SceneObject>& root, view::OpenGLwindow& window);

    // Free flight from the keys and the cursor, then the view matrix.
    void update(double dt) override;

    // Viewport and projection from the window's framebuffer size; the size is
    // not followed afterwards.
    virtual void initProjection();
    // The projection for a framebuffer of width x height (no GL calls).
    void setProjectionSize(int width, int height);

    void setPosition(const glm::vec3& position) override { position_ = position; }
    bool isOnRails() const override { return onRails_; }
    void setTarget(const glm::vec3& target) { target_ = target; }
    // Leaves the rails (if it is still on them) at position, looking at
    // lookAt; the view follows at once. The keys and the mouse fly on from there.
    void flyFrom(const glm::vec3& position, const glm::vec3& lookAt);

    const glm::vec3& position() const { return position_; }
    const glm::vec3& front() const { return front_; }
    const glm::vec3& target() const { return target_; }
    float pitch() const { return pitch_; }
    float yaw() const { return yaw_; }
    const glm::mat4& view() const { return view_; }
    const glm::mat4& projection() const { return projection_; }
    glm::mat4 viewProjection() const { return projection_ * view_; }

private:
    void freeFlight(double dt);
    void strafe(float amount);
    void look(float pitchChange, float yawChange);
    void leaveRails();

    glm::vec3 position_{0.0f, 0.0f, 3.0f};
    glm::vec3 front_{0.0f, 0.0f, -1.0f};
    glm::vec3 up_{0.0f, 1.0f, 0.0f};
    float pitch_ = 0.0f;
    float yaw_ = 0.0f;
    double lastCursorX_ = 0.0;
    double lastCursorY_ = 0.0;
    glm::mat4 view_{1.0f};
    glm::mat4 projection_{1.0f};
    view::OpenGLwindow& window_;
    bool onRails_ = true;
    glm::vec3 target_{0.0f, 0.0f, -1.0f};
};

}  // namespace orv::scene

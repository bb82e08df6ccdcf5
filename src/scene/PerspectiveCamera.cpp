#include "scene/PerspectiveCamera.h"

#include <algorithm>
#include <cmath>

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <glm/geometric.hpp>
#include <glm/gtc/matrix_transform.hpp>

#include "view/OpenGLwindow.h"

namespace orv::scene {

namespace {

constexpr float degreesToRadians = 0.017453292f;
constexpr float radiansToDegrees = 57.29578f;
constexpr float verticalFieldOfView = 1.0471976f;  // 60 degrees
constexpr float nearPlane = 0.1f;
constexpr float farPlane = 1500.0f;
constexpr float walkSpeed = 2.0f;
constexpr float runSpeed = 30.0f;
constexpr double mouseSensitivity = 0.1;

bool movementKeyHeld()
{
    for (int key : {GLFW_KEY_W, GLFW_KEY_S, GLFW_KEY_A, GLFW_KEY_D, GLFW_KEY_SPACE}) {
        if (view::OpenGLwindow::isKeyPressed(key)) {
            return true;
        }
    }
    return false;
}

}  // namespace

PerspectiveCamera::PerspectiveCamera(const std::shared_ptr<SceneObject>&, view::OpenGLwindow& window)
    : window_(window)
{
    window_.cursorPosition(&lastCursorX_, &lastCursorY_);
}

void PerspectiveCamera::initProjection()
{
    int width = window_.width();
    int height = window_.height();
    glfwGetFramebufferSize(window_.handle(), &width, &height);
    glViewport(0, 0, width, height);
    setProjectionSize(width, height);
}

void PerspectiveCamera::setProjectionSize(int width, int height)
{
    const float aspect = static_cast<float>(width) / static_cast<float>(height);
    projection_ = glm::perspective(verticalFieldOfView, aspect, nearPlane, farPlane);
    view_ = glm::mat4(1.0f);
}

void PerspectiveCamera::update(double dt)
{
    SceneObject::update(dt);
    freeFlight(dt);
    const glm::vec3 lookPoint = onRails_ ? target_ : position_ + front_;
    // Looking at one's own position has no direction; keep the last view.
    if (lookPoint != position_) {
        view_ = glm::lookAt(position_, lookPoint, up_);
    }
}

void PerspectiveCamera::freeFlight(double dt)
{
    if (movementKeyHeld()) {
        const float amount = static_cast<float>(dt) * (view::OpenGLwindow::isShiftHeld() ? runSpeed : walkSpeed);
        if (onRails_) {
            leaveRails();
        }
        if (view::OpenGLwindow::isKeyPressed(GLFW_KEY_W)) {
            position_ += front_ * amount;
        }
        if (view::OpenGLwindow::isKeyPressed(GLFW_KEY_S)) {
            position_ -= front_ * amount;
        }
        if (view::OpenGLwindow::isKeyPressed(GLFW_KEY_A)) {
            strafe(-amount);
        }
        if (view::OpenGLwindow::isKeyPressed(GLFW_KEY_D)) {
            strafe(amount);
        }
        if (view::OpenGLwindow::isKeyPressed(GLFW_KEY_SPACE)) {
            position_ += up_ * amount;
        }
    }
    // The cursor is read every frame, on rails and while a panel has the
    // pointer too, so that taking over or taking the cursor back causes no
    // jump from motion made meanwhile.
    double x = 0.0;
    double y = 0.0;
    window_.cursorPosition(&x, &y);
    if (!window_.cursorReleased()) {
        look(static_cast<float>((lastCursorY_ - y) * mouseSensitivity),
             static_cast<float>((x - lastCursorX_) * mouseSensitivity));
    }
    lastCursorX_ = x;
    lastCursorY_ = y;
}

void PerspectiveCamera::strafe(float amount)
{
    if (!onRails_) {
        position_ += glm::normalize(glm::cross(front_, up_)) * amount;
    }
}

void PerspectiveCamera::look(float pitchChange, float yawChange)
{
    if (onRails_) {
        return;
    }
    pitch_ = std::clamp(pitch_ + pitchChange, -89.0f, 89.0f);
    yaw_ += yawChange;
    const float pitch = pitch_ * degreesToRadians;
    const float yaw = yaw_ * degreesToRadians;
    front_ = glm::normalize(glm::vec3(std::cos(yaw) * std::cos(pitch), std::sin(pitch), std::sin(yaw) * std::cos(pitch)));
}

void PerspectiveCamera::flyFrom(const glm::vec3& position, const glm::vec3& lookAt)
{
    position_ = position;
    target_ = lookAt;
    leaveRails();
    view_ = glm::lookAt(position_, position_ + front_, up_);
}

void PerspectiveCamera::leaveRails()
{
    // With the target on the eye there is no direction to take over; keep the current one.
    if (target_ != position_) {
        front_ = glm::normalize(target_ - position_);
    }
    pitch_ = std::atan2(front_.y, std::sqrt(front_.x * front_.x + front_.z * front_.z)) * radiansToDegrees;
    yaw_ = std::atan2(front_.z, front_.x) * radiansToDegrees;
    onRails_ = false;
    // Looking straight up or down leaves no sideways direction to strafe
    // along; the pitch limit of mouse look keeps one.
    look(0.0f, 0.0f);
}

}  // namespace orv::scene

#include <cmath>
#include <memory>
#include <utility>

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <glm/geometric.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include "scene/PerspectiveCamera.h"
#include "support/Scratch.h"
#include "view/OpenGLwindow.h"
#include "support/GlmExpect.h"

using orv::scene::PerspectiveCamera;
using orv::scene::SceneObject;
using orv::view::OpenGLwindow;

namespace {

using orv::test::expectNear;

// A real window, because the camera reads the cursor and the framebuffer
// size through it; keys go through the window's own key callback.
class Camera : public ::testing::Test {
protected:
    void SetUp() override
    {
        OpenGLwindow::resetInputState();
        window = std::make_unique<OpenGLwindow>(
            dir.write("window.yaml", "OpenGLwindow:\n  title: camera\n  resolution: {x: 320, y: 240}\n").string());
        ASSERT_TRUE(window->init()) << OpenGLwindow::lastError();
        setCursor(100.0, 100.0);
        camera = std::make_shared<PerspectiveCamera>(std::make_shared<SceneObject>(), *window);
    }
    void TearDown() override
    {
        OpenGLwindow::resetInputState();
        camera.reset();
        if (window) {
            window->close();
        }
    }

    void press(int key, int mods = 0) { OpenGLwindow::keyCallback(window->handle(), key, 0, GLFW_PRESS, mods); }
    void release(int key) { OpenGLwindow::keyCallback(window->handle(), key, 0, GLFW_RELEASE, 0); }
    void setCursor(double x, double y) { glfwSetCursorPos(window->handle(), x, y); }
    // The free camera at the origin looking along +x, taken over with a tap of W.
    void takeOverLookingAlongX()
    {
        camera->setPosition({0, 0, 0});
        camera->setTarget({1, 0, 0});
        press(GLFW_KEY_W);
        camera->update(0.0);
        release(GLFW_KEY_W);
    }

    orv::test::ScratchDir dir;
    std::unique_ptr<OpenGLwindow> window;
    std::shared_ptr<PerspectiveCamera> camera;
};

TEST_F(Camera, StartsOnRailsWithIdentityView)
{
    expectNear(camera->position(), {0, 0, 3});
    expectNear(camera->target(), {0, 0, -1});
    EXPECT_TRUE(camera->isOnRails());
    EXPECT_EQ(camera->view(), glm::mat4(1.0f));
    EXPECT_EQ(camera->projection(), glm::mat4(1.0f));
}

TEST_F(Camera, OnRailsLooksAtTheTarget)
{
    camera->setPosition({1, 2, 3});
    camera->setTarget({4, 2, -1});
    camera->update(0.016);
    const glm::mat4 expected = glm::lookAt(glm::vec3(1, 2, 3), glm::vec3(4, 2, -1), glm::vec3(0, 1, 0));
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) {
            EXPECT_NEAR(camera->view()[c][r], expected[c][r], 1e-5f);
        }
    }
    // The eye sits at the origin of view space.
    const glm::vec4 eye = camera->view() * glm::vec4(1, 2, 3, 1);
    expectNear(glm::vec3(eye), {0, 0, 0});
}

TEST_F(Camera, FirstFrameWithWLeavesTheRailsAndMoves)
{
    camera->setPosition({0, 0, 0});
    camera->setTarget({3, 0, 4});
    press(GLFW_KEY_W);
    camera->update(1.0);
    EXPECT_FALSE(camera->isOnRails());
    expectNear(camera->front(), {0.6f, 0, 0.8f});
    expectNear(camera->position(), {1.2f, 0, 1.6f});  // 2 units towards the old target
    EXPECT_NEAR(camera->yaw(), 53.130102f, 1e-3f);
    EXPECT_NEAR(camera->pitch(), 0.0f, 1e-4f);

    // Frames add up: half a second more in five steps.
    for (int i = 0; i < 5; ++i) {
        camera->update(0.1);
    }
    expectNear(camera->position(), {1.8f, 0, 2.4f});

    // Shift runs at 30 units per second; the view follows the free front.
    press(GLFW_KEY_W, GLFW_MOD_SHIFT);
    camera->update(0.1);
    expectNear(camera->position(), {3.6f, 0, 4.8f});
    const glm::vec4 ahead = camera->view() * glm::vec4(3.6f + 0.6f, 0, 4.8f + 0.8f, 1);
    expectNear(glm::vec3(ahead), {0, 0, -1});

    // Releasing every key does not put the camera back on its rails.
    release(GLFW_KEY_W);
    camera->setPosition({0, 0, 0});
    camera->update(0.1);
    EXPECT_FALSE(camera->isOnRails());
}

TEST_F(Camera, StrafeAndRise)
{
    camera->setPosition({0, 0, 0});
    camera->setTarget({0, 0, -5});
    press(GLFW_KEY_D);
    camera->update(0.5);
    expectNear(camera->position(), {1, 0, 0});  // right of looking down -z
    release(GLFW_KEY_D);
    press(GLFW_KEY_A);
    press(GLFW_KEY_SPACE);
    camera->update(1.0);
    expectNear(camera->position(), {-1, 2, 0});
    release(GLFW_KEY_A);
    release(GLFW_KEY_SPACE);
    press(GLFW_KEY_S);
    camera->update(1.0);
    expectNear(camera->position(), {-1, 2, 2});
}

TEST_F(Camera, TargetOnTheEyeKeepsTheCurrentFront)
{
    camera->setPosition({0, 0, -1});  // the initial target
    press(GLFW_KEY_W);
    camera->update(1.0);
    EXPECT_FALSE(camera->isOnRails());
    expectNear(camera->front(), {0, 0, -1});
    expectNear(camera->position(), {0, 0, -3});
    EXPECT_NEAR(camera->yaw(), -90.0f, 1e-3f);
}

TEST_F(Camera, TakingOverWhileLookingStraightUpStillStrafes)
{
    camera->setPosition({0, 0, 0});
    camera->setTarget({0, 5, 0});
    press(GLFW_KEY_D);
    camera->update(1.0);
    EXPECT_FALSE(camera->isOnRails());
    EXPECT_LE(camera->pitch(), 89.0f);
    const glm::vec3 position = camera->position();
    EXPECT_TRUE(std::isfinite(position.x) && std::isfinite(position.y) && std::isfinite(position.z));
    EXPECT_NEAR(glm::length(position), 2.0f, 1e-3f) << "one second of strafing at walking speed";
    EXPECT_NEAR(position.y, 0.0f, 1e-4f) << "strafing stays level";
}

TEST_F(Camera, MouseTurnsTheFreeCameraWithinPitchLimits)
{
    takeOverLookingAlongX();
    ASSERT_FALSE(camera->isOnRails());

    setCursor(100.0, 50.0);  // upward: pitch rises by 5 degrees
    camera->update(0.0);
    EXPECT_NEAR(camera->pitch(), 5.0f, 1e-4f);
    EXPECT_GT(camera->front().y, 0.0f);

    setCursor(400.0, -100000.0);
    camera->update(0.0);
    EXPECT_FLOAT_EQ(camera->pitch(), 89.0f);
    EXPECT_NEAR(camera->yaw(), 30.0f, 1e-3f);
    setCursor(400.0, 100000.0);
    camera->update(0.0);
    EXPECT_FLOAT_EQ(camera->pitch(), -89.0f);
    EXPECT_NEAR(glm::length(camera->front()), 1.0f, 1e-5f);
}

// While a panel has the pointer (the --dev overlay), moving the mouse does
// not turn the free camera, and taking the cursor back turns it only by the
// motion made after that.
TEST_F(Camera, MouseTurnsTheViewOnlyWhileTheCameraHasTheCursor)
{
    takeOverLookingAlongX();
    ASSERT_FALSE(camera->isOnRails());

    window->releaseCursor(true);
    EXPECT_EQ(glfwGetInputMode(window->handle(), GLFW_CURSOR), GLFW_CURSOR_NORMAL);
    for (const auto& [x, y] : {std::pair{160.0, 40.0}, std::pair{20.0, 200.0}, std::pair{300.0, 120.0}}) {
        setCursor(x, y);
        double readX = 0.0;
        window->cursorPosition(&readX, nullptr);
        ASSERT_NEAR(readX, x, 1.0) << "the pointer did not move";
        camera->update(0.0);
        EXPECT_NEAR(camera->yaw(), 0.0f, 1e-4f);
        EXPECT_NEAR(camera->pitch(), 0.0f, 1e-4f);
    }
    expectNear(camera->front(), {1, 0, 0});

    window->releaseCursor(false);
    EXPECT_EQ(glfwGetInputMode(window->handle(), GLFW_CURSOR), GLFW_CURSOR_DISABLED);
    double x = 0.0;
    double y = 0.0;
    window->cursorPosition(&x, &y);
    camera->update(0.0);
    EXPECT_NEAR(camera->yaw(), 0.0f, 1e-4f) << "no jump from the pointer's motion";
    setCursor(x + 100.0, y);  // rightward: yaw turns by 10 degrees
    camera->update(0.0);
    EXPECT_NEAR(camera->yaw(), 10.0f, 1e-3f);
}

TEST_F(Camera, MouseOnRailsHasNoEffectThenOrLater)
{
    camera->setPosition({0, 0, 0});
    camera->setTarget({0, 0, -5});
    setCursor(900.0, -700.0);
    camera->update(0.016);
    expectNear(camera->front(), {0, 0, -1});
    EXPECT_FLOAT_EQ(camera->pitch(), 0.0f);
    EXPECT_FLOAT_EQ(camera->yaw(), 0.0f);

    // Taking over later starts from the rails' direction, not from the old motion.
    press(GLFW_KEY_W);
    camera->update(0.0);
    expectNear(camera->front(), {0, 0, -1});
    EXPECT_NEAR(camera->pitch(), 0.0f, 1e-4f);
    EXPECT_NEAR(camera->yaw(), -90.0f, 1e-3f);
}

TEST_F(Camera, ProjectionFollowsTheFramebuffer)
{
    glfwSetWindowSize(window->handle(), 1920, 1080);
    int width = 0;
    int height = 0;
    for (int i = 0; i < 100 && width != 1920; ++i) {
        glfwPollEvents();
        glfwGetFramebufferSize(window->handle(), &width, &height);
    }
    ASSERT_EQ(width, 1920) << "the virtual display did not resize the window";
    ASSERT_EQ(height, 1080);

    camera->initProjection();
    const glm::mat4& p = camera->projection();
    EXPECT_NEAR(p[1][1] / p[0][0], 1.7777778f, 1e-6f) << "aspect from the framebuffer, not the window file";
    EXPECT_NEAR(p[1][1], 1.0f / std::tan(0.5235988f), 1e-5f);  // 60 degrees vertical
    // Depth -1..1 between the near plane 0.1 and the far plane 1500.
    const glm::vec4 near = p * glm::vec4(0, 0, -0.1f, 1);
    const glm::vec4 far = p * glm::vec4(0, 0, -1500.0f, 1);
    EXPECT_NEAR(near.z / near.w, -1.0f, 1e-5f);
    EXPECT_NEAR(far.z / far.w, 1.0f, 1e-4f);
    EXPECT_EQ(camera->view(), glm::mat4(1.0f));
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 1920);
    EXPECT_EQ(viewport[3], 1080);
}

}  // namespace

#include "support/GLContext.h"

#include <GLFW/glfw3.h>
#include <IL/il.h>

namespace orv::test {

namespace {

GLFWwindow* window = nullptr;
std::string failure;
std::string lastGlfwError = "no GLFW error reported";

void rememberGlfwError(int, const char* description) { lastGlfwError = description; }

std::string createContext()
{
    glfwSetErrorCallback(rememberGlfwError);
    if (!glfwInit()) {
        return "glfwInit failed (is there an X display? " + lastGlfwError + ")";
    }
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 4);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 4);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    window = glfwCreateWindow(256, 256, "orv tests", nullptr, nullptr);
    if (window == nullptr) {
        return "no OpenGL 4.4 core context: " + lastGlfwError;
    }
    glfwMakeContextCurrent(window);
    glewExperimental = GL_TRUE;
    const GLenum status = glewInit();
    if (status != GLEW_OK) {
        return std::string("glewInit failed: ") + reinterpret_cast<const char*>(glewGetErrorString(status));
    }
    while (glGetError() != GL_NO_ERROR) {
    }
    ilInit();
    return {};
}

}  // namespace

std::string ensureGLContext()
{
    static bool attempted = false;
    if (!attempted) {
        attempted = true;
        failure = createContext();
    }
    if (failure.empty()) {
        glfwMakeContextCurrent(window);
    }
    return failure;
}

GLFWwindow* sharedWindow() { return window; }

LiveGLObjects liveGLObjects()
{
    LiveGLObjects counts{};
    for (std::size_t k = 0; k < counts.size(); ++k) {
        counts[k] = gl::liveObjects(static_cast<gl::Kind>(k));
    }
    return counts;
}

void expectSameLiveGLObjects(const LiveGLObjects& before, const LiveGLObjects& now)
{
    for (std::size_t k = 0; k < before.size(); ++k) {
        EXPECT_EQ(now[k], before[k]) << "live GL " << gl::kindName(static_cast<gl::Kind>(k)) << " objects";
    }
}

// Runs after the fixture's own members are gone, and still counts as part of the test.
GLTest::~GLTest() { expectSameLiveGLObjects(before_, liveGLObjects()); }

void GLTest::SetUp()
{
    const std::string why = ensureGLContext();
    ASSERT_TRUE(why.empty()) << "GL test cannot run: " << why;
    while (glGetError() != GL_NO_ERROR) {
    }
}

void GLTest::TearDown()
{
    if (window == nullptr) {
        return;
    }
    std::vector<GLenum> left;
    for (GLenum code = glGetError(); code != GL_NO_ERROR; code = glGetError()) {
        left.push_back(code);
    }
    EXPECT_TRUE(left.empty()) << "test left " << left.size() << " GL error(s), first 0x" << std::hex
                              << (left.empty() ? 0u : left.front());
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glUseProgram(0);
    glBindVertexArray(0);
}

std::vector<std::uint8_t> readPixels(int x, int y, int width, int height)
{
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4u);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

}  // namespace orv::test

#include "view/OpenGLwindow.h"

#include <cstdio>
#include <stdexcept>

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <IL/il.h>

namespace orv::view {

namespace {

std::array<std::uint8_t, OpenGLwindow::keyCount> keys{};
bool escapePressed = false;
bool shiftHeld = false;
std::string lastGlfwError;

void rememberGlfwError(int code, const char* description)
{
    lastGlfwError = std::string(description ? description : "unknown GLFW error") + " (GLFW error " +
                    std::to_string(code) + ")";
}

}  // namespace

OpenGLwindow::OpenGLwindow(std::string fileName) : fileName_(std::move(fileName)) {}

OpenGLwindow::~OpenGLwindow() = default;

bool OpenGLwindow::init()
{
    configuration_ = YAML::LoadFile(fileName_);
    // Read once: the passes ask for the size every frame, and a look-up in
    // the document is a string conversion.
    width_ = resolution("x", defaultWidth);
    height_ = resolution("y", defaultHeight);
    glewExperimental = GL_TRUE;

    glfwSetErrorCallback(rememberGlfwError);
    if (!glfwInit()) {
        return false;
    }
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 4);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 4);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_VISIBLE, visible_ ? GLFW_TRUE : GLFW_FALSE);

    const auto settings = configuration_["OpenGLwindow"];
    const auto title = settings["title"].as<std::string>();
    // GLFW asserts (and aborts the process) on sizes below 1.
    if (const std::string fault = sizeFault(width(), height()); !fault.empty()) {
        glfwTerminate();
        throw std::runtime_error(fault);
    }
    const bool fullScreen = settings["full_screen"].as<bool>(false);
    GLFWmonitor* monitor = fullScreen && visible_ ? glfwGetPrimaryMonitor() : nullptr;

    window_ = glfwCreateWindow(width(), height(), title.c_str(), monitor, nullptr);
    if (window_ == nullptr) {
        // Nothing after this point can work without a context.
        glfwTerminate();
        return false;
    }
    glfwMakeContextCurrent(window_);
    glfwSetKeyCallback(window_, keyCallback);
    glfwSetInputMode(window_, GLFW_CURSOR, cursorReleased_ ? GLFW_CURSOR_NORMAL : GLFW_CURSOR_DISABLED);

    const GLenum glewStatus = glewInit();
    if (glewStatus != GLEW_OK) {
        std::fprintf(stderr, "GLEW initialisation error: %s\n",
                     reinterpret_cast<const char*>(glewGetErrorString(glewStatus)));
    }
    // GLEW probes with calls that core profiles reject; that error is GLEW's, not ours.
    while (glGetError() != GL_NO_ERROR) {
    }
    ilInit();
    return true;
}

int OpenGLwindow::resolution(const char* axis, int fallback) const
{
    // Look the key up one level at a time on the const document: a missing
    // level reads as undefined (the default), while an entry of the wrong
    // shape still raises the library's error.
    const YAML::Node& document = configuration_;
    const YAML::Node settings = document["OpenGLwindow"];
    if (!settings.IsDefined()) {
        return fallback;
    }
    const YAML::Node size = settings["resolution"];
    if (!size.IsDefined()) {
        return fallback;
    }
    const YAML::Node entry = size[axis];
    return entry.IsDefined() ? entry.as<int>() : fallback;
}

std::string OpenGLwindow::sizeFault(int width, int height)
{
    if (width >= 1 && height >= 1 && width <= maxSize && height <= maxSize)
        return {};
    return "resolution " + std::to_string(width) + " x " + std::to_string(height) +
           " is not a window size (each side from 1 to " + std::to_string(maxSize) + ")";
}

void OpenGLwindow::setSizeOverride(int width, int height)
{
    widthOverride_ = width;
    heightOverride_ = height;
}

int OpenGLwindow::width() const { return widthOverride_ > 0 ? widthOverride_ : width_; }

int OpenGLwindow::height() const { return heightOverride_ > 0 ? heightOverride_ : height_; }

bool OpenGLwindow::isKeyPressed(int key)
{
    return key >= 0 && key < keyCount && keys[static_cast<std::size_t>(key)] != 0;
}

bool OpenGLwindow::isShiftHeld() { return shiftHeld; }

void OpenGLwindow::releaseCursor(bool released)
{
    cursorReleased_ = released;
    if (window_ != nullptr)
        glfwSetInputMode(window_, GLFW_CURSOR, released ? GLFW_CURSOR_NORMAL : GLFW_CURSOR_DISABLED);
}

void OpenGLwindow::cursorPosition(double* x, double* y) const
{
    double cx = 0.0;
    double cy = 0.0;
    if (window_ != nullptr) {
        glfwGetCursorPos(window_, &cx, &cy);
    }
    if (x != nullptr) {
        *x = cx;
    }
    if (y != nullptr) {
        *y = cy;
    }
}

void OpenGLwindow::swapBuffers()
{
    glfwSwapBuffers(window_);
    glfwPollEvents();
    closed_ = glfwWindowShouldClose(window_) || escapePressed;
}

void OpenGLwindow::close()
{
    if (window_ != nullptr) {
        glfwDestroyWindow(window_);
    }
    glfwTerminate();
    window_ = nullptr;
}

const std::string& OpenGLwindow::lastError() { return lastGlfwError; }

void OpenGLwindow::keyCallback(GLFWwindow*, int key, int, int action, int mods)
{
    shiftHeld = (mods == GLFW_MOD_SHIFT);
    if (key < 0 || key >= keyCount) {
        return;
    }
    const auto index = static_cast<std::size_t>(key);
    if (action == GLFW_PRESS) {
        keys[index] = 1;
        if (key == GLFW_KEY_ESCAPE) {
            escapePressed = true;
        }
    } else if (action == GLFW_RELEASE) {
        keys[index] = 0;
    }
}

void OpenGLwindow::resetInputState()
{
    keys.fill(0);
    escapePressed = false;
    shiftHeld = false;
}

}  // namespace orv::view

#pragma once

#include <array>
#include <cstdint>
#include <string>

#include <yaml-cpp/yaml.h>

struct GLFWwindow;

namespace orv::view {

// The one window of the program: its GL 4.4 core context, the keyboard table
// and the captured cursor that the free-flying camera reads.
class OpenGLwindow {
public:
    static constexpr int keyCount = 1024;
    static constexpr int maxSize = 16384;

    explicit OpenGLwindow(std::string fileName);
    virtual ~OpenGLwindow();

    OpenGLwindow(const OpenGLwindow&) = delete;
    OpenGLwindow& operator=(const OpenGLwindow&) = delete;

    // Loads the window file (YAML errors propagate) and creates the window and
    // context. Returns false when GLFW cannot start or no window with a 4.4
    // core context can be made; lastError() then says why.
    bool init();

    // Before init: a size that replaces the file's resolution for this run,
    // and whether the window is shown (a capture renders without showing it).
    void setSizeOverride(int width, int height);
    void setVisible(bool visible) { visible_ = visible; }

    // The resolution: the override, or the window file's as init read it
    // (1024 x 768 where the file gives none).
    int width() const;
    int height() const;
    GLFWwindow* handle() const { return window_; }

    static bool isKeyPressed(int key);
    static bool isShiftHeld();
    void cursorPosition(double* x, double* y) const;
    // Hands the cursor to the pointer (shown and free, for a panel) or back
    // to the camera (hidden and captured). While the pointer has it, mouse
    // motion does not turn the view.
    void releaseCursor(bool released);
    bool cursorReleased() const { return cursorReleased_; }

    void swapBuffers();
    bool isOpen() const { return !closed_; }
    void close();

    // Why a window cannot have this size, or empty when it can.
    static std::string sizeFault(int width, int height);

    // GLFW's description of the most recent failure, empty when there was none.
    static const std::string& lastError();

    // The GLFW key callback. The key state is process-wide because GLFW hands
    // the callback no user pointer.
    static void keyCallback(GLFWwindow* window, int key, int scancode, int action, int mods);

    // Forgets every key, the Escape latch and Shift; for a fresh start in tests.
    static void resetInputState();

private:
    int resolution(const char* axis, int fallback) const;

    GLFWwindow* window_ = nullptr;
    std::string fileName_;
    YAML::Node configuration_;
    bool closed_ = false;
    static constexpr int defaultWidth = 1024;
    static constexpr int defaultHeight = 768;
    int width_ = defaultWidth;
    int height_ = defaultHeight;
    int widthOverride_ = 0;
    int heightOverride_ = 0;
    bool visible_ = true;
    bool cursorReleased_ = false;
};

}  // namespace orv::view

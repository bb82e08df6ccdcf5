#include "scene/FrameTimer.h"

#include <GLFW/glfw3.h>

namespace orv::scene {

FrameTimer::FrameTimer() : last_(glfwGetTime()) {}

double FrameTimer::elapsed()
{
    const double now = glfwGetTime();
    const double dt = now - last_;
    last_ = now;
    return dt;
}

}  // namespace orv::scene

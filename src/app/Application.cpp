#include "app/Application.h"

#include <iostream>

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include "view/OpenGLwindow.h"

namespace orv::app {

int Application::run()
{
    view::OpenGLwindow window("config/window.yaml");
    if (!window.init()) {
        std::cerr << "orv: cannot open a window with an OpenGL 4.4 core context: " << view::OpenGLwindow::lastError()
                  << std::endl;
        return 1;
    }
    while (window.isOpen()) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        window.swapBuffers();
    }
    window.close();
    return 0;
}

}  // namespace orv::app

#include "app/Application.h"

#include <iostream>
#include <stdexcept>

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include "view/OpenGLwindow.h"

namespace orv::app {

namespace {

constexpr const char* windowFile = "config/window.yaml";

// Configuration files are read before any error guard exists; tie whatever
// goes wrong to the file being read so the author knows where to look.
template <typename Step>
decltype(auto) reading(const char* file, Step&& step)
{
    try {
        return step();
    } catch (const std::exception& error) {
        throw std::runtime_error(std::string(file) + ": " + error.what());
    }
}

}  // namespace

void reportLine(const std::string& text)
{
    std::string line = text;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.pop_back();
    }
    for (char& c : line) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    std::cerr << line << std::endl;
}

int Application::run()
{
    try {
        return play();
    } catch (const std::exception& error) {
        reportLine(std::string("orv: ") + error.what());
        return 1;
    }
}

int Application::play()
{
    view::OpenGLwindow window(windowFile);
    if (!reading(windowFile, [&] { return window.init(); })) {
        reportLine("orv: cannot open a window with an OpenGL 4.4 core context: " + view::OpenGLwindow::lastError());
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

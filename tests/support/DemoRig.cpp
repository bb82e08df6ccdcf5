#include "support/DemoRig.h"

#include <stdexcept>

#include <GLFW/glfw3.h>

#include "scene/SceneObject.h"
#include "support/GLContext.h"

namespace orv::test {

DemoRig::DemoRig(int width, int height, SizeFrom from) : previousDir(std::filesystem::current_path())
{
    // An override stands over a file that gives a size of its own.
    const int fileWidth = from == SizeFrom::windowFile ? width : 800;
    const int fileHeight = from == SizeFrom::windowFile ? height : 600;
    const std::filesystem::path source = ORV_SOURCE_DIR "/demo";
    for (const char* linked : {"shaders", "assets"})
        std::filesystem::create_directory_symlink(source / linked, folder.path() / linked);
    folder.write("config/window.yaml", "OpenGLwindow:\n  title: \"demo rig\"\n  resolution: {x: " +
                                           std::to_string(fileWidth) + ", y: " + std::to_string(fileHeight) + "}\n");
    for (const char* linked : {"gl_programs.yaml", "models.yaml", "scene.yaml", "timeline.yaml"})
        std::filesystem::create_symlink(source / "config" / linked, folder.path() / "config" / linked);
    std::filesystem::current_path(folder.path());
    view::OpenGLwindow::resetInputState();
    window = std::make_unique<view::OpenGLwindow>("config/window.yaml");
    if (from == SizeFrom::override)
        window->setSizeOverride(width, height);
    if (!window->init())
        throw std::runtime_error("no window for the demo: " + view::OpenGLwindow::lastError());
    programs = std::make_unique<gl::ProgramManager>("config/gl_programs.yaml");
    programs->load();
    demo = std::make_unique<demo::Demo>(*window, *programs);
    catalogue = &demo->catalogue();
    root = demo->root();
    particle = demo->particle();
    timeline = &demo->timeline();
    renderer = &demo->renderer();
    scene = &demo->scene();
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
}

DemoRig::~DemoRig()
{
    root.reset();
    particle.reset();
    demo.reset();
    programs->deletePrograms();
    programs.reset();
    if (window && window->handle() != nullptr)
        glfwDestroyWindow(window->handle());
    view::OpenGLwindow::resetInputState();
    if (sharedWindow() != nullptr)
        glfwMakeContextCurrent(sharedWindow());
    std::filesystem::current_path(previousDir);
}

void DemoRig::frame(double dt)
{
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    demo->frame(dt);
}

}  // namespace orv::test

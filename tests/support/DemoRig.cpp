#include "support/DemoRig.h"

#include <stdexcept>

#include <GLFW/glfw3.h>

#include "scene/SceneObject.h"
#include "support/GLContext.h"

namespace orv::test {

DemoRig::DemoRig(int width, int height) : previousDir(std::filesystem::current_path())
{
    const std::filesystem::path demo = ORV_SOURCE_DIR "/demo";
    for (const char* linked : {"shaders", "assets"})
        std::filesystem::create_directory_symlink(demo / linked, folder.path() / linked);
    folder.write("config/window.yaml", "OpenGLwindow:\n  title: \"demo rig\"\n  resolution: {x: " +
                                           std::to_string(width) + ", y: " + std::to_string(height) + "}\n");
    for (const char* linked : {"gl_programs.yaml", "models.yaml", "scene.yaml", "timeline.yaml"})
        std::filesystem::create_symlink(demo / "config" / linked, folder.path() / "config" / linked);
    std::filesystem::current_path(folder.path());
    view::OpenGLwindow::resetInputState();
    window = std::make_unique<view::OpenGLwindow>("config/window.yaml");
    if (!window->init())
        throw std::runtime_error("no window for the demo: " + view::OpenGLwindow::lastError());
    programs = std::make_unique<gl::ProgramManager>("config/gl_programs.yaml");
    programs->load();
    catalogue = std::make_unique<config::ModelCatalogue>("config/models.yaml", *programs);
    description = std::make_unique<config::SceneDescription>("config/scene.yaml", "main", *catalogue);
    catalogue->load();
    description->load();
    particle = std::make_shared<scene::Particle>(*catalogue);
    description->root()->addChild(particle);
    particle->loadModel();
    timeline = std::make_unique<timeline::Timeline>("config/timeline.yaml", description->root(), *window, particle);
    renderer = std::make_unique<render::Renderer>(description->root(), *programs, *window, *catalogue, particle);
    renderer->registerMeshInstances();
    scene = std::make_unique<scene::Scene>(*window, *timeline, *renderer, particle);
    scene->setRoot(description->root());
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
}

DemoRig::~DemoRig()
{
    scene.reset();
    renderer.reset();
    timeline.reset();
    programs->deletePrograms();
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
    scene->frame(dt);
}

}  // namespace orv::test

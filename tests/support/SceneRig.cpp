#include "support/SceneRig.h"

#include <stdexcept>

#include <GLFW/glfw3.h>
#include <glm/gtc/matrix_transform.hpp>

#include "support/GLContext.h"

namespace orv::test {

namespace {

void addMarker(scene::SceneObject& root, const std::string& name, const glm::vec3& at)
{
    const auto marker = root.createChild();
    marker->setName(name);
    marker->setLocalMatrix(glm::translate(glm::mat4(1.0f), at));
}

// A straight two-anchor path: anchor, incoming and outgoing handle per group.
void addPath(scene::SceneObject& root, const std::string& name, const glm::vec3& from, const glm::vec3& to)
{
    const glm::vec3 third = (to - from) / 3.0f;
    addMarker(root, name + "_0", from);
    addMarker(root, name + "_0_in", from);
    addMarker(root, name + "_0_out", from + third);
    addMarker(root, name + "_1", to);
    addMarker(root, name + "_1_in", to - third);
    addMarker(root, name + "_1_out", to);
}

}  // namespace

SceneRig::SceneRig(const std::string& title, int width, int height)
{
    view::OpenGLwindow::resetInputState();
    window = std::make_unique<view::OpenGLwindow>(
        dir.write("config/window.yaml", "OpenGLwindow:\n  title: \"" + title + "\"\n  resolution: {x: " + std::to_string(width) +
                      ", y: " + std::to_string(height) + "}\n")
            .string());
    if (!window->init()) {
        throw std::runtime_error("no window for the scene rig: " + view::OpenGLwindow::lastError());
    }
    WorkingDir in(dir.path());
    programs = loadPrograms("{}\n");
    catalogue = std::make_unique<config::ModelCatalogue>(dir.write("config/models.yaml", "{}\n").string(), *programs);

    root->setName("Room");
    particle = std::make_shared<scene::Particle>(*catalogue);
    root->addChild(particle);
    addPath(*root, "Camera001", {0, 1, 10}, {0, 1, 4});
    addPath(*root, "Particle001", {-2, 1, 0}, {2, 1, 0});
    root->update(0.0);

    dir.write("config/timeline.yaml",
              "shots:\n  - {camera_velocity: [[0, 1], [1, 1]], particle_velocity: [[0, 1], [1, 1]]}\n");
    timeline = std::make_unique<timeline::Timeline>("config/timeline.yaml", root, *window, particle);
    scene = std::make_unique<scene::Scene>(*window, *timeline, particle);
    scene->setRoot(root);
}

SceneRig::~SceneRig()
{
    // Whatever owns GL objects goes while the rig's context is still current.
    scene.reset();
    timeline.reset();
    particle.reset();
    root.reset();
    catalogue.reset();
    programs.reset();
    if (window && window->handle() != nullptr) {
        glfwDestroyWindow(window->handle());
    }
    view::OpenGLwindow::resetInputState();
    if (sharedWindow() != nullptr) {
        glfwMakeContextCurrent(sharedWindow());
    }
}

std::unique_ptr<gl::ProgramManager> SceneRig::loadPrograms(const std::string& catalogueYaml) const
{
    WorkingDir in(dir.path());
    auto loaded = std::make_unique<gl::ProgramManager>(dir.write("config/gl_programs.yaml", catalogueYaml).string());
    loaded->load();
    return loaded;
}

}  // namespace orv::test

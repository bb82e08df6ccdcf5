#include "app/Application.h"

#include <iostream>
#include <stdexcept>

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include "app/MusicPlayer.h"
#include "config/ModelCatalogue.h"
#include "config/SceneDescription.h"
#include "scene/Particle.h"
#include "scene/Scene.h"
#include "scene/SceneObject.h"
#include "timeline/Timeline.h"
#include "gl/ProgramManager.h"
#include "render/Renderer.h"
#include "view/OpenGLwindow.h"

namespace orv::app {

namespace {

constexpr const char* windowFile = "config/window.yaml";
constexpr const char* programsFile = "config/gl_programs.yaml";
constexpr const char* modelsFile = "config/models.yaml";
constexpr const char* sceneFile = "config/scene.yaml";
constexpr const char* sceneRootKey = "main";
constexpr const char* timelineFile = "config/timeline.yaml";
constexpr const char* musicFile = "assets/sounds/finish.mp3";

// Configuration files are read before any error guard exists; tie whatever
// goes wrong to the file being read so the author knows where to look.
template <typename Step>
decltype(auto) reading(const char* file, Step&& step)
{
    try {
        return step();
    } catch (const std::exception& error) {
        const std::string message = error.what();
        const std::string prefix = std::string(file) + ": ";
        throw std::runtime_error(message.rfind(prefix, 0) == 0 ? message : prefix + message);
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

    gl::ProgramManager programs(programsFile);
    reading(programsFile, [&] { return programs.load(); });

    config::ModelCatalogue catalogue =
        reading(modelsFile, [&] { return config::ModelCatalogue(modelsFile, programs); });
    config::SceneDescription description =
        reading(sceneFile, [&] { return config::SceneDescription(sceneFile, sceneRootKey, catalogue); });
    // The one guarded step: a model or scene that cannot be built ends the
    // demo before anything plays.
    try {
        reading(modelsFile, [&] { catalogue.load(); });
        reading(sceneFile, [&] { description.load(); });
    } catch (const std::runtime_error& error) {
        reportLine(std::string("orv: ") + error.what());
        return 1;
    }

    auto particle = std::make_shared<scene::Particle>(catalogue);
    description.root()->addChild(particle);
    particle->loadModel();

    timeline::Timeline timeline =
        reading(timelineFile, [&] { return timeline::Timeline(timelineFile, description.root(), window, particle); });

    // The renderer needs the lamp the room light sits in.
    if (description.root()->findMeshInstances("Room_Light").empty())
        throw std::runtime_error(std::string(sceneFile) + ": no node named \"Room_Light\" carrying a mesh");
    render::Renderer renderer(description.root(), programs, window, catalogue, particle);
    renderer.registerMeshInstances();

    scene::Scene scene(window, timeline, renderer, particle);
    scene.setRoot(description.root());

    startMusic(musicFile);
    scene.run();

    programs.deletePrograms();
    window.close();
    return 0;
}

}  // namespace orv::app

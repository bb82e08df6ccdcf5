#include "app/Application.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include "app/ContactSheet.h"
#include "app/FrameCapture.h"
#include "audio/Music.h"
#include "config/ModelCatalogue.h"
#include "config/SceneDescription.h"
#include "dev/DevPlayer.h"
#include "gl/ProgramManager.h"
#include "problem/Diagnosis.h"
#include "render/FrameProfiler.h"
#include "render/Renderer.h"
#include "scene/Particle.h"
#include "scene/Scene.h"
#include "scene/SceneObject.h"
#include "timeline/Timeline.h"
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
// goes wrong to the file being read so the author knows where to look. The
// line is the demo checker's for the same mistake.
using problem::Diagnosis;

// Moves the demo on to a time without drawing, at the loop's own steps.
void advance(scene::Scene& scene, double seconds, double fps)
{
    double time = 0.0;
    for (std::uint32_t frame = 0; time + 1e-9 < seconds; ++frame) {
        const double dt = FrameCapture::stepOf(frame, fps);
        scene.silentFrame(dt);
        time += dt;
    }
}

// The middle frame of every shot, labelled, in one image.
int makeContactSheet(const Options& options, view::OpenGLwindow& window, scene::Scene& scene, const ShotTimes& shots)
{
    const int width = window.width();
    const int height = window.height();
    ContactSheet sheet(width, height);
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    double time = 0.0;
    std::size_t shot = 0;
    for (std::uint32_t frame = 0; shot < shots.starts.size(); ++frame) {
        const double middle = (shots.starts[shot] + shots.endOf(shot)) / 2.0;
        const double dt = FrameCapture::stepOf(frame, options.fps);
        time += dt;
        if (time + 1e-9 < middle) {
            scene.silentFrame(dt);
            continue;
        }
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        scene.frame(dt);
        FrameCapture::readFrame(window, pixels);
        char label[48];
        std::snprintf(label, sizeof(label), "shot %zu  %.1f s", shot + 1, time);
        sheet.add(pixels, label);
        window.swapBuffers();
        ++shot;
    }
    if (!sheet.save(options.contactSheet)) {
        reportLine("orv: --contact-sheet: cannot write " + options.contactSheet);
        return 1;
    }
    std::cout << "contact sheet: " << options.contactSheet << std::endl;
    return 0;
}

void writeProfile(const Options& options, render::FrameProfiler& profiler)
{
    profiler.finish();
    std::cout << profiler.table() << std::flush;
    std::ofstream out(options.profileFile);
    out << profiler.json();
    if (!out)
        reportLine("orv: --profile: cannot write " + options.profileFile);
}

}  // namespace

Application::Application(Options options) : options_(std::move(options)) {}

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
    // Output paths are the caller's, relative to where the player was started.
    for (std::string* path : {&options_.captureDir, &options_.videoFile, &options_.contactSheet, &options_.profileFile}) {
        if (!path->empty())
            *path = std::filesystem::absolute(*path).string();
    }
    std::filesystem::current_path(options_.demoDir);
    const bool offscreen = options_.captures() || !options_.contactSheet.empty();
    view::OpenGLwindow window(windowFile);
    if (options_.width && options_.height)
        window.setSizeOverride(*options_.width, *options_.height);
    window.setVisible(!offscreen);
    if (!Diagnosis::reading(windowFile, [&] { return window.init(); })) {
        reportLine("orv: cannot open a window with an OpenGL 4.4 core context: " + view::OpenGLwindow::lastError());
        return 1;
    }

    if (options_.dev) {
        int status = 0;
        {
            // Its GL objects go while the context still exists.
            dev::DevPlayer player(options_, window);
            status = player.run(programsFile);
        }
        window.close();
        return status;
    }

    gl::ProgramManager programs(programsFile);
    Diagnosis::reading(programsFile, [&] { return programs.load(); });

    config::ModelCatalogue catalogue =
        Diagnosis::reading(modelsFile, [&] { return config::ModelCatalogue(modelsFile, programs); });
    config::SceneDescription description =
        Diagnosis::reading(sceneFile, [&] { return config::SceneDescription(sceneFile, sceneRootKey, catalogue); });
    // The one guarded step: a model or scene that cannot be built ends the
    // demo before anything plays.
    try {
        Diagnosis::reading(modelsFile, [&] { catalogue.load(); });
        // The player's own models are looked for before the scene is built,
        // so that a catalogue without them is one error line, not that line
        // after a warning for every placement the scene could not fill.
        for (const char* required : {"particle", "bounding_sphere"}) {
            if (catalogue.find(required).empty())
                throw std::runtime_error(catalogue.fileName() + ": no model \"" + required + "\" in the catalogue");
        }
        Diagnosis::reading(sceneFile, [&] { description.load(); });
    } catch (const std::runtime_error& error) {
        reportLine(std::string("orv: ") + error.what());
        return 1;
    }

    auto particle = std::make_shared<scene::Particle>(catalogue);
    description.root()->addChild(particle);
    particle->loadModel();

    timeline::Timeline timeline =
        Diagnosis::reading(timelineFile,
                           [&] { return timeline::Timeline(timelineFile, description.root(), window, particle); });

    // The renderer needs the lamp the room light sits in.
    if (description.root()->findMeshInstances("Room_Light").empty())
        throw std::runtime_error(std::string(sceneFile) + ": no node named \"Room_Light\" carrying a mesh");
    render::Renderer renderer(description.root(), programs, window, catalogue, particle);
    renderer.registerMeshInstances();

    scene::Scene scene(window, timeline, renderer, particle);
    scene.setRoot(description.root());

    std::unique_ptr<render::FrameProfiler> profiler;
    if (!options_.profileFile.empty()) {
        profiler = std::make_unique<render::FrameProfiler>();
        renderer.setProfiler(profiler.get());
    }

    int status = 0;
    if (offscreen) {
        const bool toEnd = !options_.contactSheet.empty() || !options_.captureTo;
        const ShotTimes shots =
            toEnd ? measureShots(timelineFile, description.root(), window, particle, options_.fps) : ShotTimes{};
        if (!options_.contactSheet.empty()) {
            status = makeContactSheet(options_, window, scene, shots);
        } else {
            FrameCapture capture(options_, window, scene, musicFile);
            status = capture.run(shots.end);
        }
    } else {
        advance(scene, options_.startSeconds, 60.0);
        audio::startMusic(musicFile);
        scene.run();
    }
    if (profiler) {
        writeProfile(options_, *profiler);
        renderer.setProfiler(nullptr);
    }

    programs.deletePrograms();
    window.close();
    return status;
}

}  // namespace orv::app

#include "app/Application.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <stdexcept>

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include "app/ContactSheet.h"
#include "app/FrameCapture.h"
#include "app/PlayStats.h"
#include "audio/Music.h"
#include "demo/Demo.h"
#include "dev/DevPlayer.h"
#include "gl/ProgramBinaryCache.h"
#include "gl/ProgramManager.h"
#include "problem/DemoFiles.h"
#include "problem/Diagnosis.h"
#include "render/FrameProfiler.h"
#include "render/RenderScaleController.h"
#include "render/Renderer.h"
#include "scene/Scene.h"
#include "view/OpenGLwindow.h"

namespace orv::app {

namespace {

using problem::Diagnosis;
namespace files = problem::files;

// The middle frame of every shot, labelled, in one image.
int makeContactSheet(const Options& options, view::OpenGLwindow& window, demo::Demo& demo)
{
    const int width = window.width();
    const int height = window.height();
    ContactSheet sheet(width, height);
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    const demo::ShotTimes& shots = demo.shots();
    for (std::size_t shot = 0; shot < shots.starts.size(); ++shot) {
        demo.advanceTo((shots.starts[shot] + shots.endOf(shot)) / 2.0);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        demo.frame(0.0);
        FrameCapture::readFrame(window, pixels);
        char label[48];
        std::snprintf(label, sizeof(label), "shot %zu  %.1f s", shot + 1, demo.time());
        sheet.add(pixels, label);
        window.swapBuffers();
    }
    if (!sheet.save(options.contactSheet)) {
        reportLine("orv: --contact-sheet: cannot write " + options.contactSheet);
        return 1;
    }
    std::cout << "contact sheet: " << options.contactSheet << std::endl;
    return 0;
}

// Plays in the window until it closes (or, with --stats, until the last
// shot ends), the render scale following --target-fps when given.
void playInWindow(const Options& options, demo::Demo& demo)
{
    std::optional<render::RenderScaleController> controller;
    if (options.targetFps)
        controller.emplace(*options.targetFps, options.scale);
    std::optional<PlayStats> stats;
    // Room for every frame at a generous rate, so recording never allocates.
    if (options.stats)
        stats.emplace(demo.shots().starts.size(), static_cast<std::size_t>(demo.shots().end * 240.0) + 1024);
    std::uint32_t shown = 0;
    demo.scene().setAfterFrame([&](double seconds) {
        // The first frames' times hold the start-up.
        if (++shown <= scene::Scene::settlingSteps)
            return true;
        render::Renderer& renderer = demo.renderer();
        if (stats)
            stats->add(demo.shotAt(demo.time()), seconds, renderer.renderScale());
        if (controller)
            renderer.setRenderScale(controller->frameTook(seconds));
        return !stats || demo.time() < demo.shots().end;
    });
    demo.scene().run();
    demo.scene().setAfterFrame({});
    if (stats)
        std::cout << stats->table() << std::flush;
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
        return start();
    } catch (const std::exception& error) {
        reportLine(std::string("orv: ") + error.what());
        return 1;
    }
}

int Application::start()
{
    // Output paths are the caller's, relative to where the player was started.
    for (std::string* path : {&options_.captureDir, &options_.videoFile, &options_.contactSheet, &options_.profileFile}) {
        if (!path->empty())
            *path = std::filesystem::absolute(*path).string();
    }
    std::filesystem::current_path(options_.demoDir);
    times_.restart();
    const bool offscreen = options_.captures() || !options_.contactSheet.empty();
    view::OpenGLwindow window(files::window);
    if (options_.width && options_.height)
        window.setSizeOverride(*options_.width, *options_.height);
    window.setVisible(!offscreen);
    if (!Diagnosis::reading(files::window, [&] { return window.init(); })) {
        reportLine("orv: cannot open a window with an OpenGL 4.4 core context: " + view::OpenGLwindow::lastError());
        return 1;
    }
    times_.mark("window and GL context");

    // Linked programs are kept between runs, for play and --dev alike.
    std::optional<gl::ProgramBinaryCache> binaries;
    if (const auto folder = gl::ProgramBinaryCache::defaultFolder())
        binaries.emplace(*folder);
    gl::ProgramBinaryCache* const binaryCache = binaries ? &*binaries : nullptr;
    int status = 0;
    if (options_.dev) {
        // Its GL objects go while the context still exists.
        dev::DevPlayer player(window, options_.startSeconds);
        player.setRenderScale(options_.scale, options_.targetFps);
        status = player.run(files::programs, binaryCache);
    } else {
        gl::ProgramManager programs(files::programs);
        programs.setBinaryCache(binaryCache);
        Diagnosis::reading(files::programs, [&] { return programs.load(); });
        times_.mark("programs: compile, link");
        status = play(window, programs);
        programs.deletePrograms();
    }
    window.close();
    return status;
}

int Application::play(view::OpenGLwindow& window, gl::ProgramManager& programs)
{
    // Everything that holds GL objects lives in this frame, so it is gone
    // before the caller closes the window and its context with it.
    std::unique_ptr<demo::Demo> demo;
    try {
        demo = std::make_unique<demo::Demo>(window, programs);
    } catch (const std::runtime_error& error) {
        // A demo that cannot be built ends before anything plays.
        reportLine(std::string("orv: ") + error.what());
        return 1;
    }
    times_.append(demo->buildTimes());
    // Captures take the scale as given, so their frames stay the same every run.
    demo->renderer().setRenderScale(options_.scale);
    std::unique_ptr<render::FrameProfiler> profiler;
    if (!options_.profileFile.empty()) {
        profiler = std::make_unique<render::FrameProfiler>();
        demo->renderer().setProfiler(profiler.get());
    }

    int status = 0;
    if (!options_.contactSheet.empty()) {
        status = makeContactSheet(options_, window, *demo);
    } else if (options_.captures()) {
        FrameCapture capture(options_, window, *demo, files::music);
        status = capture.run(demo->shots().end);
    } else {
        demo->advanceTo(options_.startSeconds);
        audio::startMusic(files::music, options_.startSeconds);
        times_.mark("music");
        // Printed now: the first frame is timed from outside (tools/measure_startup).
        if (demo::StartupTimes::requested())
            times_.print(std::cerr);
        playInWindow(options_, *demo);
    }
    if (profiler) {
        writeProfile(options_, *profiler);
        demo->renderer().setProfiler(nullptr);
    }
    return status;
}

}  // namespace orv::app

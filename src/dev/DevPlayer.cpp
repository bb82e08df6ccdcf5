#include "dev/DevPlayer.h"

#include <array>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <optional>

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include "audio/Music.h"
#include "dev/Bookmarks.h"
#include "dev/DevSession.h"
#include "dev/FileWatcher.h"
#include "dev/Overlay.h"
#include "dev/PlayClock.h"
#include "dev/TimeKeys.h"
#include "render/FrameProfiler.h"
#include "render/RenderScaleController.h"
#include "scene/GLErrors.h"
#include "view/OpenGLwindow.h"

namespace orv::dev {

namespace {

constexpr std::chrono::milliseconds quietWhile(120);
constexpr std::size_t profiledFrames = 20000;

// Key presses between two frames, in order. The window's key table only
// says what is held now, and a tap can come and go between two frames.
// Process-wide like that table, because GLFW's callback gets no user pointer.
std::array<int, 32> pressed{};
std::size_t pressedCount = 0;
GLFWkeyfun chained = nullptr;

void recordKey(GLFWwindow* window, int key, int scancode, int action, int mods)
{
    if (action == GLFW_PRESS && pressedCount < pressed.size())
        pressed[pressedCount++] = key;
    if (chained != nullptr)
        chained(window, key, scancode, action, mods);
}

// When the newest of the files was written.
std::optional<std::filesystem::file_time_type> lastWrite(const std::vector<std::string>& files)
{
    std::optional<std::filesystem::file_time_type> newest;
    for (const auto& file : files) {
        std::error_code error;
        const auto written = std::filesystem::last_write_time(file, error);
        if (!error && (!newest || written > *newest))
            newest = written;
    }
    return newest;
}

}  // namespace

DevPlayer::DevPlayer(view::OpenGLwindow& window, double startSeconds) : startSeconds_(startSeconds), window_(window)
{
}

DevPlayer::~DevPlayer()
{
    // Our callback goes first; the overlay then puts back the window's own.
    if (chained != nullptr && window_.handle() != nullptr)
        glfwSetKeyCallback(window_.handle(), chained);
    chained = nullptr;
    pressedCount = 0;
    overlay_.reset();
    if (session_) {
        session_->setProfiler(nullptr);
        session_->setClock(nullptr);
    }
}

void DevPlayer::setRenderScale(double scale, std::optional<double> targetFps)
{
    renderScale_ = scale;
    scaleController_.reset();
    if (targetFps)
        scaleController_ = std::make_unique<render::RenderScaleController>(*targetFps, scale);
}

void DevPlayer::seek(double seconds)
{
    // The session tells the clock, and with it the music, where the stage now is.
    const bool moved = session_->seek(seconds);
    loop_.seekedTo(moved ? seconds : session_->stage().time(), session_->stage().shots());
}

void DevPlayer::handleKeys()
{
    const std::size_t count = pressedCount;
    pressedCount = 0;
    // Keys typed into the overlay's number fields are not for the demo.
    if (overlayShown_ && Overlay::typing())
        return;
    for (std::size_t i = 0; i < count; ++i) {
        const demo::Demo& stage = session_->stage();
        if (const auto to = TimeKeys::target(pressed[i], stage.time(), stage.shots().starts)) {
            seek(*to);
            continue;
        }
        switch (pressed[i]) {
        case GLFW_KEY_P:
            clock_->setPaused(!clock_->paused());
            break;
        case GLFW_KEY_L:
            loop_.toggle(stage.time(), stage.shots());
            break;
        case GLFW_KEY_C:
            try {
                const Bookmarks::Bookmark mark = session_->bookmarks().add(session_->stage());
                std::cerr << "orv --dev: bookmark " << session_->bookmarks().all().size() << " (shot " << mark.shot
                          << ", " << mark.time << " s) added to " << session_->bookmarks().fileName() << std::endl;
            } catch (const std::exception& error) {
                std::cerr << "orv --dev: " << error.what() << std::endl;
            }
            break;
        case GLFW_KEY_F1:
            overlayShown_ = !overlayShown_;
            // The panel wants a pointer; the camera has the mouse again once it is gone.
            window_.releaseCursor(overlayShown_);
            break;
        default:
            break;
        }
    }
}

int DevPlayer::run(const std::string& programsFile, gl::ProgramBinaryCache* binaries)
{
    session_ = std::make_unique<DevSession>(window_, programsFile, binaries);
    session_->setOverrides(&inactive_);
    session_->setRenderScale(renderScale_);
    watcher_ = std::make_unique<FileWatcher>(std::filesystem::current_path(), quietWhile);
    overlay_ = std::make_unique<Overlay>(window_.handle());
    chained = glfwSetKeyCallback(window_.handle(), recordKey);
    clock_ = std::make_unique<PlayClock>(audio::startMusic("assets/sounds/finish.mp3", startSeconds_));
    session_->setClock(clock_.get());
    seek(startSeconds_);
    std::cerr << "orv --dev: watching " << std::filesystem::current_path().string()
              << "; P pause, Left/Right 5 s, Page Up/Down shot, Home restart, L loop shot, C bookmark, F1 overlay"
              << std::endl;

    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    while (window_.isOpen()) {
        handleKeys();
        const std::vector<std::string> changed = watcher_->settle();
        std::optional<std::filesystem::file_time_type> saved;
        if (!changed.empty() && session_->reload(changed) && session_->lastOutcome().ok)
            saved = lastWrite(changed);
        // Timer queries cost frame time, so passes are timed only while the
        // overlay shows them; the profiler keeps every frame, so a long
        // session starts a fresh one now and then.
        if (overlayShown_ && (!profiler_ || profiler_->frames().size() + 8 >= profiledFrames)) {
            session_->setProfiler(nullptr);
            profiler_ = std::make_unique<render::FrameProfiler>(profiledFrames);
            session_->setProfiler(profiler_.get());
        } else if (!overlayShown_ && profiler_) {
            session_->setProfiler(nullptr);
            profiler_.reset();
        }

        // Taken after the keys and the reload: a stage they built starts the clock afresh.
        const PlayClock::Frame time = clock_->nextFrame();
        const double next = session_->stage().time() + time.demoSeconds;
        if (const auto back = loop_.jumpBefore(next, session_->stage().shots()))
            seek(*back);

        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        session_->frame(time.demoSeconds);
        if (overlayShown_) {
            const auto request =
                overlay_->draw(*session_, profiler_.get(), time.realSeconds, clock_->paused(), loop_, inactive_);
            if (request.seekTo)
                seek(*request.seekTo);
            if (request.timelineEdited)
                session_->applyTimelineEdits();
            if (request.saveTimeline)
                session_->saveTimelineEdits();
            if (request.bookmark) {
                const Bookmarks::Bookmark mark = session_->bookmarks().all().at(*request.bookmark);
                seek(mark.time);
                Bookmarks::visit(mark, session_->stage());
            }
        }
        window_.swapBuffers();
        scene::reportGLErrors();
        // A reload's frame is no measure of what the demo's frames cost.
        if (scaleController_ && !saved && changed.empty())
            session_->setRenderScale(scaleController_->frameTook(time.realSeconds));
        if (saved) {
            const auto latency = std::filesystem::file_time_type::clock::now() - *saved;
            std::cerr << "orv --dev: the new frame is on screen "
                      << std::chrono::duration_cast<std::chrono::milliseconds>(latency).count()
                      << " ms after the save" << std::endl;
        }
    }
    return 0;
}

}  // namespace orv::dev

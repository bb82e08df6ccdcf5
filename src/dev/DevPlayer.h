#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dev/ShotLoop.h"

namespace orv::gl {
class ProgramBinaryCache;
}
namespace orv::render {
class FrameProfiler;
class RenderScaleController;
}
namespace orv::view {
class OpenGLwindow;
}

namespace orv::dev {

class DevSession;
class FileWatcher;
class Overlay;
class PlayClock;

// The player with `--dev`: the demo plays as usual and also reloads what
// the author saves, moves through time on keys (P pause, Left/Right 5 s,
// Page Up/Down shot, Home restart, L loop the shot) with the music along,
// keeps camera bookmarks on C and shows the overlay on F1.
class DevPlayer {
public:
    // Plays from startSeconds into the demo.
    DevPlayer(view::OpenGLwindow& window, double startSeconds);
    ~DevPlayer();

    // The render scale to play at, and the frame rate it follows (never
    // above scale) when given. Before run.
    void setRenderScale(double scale, std::optional<double> targetFps);

    // Plays until the window closes; returns the exit status. The programs
    // keep their linked binaries in binaries (none: always compiled; not owned).
    int run(const std::string& programsFile, gl::ProgramBinaryCache* binaries = nullptr);

private:
    void handleKeys();
    void seek(double seconds);

    double startSeconds_;
    view::OpenGLwindow& window_;
    std::unique_ptr<DevSession> session_;
    std::unique_ptr<FileWatcher> watcher_;
    std::unique_ptr<Overlay> overlay_;
    std::unique_ptr<render::FrameProfiler> profiler_;
    std::unique_ptr<PlayClock> clock_;
    double renderScale_ = 1.0;
    std::unique_ptr<render::RenderScaleController> scaleController_;
    ShotLoop loop_;
    std::vector<std::string> inactive_;
    bool overlayShown_ = false;
};

}  // namespace orv::dev

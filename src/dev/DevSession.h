#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "demo/Demo.h"

namespace orv::gl {
class ProgramBinaryCache;
class ProgramManager;
}
namespace orv::render {
class FrameProfiler;
}
namespace orv::view {
class OpenGLwindow;
}

namespace orv::dev {

class Bookmarks;
class PlayClock;
class TimelineEdits;

// The demo as the author works on it: the programs and a stage over them,
// moved to any time, and rebuilt from saved files while it plays. Whatever
// cannot be built is reported and the running demo kept.
class DevSession {
public:
    // What the last reload did, for the overlay and the console.
    struct Outcome {
        bool ok = true;
        std::string message;
    };

    // Loads the programs and builds the stage at time 0, and reads the
    // bookmarks; throws as the player's start does. Every program set it
    // links, the first and those of a reloaded catalogue, keeps its linked
    // binaries in binaries (none: always compiled; not owned).
    DevSession(view::OpenGLwindow& window, std::string programsFile, gl::ProgramBinaryCache* binaries = nullptr);
    ~DevSession();

    DevSession(const DevSession&) = delete;
    DevSession& operator=(const DevSession&) = delete;

    // A fresh stage moved to `seconds` (clamped to the demo's span), in place
    // of the running one; the running one stays when the new one cannot be built.
    bool seek(double seconds);
    // Reacts to saved files (paths relative to the demo folder): a shader
    // file relinks the programs that use it in place, and the running stage
    // plays on with its passes' uniforms looked up again; the program
    // catalogue, the timeline, the model catalogue, the scene file and model
    // assets rebuild the stage at the current time. Other files are ignored
    // (returns false without an outcome), and so is the notice of the
    // overlay's own save of the timeline.
    bool reload(const std::vector<std::string>& files);

    // The timeline as the overlay edits it. Once edits are applied, every
    // stage is built from its text until the file changes by other hands
    // (which drops the unsaved edits: the file wins).
    TimelineEdits& timelineEdits() { return *edits_; }
    // A stage built from the edited text, at the current time.
    bool applyTimelineEdits();
    // Writes the edited text into the timeline file; reported like a reload.
    bool saveTimelineEdits();

    // The camera bookmarks of the demo (config/bookmarks.yaml).
    Bookmarks& bookmarks() { return *bookmarks_; }

    // One drawn frame; the first frame after a seek or reload lands on the
    // time sought, so it is the frame a capture shows.
    void frame(double dt);

    demo::Demo& stage() { return *stage_; }
    gl::ProgramManager& programs() { return *programs_; }
    const Outcome& lastOutcome() const { return outcome_; }
    // Times every pass from now on (null: stop); kept across rebuilt stages; not owned.
    void setProfiler(render::FrameProfiler* profiler);
    // Targets and switches the author turned off on top of the shot's own,
    // for drawn frames of this and every rebuilt stage; not owned.
    void setOverrides(const std::vector<std::string>* inactive);
    // Told the time of every stage put in place (a seek or a reload), so the
    // music is where the demo is; null: nobody; not owned.
    void setClock(PlayClock* clock) { clock_ = clock; }
    // The render scale of this and every rebuilt stage.
    void setRenderScale(double scale);

private:
    bool rebuildStage(double seconds);
    // Puts a stage built and moved to its time in place of the running one.
    void adopt(std::unique_ptr<demo::Demo> stage);
    void report(bool ok, std::string message);

    view::OpenGLwindow& window_;
    std::string programsFile_;
    gl::ProgramBinaryCache* binaries_ = nullptr;
    std::unique_ptr<gl::ProgramManager> programs_;
    std::unique_ptr<demo::Demo> stage_;
    std::unique_ptr<TimelineEdits> edits_;
    std::unique_ptr<Bookmarks> bookmarks_;
    // What the stage's timeline is built from in place of the file, once edited.
    std::optional<std::string> timelineText_;
    // The timeline text the overlay last saved, until the watcher reports that write.
    std::optional<std::string> ownSave_;
    render::FrameProfiler* profiler_ = nullptr;
    const std::vector<std::string>* overrides_ = nullptr;
    PlayClock* clock_ = nullptr;
    double renderScale_ = 1.0;
    Outcome outcome_;
};

}  // namespace orv::dev

#include "dev/DevSession.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <utility>

#include "dev/Bookmarks.h"
#include "dev/PlayClock.h"
#include "dev/TimelineEdits.h"
#include "gl/ProgramManager.h"
#include "problem/DemoFiles.h"
#include "render/Renderer.h"
#include "scene/Scene.h"
#include "view/OpenGLwindow.h"

namespace orv::dev {

namespace {

// Files whose change means the stage is built again at the current time.
bool rebuildsStage(const std::string& file)
{
    if (file == "config/timeline.yaml" || file == "config/models.yaml" || file == "config/scene.yaml")
        return true;
    // Models, their textures, the sky box: anything under assets/ but the music.
    const std::filesystem::path path(file);
    return *path.begin() == "assets" && path.extension() != ".mp3";
}

// The file's bytes; empty when it cannot be read.
std::string contentOf(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

}  // namespace

DevSession::DevSession(view::OpenGLwindow& window, std::string programsFile, gl::ProgramBinaryCache* binaries)
    : window_(window), programsFile_(std::move(programsFile)), binaries_(binaries)
{
    programs_ = std::make_unique<gl::ProgramManager>(programsFile_);
    programs_->setBinaryCache(binaries_);
    try {
        programs_->load();
    } catch (const std::exception& error) {
        throw std::runtime_error(programsFile_ + ": " + error.what());
    }
    stage_ = std::make_unique<demo::Demo>(window_, *programs_);
    edits_ = std::make_unique<TimelineEdits>(problem::files::timeline);
    bookmarks_ = std::make_unique<Bookmarks>("config/bookmarks.yaml");
}

DevSession::~DevSession()
{
    stage_.reset();
    programs_->deletePrograms();
}

void DevSession::setProfiler(render::FrameProfiler* profiler)
{
    profiler_ = profiler;
    stage_->renderer().setProfiler(profiler);
}

void DevSession::report(bool ok, std::string message)
{
    outcome_ = {ok, std::move(message)};
    // The compiler's whole log is already on standard error; the console gets one line.
    std::string line = outcome_.message;
    for (char& c : line) {
        if (c == '\n' || c == '\r')
            c = ' ';
    }
    std::cerr << "orv --dev: " << line << std::endl;
}

bool DevSession::rebuildStage(double seconds)
{
    try {
        auto stage = std::make_unique<demo::Demo>(window_, *programs_, timelineText_);
        stage->advanceTo(seconds);
        adopt(std::move(stage));
        return true;
    } catch (const std::exception& error) {
        report(false, std::string(error.what()) + " (the running demo is kept)");
        return false;
    }
}

void DevSession::adopt(std::unique_ptr<demo::Demo> stage)
{
    stage_ = std::move(stage);
    stage_->renderer().setProfiler(profiler_);
    stage_->renderer().setRenderScale(renderScale_);
    // Only drawn frames see the author's toggles: the silent advance is the capture's.
    stage_->scene().setOverrides(overrides_);
    // The stage stops just short of its time; its next frame lands on it.
    if (clock_ != nullptr)
        clock_->jumpTo(stage_->time() + stage_->scene().nextFixedStep());
}

void DevSession::setRenderScale(double scale)
{
    renderScale_ = scale;
    stage_->renderer().setRenderScale(scale);
}

void DevSession::setOverrides(const std::vector<std::string>* inactive)
{
    overrides_ = inactive;
    stage_->scene().setOverrides(inactive);
}

bool DevSession::seek(double seconds)
{
    const double end = stage_->shots().end;
    return rebuildStage(std::clamp(seconds, 0.0, end > 0.0 ? end : seconds));
}

bool DevSession::applyTimelineEdits()
{
    std::optional<std::string> previous = std::exchange(timelineText_, edits_->text());
    if (!rebuildStage(stage_->time())) {
        timelineText_ = std::move(previous);
        return false;
    }
    report(true, "playing the edited " + edits_->fileName() + (edits_->unsaved() ? " (not saved)" : ""));
    return true;
}

bool DevSession::saveTimelineEdits()
{
    try {
        edits_->save();
        ownSave_ = edits_->text();
    } catch (const std::exception& error) {
        report(false, error.what());
        return false;
    }
    report(true, "saved " + edits_->fileName());
    return true;
}

bool DevSession::reload(const std::vector<std::string>& files)
{
    std::vector<std::string> programNames;
    bool catalogue = false;
    bool stage = false;
    std::string changed;
    for (const auto& file : files) {
        if (file == problem::files::timeline) {
            // The overlay's own save, noticed once: the stage already plays
            // that text, or edits made since.
            const bool own = ownSave_ && contentOf(file) == *ownSave_;
            ownSave_.reset();
            if (own)
                continue;
            timelineText_.reset();
            edits_->reread();
        }
        const std::vector<std::string> users = programs_->programsUsing(file);
        const bool relevant = file == programsFile_ || !users.empty() || rebuildsStage(file);
        if (!relevant)
            continue;
        changed += (changed.empty() ? "" : ", ") + file;
        catalogue = catalogue || file == programsFile_;
        stage = stage || rebuildsStage(file);
        for (const auto& name : users) {
            if (std::find(programNames.begin(), programNames.end(), name) == programNames.end())
                programNames.push_back(name);
        }
    }
    if (changed.empty())
        return false;

    const double now = stage_->time();
    if (catalogue) {
        // The catalogue may name other programs: a whole new set, swapped in
        // with a stage over it, or nothing at all.
        auto programs = std::make_unique<gl::ProgramManager>(programsFile_);
        programs->setBinaryCache(binaries_);
        try {
            programs->load();
        } catch (const std::exception& error) {
            programs->deletePrograms();
            report(false, programsFile_ + ": " + error.what() + " (the running programs are kept)");
            return true;
        }
        if (!programs->problems().empty()) {
            programs->deletePrograms();
            report(false, programs->problems().front() + " (the running programs are kept)");
            return true;
        }
        try {
            auto rebuilt = std::make_unique<demo::Demo>(window_, *programs, timelineText_);
            rebuilt->advanceTo(now);
            adopt(std::move(rebuilt));
            programs_->deletePrograms();
            programs_ = std::move(programs);
        } catch (const std::exception& error) {
            programs->deletePrograms();
            report(false, std::string(error.what()) + " (the running demo is kept)");
            return true;
        }
        report(true, "reloaded " + changed);
        return true;
    }
    if (!programNames.empty() && !programs_->rebuild(programNames)) {
        report(false, programs_->problems().front() + " (the running program is kept)");
        return true;
    }
    if (stage) {
        if (!rebuildStage(now))
            return true;
    } else {
        // The programs were relinked in place: the demo plays on where it
        // is, its passes only look their uniforms up again.
        stage_->renderer().refreshUniforms();
    }
    report(true, "reloaded " + changed);
    return true;
}

void DevSession::frame(double dt) { stage_->frame(dt); }

}  // namespace orv::dev

#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "demo/ShotTimes.h"
#include "demo/StartupTimes.h"

namespace orv::config {
class ModelCatalogue;
class SceneDescription;
}  // namespace orv::config
namespace orv::gl {
class ProgramManager;
}
namespace orv::render {
class Renderer;
}
namespace orv::scene {
class Particle;
class Scene;
class SceneObject;
}  // namespace orv::scene
namespace orv::timeline {
class Timeline;
}
namespace orv::view {
class OpenGLwindow;
}

namespace orv::demo {

// Everything start-up builds from the demo folder below the programs (the
// model catalogue, the scene description and its tree, the main particle,
// the timeline, the renderer and the frame loop's scene) and the demo clock.
// Every way of playing the demo builds it and moves it through here, so the
// frame at a time is the same however it was reached.
class Demo {
public:
    // Builds from the demo folder (the working directory). Throws
    // std::runtime_error with one line naming the file that does not fit.
    // timelineText, when given, stands for the timeline file's content
    // (`--dev` plays edits before they are saved).
    Demo(view::OpenGLwindow& window, gl::ProgramManager& programs,
         const std::optional<std::string>& timelineText = std::nullopt);
    ~Demo();

    Demo(const Demo&) = delete;
    Demo& operator=(const Demo&) = delete;

    // Moves on silently at the clock's fixed steps to just before `seconds`;
    // the next frame lands on it. Only forwards: a demo is never moved back.
    void advanceTo(double seconds);
    // One frame of dt seconds (taken in steps of at most 1/60 s), drawn onto
    // the bound framebuffer; not presented.
    void frame(double dt);
    // The same without drawing.
    void advance(double dt);

    double time() const;
    // When each shot starts and when the last ends, measured once at start.
    const ShotTimes& shots() const { return shots_; }
    std::size_t shotAt(double seconds) const { return shots_.shotAt(seconds); }

    // How long each step of the build took.
    const StartupTimes& buildTimes() const { return times_; }

    config::ModelCatalogue& catalogue() { return *catalogue_; }
    std::shared_ptr<scene::SceneObject> root() const;
    const std::shared_ptr<scene::Particle>& particle() const { return particle_; }
    timeline::Timeline& timeline() { return *timeline_; }
    render::Renderer& renderer() { return *renderer_; }
    scene::Scene& scene() { return *scene_; }

private:
    std::unique_ptr<config::ModelCatalogue> catalogue_;
    std::unique_ptr<config::SceneDescription> description_;
    std::shared_ptr<scene::Particle> particle_;
    std::unique_ptr<timeline::Timeline> timeline_;
    std::unique_ptr<render::Renderer> renderer_;
    std::unique_ptr<scene::Scene> scene_;
    ShotTimes shots_;
    StartupTimes times_;
};

}  // namespace orv::demo

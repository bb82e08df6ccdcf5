#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/FrameCapture.h"

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
}  // namespace orv::scene
namespace orv::timeline {
class Timeline;
}
namespace orv::view {
class OpenGLwindow;
}

namespace orv::dev {

// Everything the configuration builds below the programs (models, scene,
// main particle, timeline, renderer and frame loop) together with the demo
// time it has reached, so that it can be thrown away and built again: at a
// seek, or after the author saved a file. A fresh stage is the player's own
// start, so a stage moved to T shows the frame a capture started at T shows.
class DemoStage {
public:
    // The frame rate of the silent advance; the player's --start uses the same.
    static constexpr double advanceFps = 60.0;

    // Builds the stage from the demo folder (the working directory). Throws
    // std::runtime_error with one line naming the file that does not fit.
    DemoStage(view::OpenGLwindow& window, gl::ProgramManager& programs);
    ~DemoStage();

    DemoStage(const DemoStage&) = delete;
    DemoStage& operator=(const DemoStage&) = delete;

    // Moves the demo on without drawing, at the fixed steps of a capture at
    // advanceFps, up to the last step before `seconds`; the next step()
    // then lands on it, as the first frame of `orv --capture --start`
    // does. Only forwards: a stage is never moved back.
    void advanceTo(double seconds);
    // The next fixed step (what the following frame should take to stay on
    // the capture's steps).
    double nextStep() const;
    // One drawn frame of dt seconds onto the bound framebuffer (not presented).
    void frame(double dt);

    double time() const { return time_; }
    const app::ShotTimes& shots() const { return shots_; }
    // The shot index at the current time (0-based).
    std::size_t shotAt(double seconds) const;

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
    app::ShotTimes shots_;
    double time_ = 0.0;
    std::uint32_t steps_ = 0;
};

}  // namespace orv::dev

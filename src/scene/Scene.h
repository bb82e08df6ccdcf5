#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "scene/FrameTimer.h"

namespace orv::view {
class OpenGLwindow;
}
namespace orv::timeline {
class Timeline;
}
namespace orv::render {
class Renderer;
class Target;
}

namespace orv::scene {

class MeshInstance;
class Particle;
class SceneObject;

// The frame loop, and what every mesh instance reaches while it draws: the
// camera matrices, the camera position and the main particle's light.
class Scene {
public:
    Scene(view::OpenGLwindow& window, timeline::Timeline& timeline, render::Renderer& renderer,
          std::shared_ptr<Particle> particle);
    // A scene without a renderer: its frames move the timeline and the tree
    // and draw nothing, for code that runs passes of its own.
    Scene(view::OpenGLwindow& window, timeline::Timeline& timeline, std::shared_ptr<Particle> particle);
    virtual ~Scene();

    void setRoot(std::shared_ptr<SceneObject> root);

    // The demo clock. The simulation (timeline, tree, renderer update) moves
    // in steps of at most maxStep seconds, so the state at a demo time does
    // not depend on how often frames are drawn. The first settlingSteps steps
    // take settlingStep each, whatever the caller asks for: they measure
    // start-up work rather than motion.
    static constexpr double maxStep = 1.0 / 60.0;
    static constexpr std::uint32_t settlingSteps = 3;
    static constexpr double settlingStep = 0.00001;

    // Renders frames until the window asks to close, each advancing the
    // demo by the time the previous one took.
    void run();
    // Called by run after every presented frame with the time that frame
    // moved the demo by (the time the frame before it took); returning false
    // ends the run. Empty: none.
    void setAfterFrame(std::function<bool(double seconds)> hook) { afterFrame_ = std::move(hook); }
    // One frame: the demo moves on by dt (see advance), then is drawn onto
    // the bound framebuffer. No presentation.
    void frame(double dt);
    // The demo moves on by dt in equal steps of at most maxStep, drawing
    // nothing. After advanceTo, or during the settling steps, the fixed
    // step is taken instead of dt.
    void advance(double dt);
    // Moves on silently at fixed steps (the settling steps, then maxStep)
    // up to the last step that ends before `seconds`; the next frame then
    // lands on it. Only forwards.
    void advanceTo(double seconds);
    // Draws the current state without moving anything.
    void draw();
    // Demo time: the sum of every step taken.
    double time() const { return time_; }
    // The fixed step that follows `steps` steps: settling first, then maxStep.
    static double fixedStep(std::uint32_t steps) { return steps < settlingSteps ? settlingStep : maxStep; }
    // The step a landing frame takes next.
    double nextFixedStep() const { return fixedStep(steps_); }

    timeline::Timeline& timeline() { return timeline_; }

    // Targets and switches turned off in every frame on top of the shot's
    // own list (null or empty: none); not owned, read each frame.
    void setOverrides(const std::vector<std::string>* inactive) { overrides_ = inactive; }

    // The two calls a mesh instance makes while drawing are virtual so that
    // drawing code depends on this class only through its interface.
    virtual float particleLightRadius() const;

    // Sets the per-scene uniforms ("camera_pos", "light_pos", "vp_matrix",
    // "mesh_color") that the target's program declares, for one instance.
    virtual void setSceneUniforms(const std::shared_ptr<MeshInstance>& instance, render::Target& target);

private:
    void step(double dt);
    void prepareRenderer();

    FrameTimer timer_;
    view::OpenGLwindow& window_;
    timeline::Timeline& timeline_;
    render::Renderer* renderer_ = nullptr;
    std::shared_ptr<Particle> particle_;
    std::shared_ptr<SceneObject> root_;
    const std::vector<std::string>* overrides_ = nullptr;
    std::function<bool(double)> afterFrame_;
    double time_ = 0.0;
    std::uint32_t steps_ = 0;
    bool landing_ = false;
};

}  // namespace orv::scene

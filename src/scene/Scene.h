#pragma once

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

    // Renders frames until the window asks to close.
    void run();
    // One frame of the loop, dt already settled: timeline, renderer
    // switches, tree, renderer update and render. No presentation.
    void frame(double dt);
    // The same without drawing: the demo moves on (sparks included) and
    // nothing reaches the screen. For starting later in the demo.
    void silentFrame(double dt);

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
    void prepareRenderer();

    FrameTimer timer_;
    view::OpenGLwindow& window_;
    timeline::Timeline& timeline_;
    render::Renderer* renderer_ = nullptr;
    std::shared_ptr<Particle> particle_;
    std::shared_ptr<SceneObject> root_;
    const std::vector<std::string>* overrides_ = nullptr;
};

}  // namespace orv::scene

#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace orv::config {
class ModelCatalogue;
}
namespace orv::gl {
class Program;
class ProgramManager;
}
namespace orv::scene {
class MeshInstance;
class Particle;
class RoomLight;
class Scene;
class SceneObject;
}  // namespace orv::scene
namespace orv::view {
class OpenGLwindow;
}

namespace orv::render {

namespace fbo {
class OutputFramebuffer;
}
class DeferredRenderGeometry;
class EnvironmentCube;
class FrameProfiler;
class GodrayPost;
class GodrayPre;
class Target;

// Builds every render pass once, hands each mesh instance of the scene to
// the passes its model names, and each frame applies the current shot's
// switches, updates the animated passes and runs them all in their fixed
// order.
class Renderer {
public:
    static constexpr unsigned sparkCapacity = 5000;
    static constexpr int maxParticleLights = 100;

    // Throws std::runtime_error when the scene has no "Room_Light" node
    // carrying a mesh instance; errors of the passes (undeclared programs or
    // uniforms, a missing light volume model) propagate.
    Renderer(std::shared_ptr<scene::SceneObject> root, gl::ProgramManager& programs, view::OpenGLwindow& window,
             const config::ModelCatalogue& models, std::shared_ptr<scene::Particle> particle);
    ~Renderer();

    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    // Walks the tree once: every mesh instance goes to the targets its
    // model lists (unknown names are skipped) and to both god-ray passes.
    void registerMeshInstances();

    // Starts from everything on, then turns off what the shot lists: the
    // effect switches, and any target by name. Other names are ignored.
    void prepare(const std::vector<std::string>& inactive);
    // Turns off what the list names, on top of what prepare turned off.
    void turnOff(const std::vector<std::string>& inactive);
    void update(double dt);
    void render(scene::Scene& scene);

    // Times every pass of every frame from now on (null: stop); not owned.
    void setProfiler(FrameProfiler* profiler);

    // Every pass looks its uniform locations up again: the programs were
    // relinked in place.
    void refreshUniforms();

    // Whether the GL could make every framebuffer of the render size.
    bool framebuffersComplete() const;

    // Draws the 3D passes at scale x the window's size (clamped to 0.25..1,
    // each side rounded) and stretches the result over the window at the end
    // of render. A new size remakes every framebuffer that depends on it,
    // giving back the old ones. Where the catalogue has the edge smoothing
    // program, the passes always draw off screen and that program makes the
    // stretch (at any scale); without it they draw straight onto the window
    // at scale 1.
    void setRenderScale(double scale);
    double renderScale() const { return scale_; }
    unsigned renderWidth() const { return renderWidth_; }
    unsigned renderHeight() const { return renderHeight_; }
    // What the passes draw onto in place of the window: 0 where they draw
    // onto the window itself.
    unsigned outputFramebuffer() const;
    bool smoothsEdges() const { return smoothing_ != nullptr; }

    // The target of that name, or null.
    Target* target(const std::string& name) const;
    const std::shared_ptr<scene::RoomLight>& roomLight() const { return roomLight_; }

private:
    void insert(const std::shared_ptr<Target>& target);
    void registerObject(const scene::SceneObject& object, Target& godrayPre, Target& godrayPost);
    // Hands the mirror and glass passes the room's cubes, where a model asks for them.
    void setUpEnvironmentCubes();
    // (Re)makes the output framebuffer at the render size, or drops it where
    // the passes can draw onto the window, and tells the passes.
    void placeOutput();
    // The output onto the window: smoothed where the catalogue allows, else stretched.
    void present() const;
    // The edge smoothing program and its uniform, again after a relink.
    void lookUpSmoothing();

    std::shared_ptr<scene::SceneObject> root_;
    std::unordered_map<std::string, std::shared_ptr<Target>> targets_;
    gl::ProgramManager* programs_;
    const config::ModelCatalogue* models_;
    // The orders, resolved to their targets once.
    std::vector<Target*> renderOrder_;
    std::vector<Target*> updateOrder_;
    std::shared_ptr<scene::Particle> particle_;
    std::shared_ptr<scene::RoomLight> roomLight_;
    FrameProfiler* profiler_ = nullptr;
    DeferredRenderGeometry* geometry_ = nullptr;
    Target* shadows_ = nullptr;
    // The "Pillar" meshes among the drawables of the geometry and shadow
    // passes, found once so that prepare never compares names.
    std::vector<scene::MeshInstance*> geometryPillars_;
    std::vector<scene::MeshInstance*> shadowPillars_;
    GodrayPre* godrayPre_ = nullptr;
    GodrayPost* godrayPost_ = nullptr;
    // The window's size and the size the passes draw at.
    unsigned windowWidth_ = 0;
    unsigned windowHeight_ = 0;
    unsigned renderWidth_ = 0;
    unsigned renderHeight_ = 0;
    double scale_ = 1.0;
    // Below scale 1, and always with edge smoothing.
    std::unique_ptr<fbo::OutputFramebuffer> output_;
    // Null where the catalogue has no edge smoothing program.
    const gl::Program* smoothing_ = nullptr;
    int smoothingScene_ = -1;
    // Null unless a mirror or glass model asks for an environment cube.
    std::shared_ptr<EnvironmentCube> environment_;
};

}  // namespace orv::render

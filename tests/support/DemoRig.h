#pragma once

#include <filesystem>
#include <memory>

#include "config/ModelCatalogue.h"
#include "demo/Demo.h"
#include "gl/ProgramManager.h"
#include "support/Scratch.h"
#include "render/Renderer.h"
#include "scene/Particle.h"
#include "scene/Scene.h"
#include "scene/SceneObject.h"
#include "timeline/Timeline.h"
#include "view/OpenGLwindow.h"

namespace orv::test {

// The bundled demo built in this process the way the player builds it (its
// programs, then the Demo), in a window of the given size instead of the
// demo's own, without music and without a frame loop: frames are stepped by
// hand with a fixed dt. It plays from a scratch copy
// of the demo folder (links to its shaders, assets and configuration, with
// a window file of its own), the working directory while it lives. Throws
// when no window can be opened.
class DemoRig {
public:
    // Where the window's size comes from: its "config/window.yaml", as a
    // plain start has it, or an override over the file's own (`--size`).
    enum class SizeFrom { windowFile, override };

    explicit DemoRig(int width = 320, int height = 180, SizeFrom from = SizeFrom::windowFile);
    ~DemoRig();
    DemoRig(const DemoRig&) = delete;
    DemoRig& operator=(const DemoRig&) = delete;

    // One frame as the loop runs it, onto the window's framebuffer (not presented).
    void frame(double dt);

    ScratchDir folder;
    std::filesystem::path previousDir;
    std::unique_ptr<view::OpenGLwindow> window;
    std::unique_ptr<gl::ProgramManager> programs;
    std::unique_ptr<demo::Demo> demo;
    // What the demo owns, for tests that look inside it.
    config::ModelCatalogue* catalogue = nullptr;
    std::shared_ptr<scene::SceneObject> root;
    std::shared_ptr<scene::Particle> particle;
    timeline::Timeline* timeline = nullptr;
    render::Renderer* renderer = nullptr;
    scene::Scene* scene = nullptr;
};

}  // namespace orv::test

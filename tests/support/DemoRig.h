#pragma once

#include <filesystem>
#include <memory>

#include "config/ModelCatalogue.h"
#include "config/SceneDescription.h"
#include "gl/ProgramManager.h"
#include "render/Renderer.h"
#include "scene/Particle.h"
#include "scene/Scene.h"
#include "timeline/Timeline.h"
#include "view/OpenGLwindow.h"

namespace orv::test {

// The bundled demo built in this process the way the player builds it (its
// window, programs, models, scene, timeline and renderer), without music
// and without a frame loop: frames are stepped by hand with a fixed dt.
// The working directory is the demo folder while it lives. Throws when no
// window can be opened.
class DemoRig {
public:
    DemoRig();
    ~DemoRig();
    DemoRig(const DemoRig&) = delete;
    DemoRig& operator=(const DemoRig&) = delete;

    // One frame as the loop runs it, onto the window's framebuffer (not presented).
    void frame(double dt);

    std::filesystem::path previousDir;
    std::unique_ptr<view::OpenGLwindow> window;
    std::unique_ptr<gl::ProgramManager> programs;
    std::unique_ptr<config::ModelCatalogue> catalogue;
    std::unique_ptr<config::SceneDescription> description;
    std::shared_ptr<scene::Particle> particle;
    std::unique_ptr<timeline::Timeline> timeline;
    std::unique_ptr<render::Renderer> renderer;
    std::unique_ptr<scene::Scene> scene;
};

}  // namespace orv::test

#pragma once

#include <memory>
#include <string>

#include "config/ModelCatalogue.h"
#include "gl/ProgramManager.h"
#include "scene/Particle.h"
#include "scene/Scene.h"
#include "scene/SceneObject.h"
#include "support/Scratch.h"
#include "timeline/Timeline.h"
#include "view/OpenGLwindow.h"

namespace orv::test {

// Everything a frame loop and a mesh draw need, built for real: a window
// of its own (64 x 48 unless asked otherwise) (its context is current while the rig lives), a root
// "Room" with one camera and one particle path, the main particle below it,
// a one-shot timeline and the Scene over them. Throws when no window can be
// opened. Destroying it deletes the GL objects of its members, then closes
// its window but leaves GLFW running, so a test binary's shared context
// survives. GL objects a test makes in the rig's context must go before the rig.
class SceneRig {
public:
    explicit SceneRig(const std::string& title = "scene rig", int width = 64, int height = 48);
    ~SceneRig();
    SceneRig(const SceneRig&) = delete;
    SceneRig& operator=(const SceneRig&) = delete;

    // Writes a program catalogue (whose shader files the test wrote into dir
    // beforehand) and compiles it in the rig's context.
    std::unique_ptr<gl::ProgramManager> loadPrograms(const std::string& catalogueYaml) const;

    ScratchDir dir;
    std::unique_ptr<view::OpenGLwindow> window;
    std::unique_ptr<gl::ProgramManager> programs;
    std::unique_ptr<config::ModelCatalogue> catalogue;
    std::shared_ptr<scene::SceneObject> root = std::make_shared<scene::SceneObject>();
    std::shared_ptr<scene::Particle> particle;
    std::unique_ptr<timeline::Timeline> timeline;
    std::unique_ptr<scene::Scene> scene;
};

}  // namespace orv::test

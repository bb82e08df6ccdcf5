#include "dev/DemoStage.h"

#include <stdexcept>

#include "config/ModelCatalogue.h"
#include "config/SceneDescription.h"
#include "dev/TimeKeys.h"
#include "gl/ProgramManager.h"
#include "problem/DemoFiles.h"
#include "problem/Diagnosis.h"
#include "render/Renderer.h"
#include "scene/Particle.h"
#include "scene/Scene.h"
#include "scene/SceneObject.h"
#include "timeline/Timeline.h"
#include "view/OpenGLwindow.h"

namespace orv::dev {

namespace {

// The player's own file names, so that a reload reads what a start reads.
constexpr const char* modelsFile = problem::files::models;
constexpr const char* sceneFile = problem::files::scene;
constexpr const char* sceneRootKey = problem::files::sceneRootKey;
constexpr const char* timelineFile = problem::files::timeline;

}  // namespace

DemoStage::DemoStage(view::OpenGLwindow& window, gl::ProgramManager& programs)
{
    catalogue_ = problem::Diagnosis::reading(
        modelsFile, [&] { return std::make_unique<config::ModelCatalogue>(modelsFile, programs); });
    description_ = problem::Diagnosis::reading(sceneFile, [&] {
        return std::make_unique<config::SceneDescription>(sceneFile, sceneRootKey, *catalogue_);
    });
    problem::Diagnosis::reading(modelsFile, [&] { catalogue_->load(); });
    for (const char* required : {"particle", "bounding_sphere"}) {
        if (catalogue_->find(required).empty())
            throw std::runtime_error(catalogue_->fileName() + ": no model \"" + required + "\" in the catalogue");
    }
    problem::Diagnosis::reading(sceneFile, [&] { description_->load(); });
    if (description_->root()->findMeshInstances("Room_Light").empty())
        throw std::runtime_error(std::string(sceneFile) + ": no node named \"Room_Light\" carrying a mesh");

    particle_ = std::make_shared<scene::Particle>(*catalogue_);
    description_->root()->addChild(particle_);
    particle_->loadModel();
    timeline_ = problem::Diagnosis::reading(timelineFile, [&] {
        return std::make_unique<timeline::Timeline>(timelineFile, description_->root(), window, particle_);
    });
    shots_ = app::measureShots(timelineFile, description_->root(), window, particle_, advanceFps);
    renderer_ = std::make_unique<render::Renderer>(description_->root(), programs, window, *catalogue_, particle_);
    renderer_->registerMeshInstances();
    scene_ = std::make_unique<scene::Scene>(window, *timeline_, *renderer_, particle_);
    scene_->setRoot(description_->root());
}

DemoStage::~DemoStage() = default;

void DemoStage::advanceTo(double seconds)
{
    // The capture's rule: a step whose end falls short of the start is silent.
    while (time_ + nextStep() + 1e-9 < seconds) {
        const double dt = nextStep();
        scene_->silentFrame(dt);
        time_ += dt;
        ++steps_;
    }
}

double DemoStage::nextStep() const { return app::FrameCapture::stepOf(steps_, advanceFps); }

void DemoStage::frame(double dt)
{
    scene_->frame(dt);
    time_ += dt;
    ++steps_;
}

std::size_t DemoStage::shotAt(double seconds) const { return TimeKeys::shotAt(seconds, shots_.starts); }

}  // namespace orv::dev

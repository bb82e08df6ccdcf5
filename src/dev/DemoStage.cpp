#include "dev/DemoStage.h"

#include <stdexcept>

#include "config/ModelCatalogue.h"
#include "config/SceneDescription.h"
#include "gl/ProgramManager.h"
#include "render/Renderer.h"
#include "scene/Particle.h"
#include "scene/Scene.h"
#include "scene/SceneObject.h"
#include "timeline/Timeline.h"
#include "view/OpenGLwindow.h"

namespace orv::dev {

namespace {

constexpr const char* modelsFile = "config/models.yaml";
constexpr const char* sceneFile = "config/scene.yaml";
constexpr const char* sceneRootKey = "main";
constexpr const char* timelineFile = "config/timeline.yaml";

// Ties whatever goes wrong in a step to the file being read.
template <typename Step>
decltype(auto) reading(const char* file, Step&& step)
{
    try {
        return step();
    } catch (const std::exception& error) {
        const std::string message = error.what();
        const std::string prefix = std::string(file) + ": ";
        throw std::runtime_error(message.rfind(prefix, 0) == 0 ? message : prefix + message);
    }
}

}  // namespace

DemoStage::DemoStage(view::OpenGLwindow& window, gl::ProgramManager& programs)
{
    catalogue_ = reading(modelsFile, [&] { return std::make_unique<config::ModelCatalogue>(modelsFile, programs); });
    description_ = reading(sceneFile, [&] {
        return std::make_unique<config::SceneDescription>(sceneFile, sceneRootKey, *catalogue_);
    });
    reading(modelsFile, [&] { catalogue_->load(); });
    for (const char* required : {"particle", "bounding_sphere"}) {
        if (catalogue_->find(required).empty())
            throw std::runtime_error(catalogue_->fileName() + ": no model \"" + required + "\" in the catalogue");
    }
    reading(sceneFile, [&] { description_->load(); });
    if (description_->root()->findMeshInstances("Room_Light").empty())
        throw std::runtime_error(std::string(sceneFile) + ": no node named \"Room_Light\" carrying a mesh");

    particle_ = std::make_shared<scene::Particle>(*catalogue_);
    description_->root()->addChild(particle_);
    particle_->loadModel();
    timeline_ = reading(timelineFile, [&] {
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

std::size_t DemoStage::shotAt(double seconds) const
{
    std::size_t shot = 0;
    while (shot + 1 < shots_.starts.size() && shots_.starts[shot + 1] <= seconds + 1e-9)
        ++shot;
    return shot;
}

}  // namespace orv::dev

#include "demo/Demo.h"

#include <algorithm>
#include <stdexcept>

#include <GL/glew.h>

#include "problem/DemoFiles.h"
#include "problem/Diagnosis.h"
#include "config/ModelCatalogue.h"
#include "config/SceneDescription.h"
#include "gl/ProgramManager.h"
#include "render/Renderer.h"
#include "scene/Particle.h"
#include "scene/Scene.h"
#include "scene/SceneObject.h"
#include "timeline/Timeline.h"
#include "view/OpenGLwindow.h"

namespace orv::demo {

namespace {

namespace files = problem::files;
using problem::Diagnosis;

std::string sizeOf(const view::OpenGLwindow& window)
{
    return std::to_string(window.width()) + " x " + std::to_string(window.height());
}

// Framebuffers the GL cannot make would leave every pass drawing into
// nothing, and an allocation that fails now tends to abort the process
// later: the start stops here with the file that sets the size.
void requireFramebufferSize(const view::OpenGLwindow& window)
{
    GLint texture = 0;
    GLint renderbuffer = 0;
    GLint viewport[2] = {0, 0};
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &texture);
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderbuffer);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    const int largest = std::min({texture, renderbuffer, viewport[0], viewport[1]});
    if (window.width() > largest || window.height() > largest) {
        throw std::runtime_error(std::string(files::window) + ": the resolution " + sizeOf(window) +
                                 " is larger than the GL makes framebuffers (at most " + std::to_string(largest) +
                                 " x " + std::to_string(largest) + "); give a smaller one");
    }
}

}  // namespace

Demo::Demo(view::OpenGLwindow& window, gl::ProgramManager& programs, const std::optional<std::string>& timelineText)
{
    requireFramebufferSize(window);
    times_.restart();
    catalogue_ = Diagnosis::reading(
        files::models, [&] { return std::make_unique<config::ModelCatalogue>(files::models, programs); });
    description_ = Diagnosis::reading(files::scene, [&] {
        return std::make_unique<config::SceneDescription>(files::scene, files::sceneRootKey, *catalogue_);
    });
    Diagnosis::reading(files::models, [&] { catalogue_->load(); });
    times_.mark("models: import, images, upload");
    times_.detail("model import (Assimp)", catalogue_->importMs());
    times_.detail("material images (decode, upload, mipmaps)", catalogue_->textures().loadMs());
    // The player's own models are looked for before the scene is built, so
    // that a catalogue without them is one error line, not that line after a
    // warning for every placement the scene could not fill.
    for (const char* required : {"particle", "bounding_sphere"}) {
        if (catalogue_->find(required).empty())
            throw std::runtime_error(catalogue_->fileName() + ": no model \"" + required + "\" in the catalogue");
    }
    Diagnosis::reading(files::scene, [&] { description_->load(); });
    times_.mark("scene file: import, tree");
    times_.detail("scene import (Assimp)", description_->importMs());
    times_.detail("scene images (decode, upload, mipmaps)", description_->textures().loadMs());
    // The renderer needs the lamp the room light sits in; the node lives in
    // the model file, so that is where the author has to look.
    if (description_->root()->findMeshInstances("Room_Light").empty()) {
        throw std::runtime_error(std::string(files::scene) + ": no node named \"Room_Light\" carrying a mesh in " +
                                 description_->modelPath() + " (the model file the scene names)");
    }

    particle_ = std::make_shared<scene::Particle>(*catalogue_);
    description_->root()->addChild(particle_);
    particle_->loadModel();
    const YAML::Node timelineDocument = Diagnosis::reading(files::timeline, [&] {
        return timelineText ? YAML::Load(*timelineText) : YAML::LoadFile(files::timeline);
    });
    timeline_ = Diagnosis::reading(files::timeline, [&] {
        return std::make_unique<timeline::Timeline>(files::timeline, timelineDocument, description_->root(), window,
                                                    particle_);
    });
    times_.mark("timeline");
    shots_ = ShotTimes::measure(files::timeline, timelineDocument, description_->root(), window, *catalogue_);
    times_.mark("shot times");

    renderer_ = std::make_unique<render::Renderer>(description_->root(), programs, window, *catalogue_, particle_);
    if (!renderer_->framebuffersComplete()) {
        throw std::runtime_error(std::string(files::window) + ": the GL cannot make framebuffers of " +
                                 sizeOf(window) + " (out of memory, or incomplete); give a smaller resolution");
    }
    renderer_->registerMeshInstances();
    times_.mark("renderer: passes, framebuffers, sky and sprite images");
    scene_ = std::make_unique<scene::Scene>(window, *timeline_, *renderer_, particle_);
    scene_->setRoot(description_->root());
}

Demo::~Demo() = default;

void Demo::advanceTo(double seconds) { scene_->advanceTo(seconds); }

void Demo::frame(double dt) { scene_->frame(dt); }

void Demo::advance(double dt) { scene_->advance(dt); }

double Demo::time() const { return scene_->time(); }

std::shared_ptr<scene::SceneObject> Demo::root() const { return description_->root(); }

}  // namespace orv::demo

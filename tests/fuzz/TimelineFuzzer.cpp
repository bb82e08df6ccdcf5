// The timeline file over a small fixed scene: two camera and two particle
// paths. Each input is built into a timeline and played for a few seconds, so
// shot switching, look-at keys, curves and the camera all see what it holds.
// The camera reads the window's framebuffer, so a hidden window is opened once.

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

#include <glm/gtc/matrix_transform.hpp>

#include "FuzzInput.h"
#include "config/ModelCatalogue.h"
#include "gl/ProgramManager.h"
#include "scene/Particle.h"
#include "scene/SceneObject.h"
#include "timeline/Timeline.h"
#include "view/OpenGLwindow.h"

namespace {

struct FixedScene {
    orv::fuzz::InputFile windowFile{"window.yaml"};
    orv::fuzz::InputFile emptyFile{"empty.yaml"};
    orv::fuzz::InputFile timelineFile{"timeline.yaml"};
    std::unique_ptr<orv::view::OpenGLwindow> window;
    std::unique_ptr<orv::gl::ProgramManager> programs;
    std::unique_ptr<orv::config::ModelCatalogue> catalogue;
    std::shared_ptr<orv::scene::SceneObject> root = std::make_shared<orv::scene::SceneObject>();

    FixedScene()
    {
        const std::string windowYaml = "OpenGLwindow:\n  title: fuzz\n  resolution: {x: 64, y: 48}\n";
        window = std::make_unique<orv::view::OpenGLwindow>(
            windowFile.write(reinterpret_cast<const std::uint8_t*>(windowYaml.data()), windowYaml.size()));
        window->setVisible(false);
        if (!window->init()) {
            std::fprintf(stderr, "timeline fuzzer: no window: %s\n", orv::view::OpenGLwindow::lastError().c_str());
            std::exit(1);
        }
        const std::string empty = "{}\n";
        const auto& emptyName = emptyFile.write(reinterpret_cast<const std::uint8_t*>(empty.data()), empty.size());
        programs = std::make_unique<orv::gl::ProgramManager>(emptyName);
        catalogue = std::make_unique<orv::config::ModelCatalogue>(emptyName, *programs);

        root->setName("Room");
        addPath("Camera001", {{0, 0, 0}, {4, 0, 0}, {4, 4, 1}});
        addPath("Camera002", {{-3, 2, 1}, {3, 2, 1}});
        addPath("Particle001", {{1, 1, 1}, {1, 5, 1}});
        addPath("Particle002", {{0, 0, 2}, {2, 0, 2}, {2, 2, 2}});
        root->update(0.0);
    }

    // Anchors with handles a third of the way to their neighbours.
    void addPath(const std::string& name, const std::vector<glm::vec3>& anchors)
    {
        for (std::size_t k = 0; k < anchors.size(); ++k) {
            const glm::vec3 a = anchors[k];
            const glm::vec3 in = k > 0 ? a - (a - anchors[k - 1]) / 3.0f : a;
            const glm::vec3 out = k + 1 < anchors.size() ? a + (anchors[k + 1] - a) / 3.0f : a;
            const std::string anchor = name + "_" + std::to_string(k);
            addMarker(anchor, a);
            addMarker(anchor + "_in", in);
            addMarker(anchor + "_out", out);
        }
    }
    void addMarker(const std::string& name, glm::vec3 at)
    {
        const auto marker = root->createChild();
        marker->setName(name);
        marker->setLocalMatrix(glm::translate(glm::mat4(1.0f), at));
    }
};

FixedScene* scene = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    orv::fuzz::silenceWarnings();
    // Static, so that its scratch folder is removed when the fuzzer exits.
    static FixedScene fixed;
    scene = &fixed;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string& file = scene->timelineFile.write(data, size);
    auto particle = std::make_shared<orv::scene::Particle>(*scene->catalogue);
    try {
        orv::timeline::Timeline timeline(file, scene->root, *scene->window, particle);
        // Eight seconds at 20 steps a second: past the end of every path at a sane speed.
        for (int step = 0; step < 160; ++step) {
            timeline.update(0.05);
            particle->update(0.05);
            (void)timeline.viewProjection();
            (void)timeline.currentInactiveTargets();
        }
    } catch (const std::exception&) {
        // A timeline that does not fit, or YAML that does not parse: reported to the author, not a fault.
    }
    return 0;
}

#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include <yaml-cpp/yaml.h>

namespace orv::config {
class ModelCatalogue;
}
namespace orv::scene {
class SceneObject;
}
namespace orv::view {
class OpenGLwindow;
}

namespace orv::demo {

// When each shot starts and when the last one finishes, on the demo clock.
struct ShotTimes {
    std::vector<double> starts;
    double end = 0.0;

    // When a shot ends: the next one's start, or the end of the last.
    double endOf(std::size_t shot) const { return shot + 1 < starts.size() ? starts[shot + 1] : end; }
    // The shot playing at a time: the last one started by then.
    std::size_t shotAt(double seconds) const { return shotAt(seconds, starts); }
    static std::size_t shotAt(double seconds, const std::vector<double>& starts);

    // Steps a timeline of its own over the scene tree, with a particle of
    // its own, at the clock's fixed steps; the demo that plays is not touched.
    // The timeline is the document read from timelineFile.
    static ShotTimes measure(const std::string& timelineFile, const YAML::Node& timeline,
                             const std::shared_ptr<scene::SceneObject>& root,
                             view::OpenGLwindow& window, const config::ModelCatalogue& catalogue);
};

}  // namespace orv::demo

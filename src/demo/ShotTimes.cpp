#include "demo/ShotTimes.h"

#include <iostream>
#include <sstream>

#include "scene/Particle.h"
#include "scene/Scene.h"
#include "timeline/Timeline.h"

namespace orv::demo {

namespace {

// A demo whose last shot never ends (a speed of 0) is measured this long at most.
constexpr double longestDemo = 3600.0;

}  // namespace

std::size_t ShotTimes::shotAt(double seconds, const std::vector<double>& starts)
{
    std::size_t shot = 0;
    // A start met to within rounding counts as reached: a seek lands on it exactly.
    while (shot + 1 < starts.size() && starts[shot + 1] <= seconds + 1e-9)
        ++shot;
    return shot;
}

ShotTimes ShotTimes::measure(const std::string& timelineFile, const YAML::Node& document,
                             const std::shared_ptr<scene::SceneObject>& root,
                             view::OpenGLwindow& window, const config::ModelCatalogue& catalogue)
{
    // The demo's own timeline has already said what it had to say about the file.
    std::ostringstream silenced;
    std::streambuf* previous = std::cerr.rdbuf(silenced.rdbuf());
    auto particle = std::make_shared<scene::Particle>(catalogue);
    timeline::Timeline timeline(timelineFile, document, root, window, particle);
    std::cerr.rdbuf(previous);

    ShotTimes shots;
    shots.starts.push_back(0.0);
    double time = 0.0;
    for (std::uint32_t step = 0; !timeline.isFinished() && time < longestDemo; ++step) {
        const double dt = scene::Scene::fixedStep(step);
        timeline.update(dt);
        time += dt;
        while (shots.starts.size() <= timeline.cameraShot())
            shots.starts.push_back(time);
    }
    shots.end = time;
    return shots;
}

}  // namespace orv::demo

#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>
#include <glm/vec4.hpp>
#include <yaml-cpp/yaml.h>

#include "problem/Problem.h"
#include "timeline/BezierPath.h"
#include "timeline/KeyCurve.h"
#include "timeline/ShotMotion.h"

namespace orv::view {
class OpenGLwindow;
}
namespace orv::scene {
class Particle;
class PerspectiveCamera;
class SceneObject;
}  // namespace orv::scene

namespace orv::timeline {

// The shots of the demo: the camera and the main particle fly along paths
// modelled as marker objects in the scene ("Camera001", "Particle001", ...),
// at the speeds, look-at points and light levels of the timeline file.
class Timeline {
public:
    // Reads the timeline file, creates the camera and builds the paths from
    // the marker objects below root (whose model matrices must be computed).
    // A timeline that does not fit its scene throws std::runtime_error with
    // one line naming the file; YAML errors propagate as they are.
    Timeline(const std::string& fileName, const std::shared_ptr<scene::SceneObject>& root, view::OpenGLwindow& window,
             std::shared_ptr<scene::Particle> particle);
    // The same from a document already parsed (the text of fileName as
    // `--dev` edits it before it is saved); messages still name fileName.
    Timeline(const std::string& fileName, const YAML::Node& document, const std::shared_ptr<scene::SceneObject>& root,
             view::OpenGLwindow& window, std::shared_ptr<scene::Particle> particle);
    ~Timeline();

    Timeline(const Timeline&) = delete;
    Timeline& operator=(const Timeline&) = delete;

    // One frame: shot switching, look-at point, particle light, one step of
    // the camera and of the particle.
    void update(double dt);

    // The render targets and effect switches that are off in the camera's shot.
    const std::vector<std::string>& currentInactiveTargets() const;

    glm::vec3 cameraPosition() const;
    glm::mat4 projection() const;
    glm::mat4 view() const;
    glm::mat4 viewProjection() const;

    scene::PerspectiveCamera& camera() { return *camera_; }
    std::size_t shotCount() const { return cameraMotions_.size(); }
    std::uint32_t cameraShot() const { return cameraShot_; }
    std::uint32_t particleShot() const { return particleShot_; }
    const std::vector<BezierPath>& cameraPaths() const { return cameraPaths_; }
    const std::vector<BezierPath>& particlePaths() const { return particlePaths_; }
    // Per shot: (x, y, z, key position); (0, 0, 0) stands for the main particle.
    const std::vector<std::vector<glm::vec4>>& lookAtKeys() const { return lookAtKeys_; }
    bool sync(std::size_t shot) const { return sync_.at(shot); }

    // A path marker as the scene holds it: its name and the model file it
    // came from (empty for the scene file's own nodes).
    struct Marker {
        std::string name;
        std::string source;
    };
    // The control-point count of each path that markers named prefix...
    // make, in order; throws std::runtime_error with the line the player
    // prints (naming fileName) when they do not make paths.
    static std::vector<std::size_t> pathShape(const std::string& fileName, const std::string& prefix,
                                              const std::vector<Marker>& markers);

    // What the player says, and plays on after, about a name of a shot's
    // "inactive_targets" that it does not know, and about a speed of 0 or
    // less in a velocity list (marks: the name, the list). The demo checker
    // says the same.
    static problem::Problem unknownInactiveName(const std::string& fileName, std::size_t shot, const std::string& name,
                                                const YAML::Mark& mark);
    static problem::Problem stoppingSpeed(const std::string& fileName, std::size_t shot, const std::string& velocityKey,
                                          float key, float speed, const YAML::Mark& mark);

    // The last shot's camera and particle paths are both done: nothing moves
    // along the timeline any more.
    bool isFinished() const;

    // The point the camera was last told to look at.
    const glm::vec3& lookAtTarget() const { return target_; }

    // How strongly the glow is added onto the lit scene in the camera's
    // shot: its "bloom" curve over the camera path's progress, 1 where the
    // shot has none.
    float bloomStrength() const { return bloomStrength_; }

    // The sparks the main particle throws from the start of a shot on
    // ("sparks"). A value the shot leaves out (NaN here), and every value in
    // a shot without "sparks", stays as the shots before left it.
    struct Sparks {
        float count;
        float lights;
        float intervalMs;
        float lifetimeMs;
        float speed;
        float startHue;
        float endHue;
    };

private:
    std::vector<BezierPath> buildPaths(const std::string& prefix, const scene::SceneObject& root) const;
    void readShot(const YAML::Node& shot, std::size_t index);
    void applySparks(const Sparks& sparks);
    glm::vec3 lookAtPoint() const;
    [[noreturn]] void reject(const std::string& what) const;

    view::OpenGLwindow& window_;
    std::shared_ptr<scene::Particle> particle_;
    std::shared_ptr<scene::PerspectiveCamera> camera_;
    std::string fileName_;
    YAML::Node document_;
    std::vector<BezierPath> cameraPaths_;
    std::vector<BezierPath> particlePaths_;
    std::vector<ShotMotion> cameraMotions_;
    std::vector<ShotMotion> particleMotions_;
    std::vector<std::vector<glm::vec4>> lookAtKeys_;
    std::vector<std::vector<std::string>> inactiveTargets_;
    std::uint32_t cameraShot_ = 0;
    std::uint32_t particleShot_ = 0;
    std::vector<KeyCurve> diffuseFactors_;
    std::vector<KeyCurve> bloomCurves_;
    // The strength of a shot whose curve has no segments: its one key's, or 1.
    std::vector<float> bloomHolds_;
    std::vector<Sparks> sparks_;
    float bloomStrength_ = 1.0f;
    // The particle shot whose sparks were applied last (none before the first update).
    std::int64_t sparksShot_ = -1;
    std::vector<bool> sync_;
    glm::vec3 target_{0.0f};
};

}  // namespace orv::timeline

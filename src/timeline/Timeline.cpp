#include "timeline/Timeline.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <iostream>
#include <limits>
#include <sstream>
#include <stdexcept>

#include "render/TargetNames.h"
#include "scene/Particle.h"
#include "scene/PerspectiveCamera.h"
#include "scene/SceneObject.h"

namespace orv::timeline {

namespace {

std::vector<glm::vec2> readKeys(const YAML::Node& list)
{
    std::vector<glm::vec2> keys;
    for (const auto& entry : list) {
        keys.emplace_back(entry[0].as<float>(), entry[1].as<float>());
    }
    return keys;
}

glm::vec3 translationOf(const scene::SceneObject& object) { return glm::vec3(object.modelMatrix()[3]); }

std::string ordinal(std::size_t shot) { return "shot " + std::to_string(shot + 1); }

}  // namespace

Timeline::Timeline(const std::string& fileName, const std::shared_ptr<scene::SceneObject>& root,
                   view::OpenGLwindow& window, std::shared_ptr<scene::Particle> particle)
    : Timeline(fileName, YAML::LoadFile(fileName), root, window, std::move(particle))
{
}

Timeline::Timeline(const std::string& fileName, const YAML::Node& document,
                   const std::shared_ptr<scene::SceneObject>& root, view::OpenGLwindow& window,
                   std::shared_ptr<scene::Particle> particle)
    : window_(window), particle_(std::move(particle)), fileName_(fileName), document_(document)
{
    camera_ = std::make_shared<scene::PerspectiveCamera>(root, window_);
    camera_->initProjection();
    cameraPaths_ = buildPaths("Camera", *root);
    particlePaths_ = buildPaths("Particle", *root);

    const YAML::Node shots = document_["shots"];
    if (!shots.IsSequence() || shots.size() == 0) {
        reject("\"shots\" must be a non-empty list of shots");
    }
    for (std::size_t i = 0; i < shots.size(); ++i) {
        readShot(shots[i], i);
    }
}

Timeline::~Timeline() = default;

void Timeline::reject(const std::string& what) const { throw std::runtime_error(fileName_ + ": " + what); }

std::vector<std::size_t> Timeline::pathShape(const std::string& fileName, const std::string& prefix,
                                             const std::vector<Marker>& markers)
{
    const auto reject = [&](const std::string& what) { throw std::runtime_error(fileName + ": " + what); };
    if (markers.size() % 3 != 0) {
        // Say where the markers come from: a model file with a node named
        // like a marker adds to the scene's count without the author knowing.
        std::vector<std::pair<std::string, std::vector<std::string>>> sources;
        for (const Marker& marker : markers) {
            auto found = std::find_if(sources.begin(), sources.end(),
                                      [&](const auto& entry) { return entry.first == marker.source; });
            if (found == sources.end())
                found = sources.insert(sources.end(), {marker.source, {}});
            found->second.push_back(marker.name);
        }
        std::string where;
        for (const auto& [source, names] : sources) {
            where += where.empty() ? "" : ", ";
            where += std::to_string(names.size()) + " in " + (source.empty() ? "the scene file" : source);
            if (!source.empty()) {
                where += " (";
                for (std::size_t i = 0; i < names.size(); ++i)
                    where += (i ? ", \"" : "\"") + names[i] + "\"";
                where += ")";
            }
        }
        reject("the scene has " + std::to_string(markers.size()) + " objects named \"" + prefix +
               "...\", not groups of three (anchor, incoming handle, outgoing handle): " + where);
    }
    std::vector<std::size_t> shape;
    int previous = 0;
    for (std::size_t i = 0; i < markers.size(); i += 3) {
        const std::string& name = markers[i].name;
        int number = 0;
        try {
            number = std::stoi(name.substr(prefix.size(), 3));
        } catch (const std::logic_error&) {
            reject("marker object \"" + name + "\" has no path number after \"" + prefix + "\"");
        }
        // A path is a run of groups with the same number; a new number starts the next path.
        if (shape.empty() || number != previous)
            shape.push_back(0);
        ++shape.back();
        previous = number;
    }
    return shape;
}

std::vector<BezierPath> Timeline::buildPaths(const std::string& prefix, const scene::SceneObject& root) const
{
    const auto markers = root.findObjects(prefix);
    std::vector<Marker> named;
    for (const auto& marker : markers) {
        std::string source;
        for (auto node = marker; node && source.empty(); node = node->parent())
            source = node->source();
        named.push_back({marker->name(), source});
    }
    const std::vector<std::size_t> shape = pathShape(fileName_, prefix, named);
    std::vector<BezierPath> paths;
    std::size_t next = 0;
    for (const std::size_t points : shape) {
        BezierPath& path = paths.emplace_back();
        for (std::size_t i = 0; i < points; ++i, next += 3) {
            path.addControlPoint(translationOf(*markers[next]), translationOf(*markers[next + 1]),
                                 translationOf(*markers[next + 2]));
        }
    }
    return paths;
}

void Timeline::readShot(const YAML::Node& shot, std::size_t index)
{
    const std::string which = ordinal(index);
    const YAML::Node cameraVelocity = shot["camera_velocity"];
    const YAML::Node particleVelocity = shot["particle_velocity"];
    const YAML::Node diffuseFactor = shot["diffuse_factor"];
    const YAML::Node inactiveTargets = shot["inactive_targets"];
    const YAML::Node lookAt = shot["look_at"];
    const YAML::Node bloom = shot["bloom"];
    const YAML::Node sparks = shot["sparks"];
    sync_.push_back(shot["sync"].as<bool>(false));

    const std::vector<glm::vec2> cameraKeys = readKeys(cameraVelocity);
    const std::vector<glm::vec2> particleKeys = readKeys(particleVelocity);
    const std::vector<glm::vec2> diffuseKeys = readKeys(diffuseFactor);
    const std::vector<glm::vec2> bloomKeys = readKeys(bloom);
    constexpr float keep = std::numeric_limits<float>::quiet_NaN();
    const auto sparksValue = [&](const char* key) {
        const YAML::Node value = sparks[key];
        return value.IsDefined() ? value.as<float>() : keep;
    };
    Sparks shotSparks{keep, keep, keep, keep, keep, keep, keep};
    if (sparks.IsDefined()) {
        if (!sparks.IsMap())
            reject(which + ": \"sparks\" must be a map of emission settings");
        shotSparks = {sparksValue("count"),       sparksValue("lights"), sparksValue("interval_ms"),
                      sparksValue("lifetime_ms"), sparksValue("speed"),  sparksValue("start_hue"),
                      sparksValue("end_hue")};
        // The sparks' shader divides by both.
        for (const auto& [key, value] : {std::pair{"interval_ms", shotSparks.intervalMs},
                                         std::pair{"lifetime_ms", shotSparks.lifetimeMs}}) {
            if (value <= 0.0f)
                reject(which + " \"sparks\" \"" + key + "\" is not above 0");
        }
    }
    std::vector<std::string> targets;
    for (const auto& entry : inactiveTargets) {
        const auto name = entry.as<std::string>();
        if (render::isKnownInactiveName(name)) {
            targets.push_back(name);
        } else {
            std::cerr << unknownInactiveName(fileName_, index, name, entry.Mark()).text() << std::endl;
        }
    }

    auto& keys = lookAtKeys_.emplace_back();
    for (const auto& entry : lookAt) {
        keys.emplace_back(entry[1].as<float>(), entry[2].as<float>(), entry[3].as<float>(), entry[0].as<float>());
    }
    inactiveTargets_.push_back(std::move(targets));

    const auto checkPath = [&](const std::vector<BezierPath>& paths, const char* prefix, const char* velocityKey,
                               const std::vector<glm::vec2>& velocity, const YAML::Node& list) {
        if (index >= paths.size()) {
            reject(which + " has no path: the scene has " + std::to_string(paths.size()) + " \"" + prefix +
                   "\" path(s) for " + std::to_string(index + 1) + " or more shots");
        }
        if (paths[index].segmentCount() > 0 && velocity.size() < 2) {
            reject(which + ": \"" + velocityKey + "\" needs at least two [key, speed] entries for its \"" + prefix +
                   "\" path");
        }
        for (const glm::vec2& key : velocity) {
            if (key.y <= 0.0f) {
                // Speeds ease into each key's value, so the path would never get past it.
                std::cerr << stoppingSpeed(fileName_, index, velocityKey, key.x, key.y, list.Mark()).text()
                          << std::endl;
                break;
            }
        }
    };
    checkPath(cameraPaths_, "Camera", "camera_velocity", cameraKeys, cameraVelocity);
    checkPath(particlePaths_, "Particle", "particle_velocity", particleKeys, particleVelocity);

    cameraMotions_.emplace_back(camera_, &cameraPaths_[index], cameraKeys);
    particleMotions_.emplace_back(particle_, &particlePaths_[index], particleKeys);
    diffuseFactors_.emplace_back(diffuseKeys);
    bloomCurves_.emplace_back(bloomKeys);
    bloomHolds_.push_back(bloomKeys.size() == 1 ? bloomKeys[0].y : 1.0f);
    sparks_.push_back(shotSparks);
}

void Timeline::applySparks(const Sparks& sparks)
{
    scene::Particle& particle = *particle_;
    const auto set = [](float value, auto&& apply) {
        if (!std::isnan(value))
            apply(value);
    };
    set(sparks.count, [&](float v) { particle.setSpawnParticleCount(v); });
    set(sparks.lights, [&](float v) { particle.setSpawnLightSourceCount(v); });
    set(sparks.intervalMs, [&](float v) { particle.setSpawnOffsetMs(v); });
    set(sparks.lifetimeMs, [&](float v) { particle.setLifetimeMs(v); });
    set(sparks.speed, [&](float v) { particle.setVelocityFactor(v); });
    const float startHue = std::isnan(sparks.startHue) ? particle.startHue() : sparks.startHue;
    const float endHue = std::isnan(sparks.endHue) ? particle.endHue() : sparks.endHue;
    particle.setHues(startHue, endHue);
}

problem::Problem Timeline::unknownInactiveName(const std::string& fileName, std::size_t shot, const std::string& name,
                                               const YAML::Mark& mark)
{
    return problem::Problem::at(fileName, mark,
                                ordinal(shot) + ": \"" + name +
                                    "\" in \"inactive_targets\" is neither a render target nor an effect switch",
                                "the player ignores it; the names are listed in docs/authoring.md");
}

problem::Problem Timeline::stoppingSpeed(const std::string& fileName, std::size_t shot, const std::string& velocityKey,
                                         float key, float speed, const YAML::Mark& mark)
{
    std::ostringstream what;
    what << ordinal(shot) << ": \"" << velocityKey << "\" has the speed " << speed << " at key " << key
         << "; the motion stops there for good";
    problem::Problem problem = problem::Problem::at(fileName, mark, what.str(), "give every key a speed above 0");
    problem.severity = problem::Problem::Severity::Warning;
    return problem;
}

void Timeline::update(double dt)
{
    const std::size_t shots = cameraMotions_.size();
    const std::uint32_t c = cameraShot_;
    if (cameraMotions_[c].isDone() && camera_->isOnRails() && (!sync_[c] || particleMotions_[c].isDone()) &&
        c + 1 < shots) {
        ++cameraShot_;
    }
    const std::uint32_t p = particleShot_;
    if (particleMotions_[p].isDone() && (!sync_[p] || cameraMotions_[p].isDone()) && p + 1 < shots) {
        ++particleShot_;
    }

    target_ = lookAtPoint();
    camera_->setTarget(target_);

    KeyCurve& bloom = bloomCurves_[cameraShot_];
    bloomStrength_ = bloom.isFinished() ? bloomHolds_[cameraShot_]
                                        : bloom.value(cameraPaths_[cameraShot_].progress());
    if (sparksShot_ != particleShot_) {
        sparksShot_ = particleShot_;
        applySparks(sparks_[particleShot_]);
    }

    KeyCurve& diffuse = diffuseFactors_[particleShot_];
    if (!diffuse.isFinished()) {
        particle_->setDiffuseFactor(diffuse.value(particlePaths_[particleShot_].progress()));
    }

    cameraMotions_[cameraShot_].update(dt);
    particleMotions_[particleShot_].update(dt);
}

glm::vec3 Timeline::lookAtPoint() const
{
    const std::vector<glm::vec4>& keys = lookAtKeys_[cameraShot_];
    const glm::vec3 particlePosition = particle_->position();
    const auto point = [&](const glm::vec4& key) {
        const glm::vec3 p(key);
        return p == glm::vec3(0.0f) ? particlePosition : p;
    };
    if (keys.empty()) {
        return particlePosition;
    }
    glm::vec3 target = point(keys[0]);
    if (keys.size() < 2) {
        return target;
    }
    const float progress = cameraPaths_[cameraShot_].progress();
    for (std::size_t i = 1; i < keys.size(); ++i) {
        if (keys[i].w > progress) {
            const float span = keys[i].w - keys[i - 1].w;
            // Two keys at one position: there is no line between them to follow.
            if (span == 0.0f) {
                return point(keys[i - 1]);
            }
            const float e = (progress - keys[i - 1].w) / span;
            return point(keys[i - 1]) * (1.0f - e) + point(keys[i]) * e;
        }
    }
    return target;
}

bool Timeline::isFinished() const
{
    const std::size_t last = cameraMotions_.size() - 1;
    return cameraShot_ == last && particleShot_ == last && cameraMotions_[last].isDone() &&
           particleMotions_[last].isDone();
}

const std::vector<std::string>& Timeline::currentInactiveTargets() const { return inactiveTargets_[cameraShot_]; }

glm::vec3 Timeline::cameraPosition() const { return camera_->position(); }

glm::mat4 Timeline::projection() const { return camera_->projection(); }

glm::mat4 Timeline::view() const { return camera_->view(); }

glm::mat4 Timeline::viewProjection() const { return camera_->viewProjection(); }

}  // namespace orv::timeline

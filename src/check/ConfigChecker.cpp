#include "check/ConfigChecker.h"

#include <algorithm>

#include "config/MeshSettings.h"
#include "config/YamlValues.h"
#include "problem/DemoFiles.h"
#include "problem/Diagnosis.h"
#include "render/TargetNames.h"
#include "timeline/Timeline.h"
#include "view/OpenGLwindow.h"

namespace orv::check {

using problem::Problem;
using problem::Diagnosis;
using problem::DemoConfig;
using problem::Named;
namespace files = problem::files;

DemoConfig ConfigChecker::run()
{
    DemoConfig config;
    window();
    programs(config);
    models(config);
    scene(config);
    timeline(config);
    return config;
}

bool ConfigChecker::parse(const std::string& file, YAML::Node& document)
{
    return sameAsPlayer(file, [&] { document = YAML::LoadFile(file); });
}

bool ConfigChecker::sameAsPlayer(const std::string& file, const std::function<void()>& step)
{
    try {
        step();
        return true;
    } catch (const std::exception& error) {
        report_.add(Diagnosis::of(file, error));
        return false;
    }
}

bool ConfigChecker::playerReadsNames(const std::string& file, const YAML::Node& document)
{
    // The loaders read every key as a name; a list fails there.
    return sameAsPlayer(file, [&] {
        for (const auto& entry : document)
            (void)entry.first.as<std::string>();
    });
}

void ConfigChecker::window()
{
    YAML::Node document;
    if (!parse(files::window, document))
        return;
    YamlShape shape(report_, files::window);
    // The player reads the title exactly so: what stops it is said its way.
    YAML::Node settings;
    if (!sameAsPlayer(files::window, [&] {
            settings = document["OpenGLwindow"];
            (void)settings["title"].as<std::string>();
        }))
        return;
    shape.knownKeys(document, {"OpenGLwindow"}, "the window file");
    if (!shape.isMap(settings, "\"OpenGLwindow\""))
        return;
    shape.knownKeys(settings, {"title", "full_screen", "resolution"}, "\"OpenGLwindow\"");
    shape.optionalBool(settings, "full_screen");
    const YAML::Node size = settings["resolution"];
    if (!size.IsDefined())
        return;
    if (!shape.isMap(size, "\"resolution\""))
        return;
    shape.knownKeys(size, {"x", "y"}, "\"resolution\"");
    int sides[2] = {1024, 768};
    const char* axes[2] = {"x", "y"};
    for (int i = 0; i < 2; ++i) {
        const YAML::Node side = size[axes[i]];
        if (side.IsDefined() && !shape.integer(side, "\"" + std::string(axes[i]) + "\""))
            return;
        if (side.IsDefined())
            sides[i] = side.as<int>();
    }
    if (const std::string fault = view::OpenGLwindow::sizeFault(sides[0], sides[1]); !fault.empty()) {
        Problem problem;
        problem.file = files::window;
        problem.what = fault;
        report_.add(problem);
    }
}

void ConfigChecker::programs(DemoConfig& config)
{
    YAML::Node document;
    YamlShape shape(report_, files::programs);
    if (!parse(files::programs, document) || !playerReadsNames(files::programs, document))
        return;
    config.programsRead = true;
    if (!document.IsMap())
        return;  // no programs: each one the renderer needs is reported missing
    for (const auto& entry : document) {
        DemoConfig::Program program;
        program.name = {entry.first.Scalar(), entry.first.Mark()};
        const std::string where = "program \"" + program.name.name + "\"";
        const YAML::Node settings = entry.second;
        if (!shape.isMap(settings, where))
            continue;
        shape.knownKeys(settings, {"source", "uniforms", "transform_feedback_varyings", "enable_depth_test"}, where);
        shape.optionalBool(settings, "enable_depth_test");
        const YAML::Node sources = settings["source"];
        if (!sources.IsDefined() || !shape.isList(sources, "\"source\" of " + where)) {
            if (!sources.IsDefined())
                shape.error(settings.Mark(), where + " has no \"source\"", "list its shader files under \"source\"");
            continue;
        }
        for (const auto& source : sources) {
            if (!shape.isMap(source, "a \"source\" entry of " + where))
                continue;
            shape.knownKeys(source, {"type", "file"}, "a \"source\" entry");
            DemoConfig::Stage stage;
            if (!sameAsPlayer(files::programs, [&] {
                    stage.type = config::requiredString(source, "type");
                    stage.file = {config::requiredString(source, "file"), source["file"].Mark()};
                }))
                continue;
            if (stage.type != "vertex" && stage.type != "geometry" && stage.type != "fragment") {
                shape.warn(source["type"].Mark(), where + ": shader type \"" + stage.type + "\" is not built",
                           "the types are vertex, geometry and fragment");
                continue;
            }
            program.stages.push_back(stage);
        }
        for (auto& [name, mark] : shape.names(settings, "uniforms"))
            program.uniforms.push_back({name, mark});
        for (auto& [name, mark] : shape.names(settings, "transform_feedback_varyings"))
            program.varyings.push_back({name, mark});
        config.programs.push_back(std::move(program));
    }
}

bool ConfigChecker::meshSettings(YamlShape& shape, const YAML::Node& entry, bool sceneNode, std::vector<Named>& targets)
{
    for (const char* flag : {"load_textures", "load_onto_gpu", "is_light_source", "parallax", "cast_shadow"})
        shape.optionalBool(entry, flag);
    if (sceneNode) {
        shape.optionalBool(entry, "ignore");
        shape.optionalBool(entry, "suppress_draw");
    }
    const YAML::Node rotation = entry["rotation"];
    if (rotation.IsDefined()) {
        if (!rotation.IsSequence() || rotation.size() != 3)
            shape.error(rotation.Mark(), "\"rotation\" is not three numbers; the player ignores it",
                        "write [x, y, z] in radians");
        else
            for (const auto& angle : rotation)
                shape.number(angle, "a \"rotation\" angle");
    }
    // The loaders' own reading, for the "targets" faults it raises.
    bool loadTextures = true;
    if (!sameAsPlayer(shape.file(), [&] { loadTextures = config::MeshSettings::read(entry).loadTextures; }))
        return loadTextures;
    for (auto& [name, mark] : shape.names(entry, "targets"))
        targets.push_back({name, mark});
    return loadTextures;
}

void ConfigChecker::environmentCube(YamlShape& shape, const YAML::Node& entry, DemoConfig::Model& model)
{
    const YAML::Node value = entry["environment_cube"];
    if (!value.IsDefined() || !shape.optionalBool(entry, "environment_cube"))
        return;
    model.environmentCube = value.as<bool>(false);
    model.environmentCubeMark = value.Mark();
    if (!model.environmentCube)
        return;
    // A name that is no pass at all is reported on its own, most likely a misspelt pass.
    const bool shows = std::any_of(model.targets.begin(), model.targets.end(), [](const Named& target) {
        const auto& passes = render::targets::renderOrder;
        return target.name == render::targets::reflection || target.name == render::targets::refraction ||
               std::find(passes.begin(), passes.end(), target.name) == passes.end();
    });
    if (!shows)
        shape.warn(value.Mark(),
                   "model \"" + model.name.name + "\" asks for an environment cube but is drawn by neither "
                   "\"reflection\" nor \"refraction\"",
                   "only those passes show the cube; add one of them to \"targets\"");
}

void ConfigChecker::models(DemoConfig& config)
{
    YAML::Node document;
    YamlShape shape(report_, files::models);
    if (!parse(files::models, document) || !playerReadsNames(files::models, document))
        return;
    config.modelsRead = true;
    if (!document.IsMap())
        return;  // no models: the ones the player needs are reported missing
    for (const auto& entry : document) {
        DemoConfig::Model model;
        model.name = {entry.first.Scalar(), entry.first.Mark()};
        const std::string where = "model \"" + model.name.name + "\"";
        if (!shape.isMap(entry.second, where))
            continue;
        shape.knownKeys(entry.second,
                        {"path", "targets", "load_textures", "load_onto_gpu", "is_light_source", "parallax",
                         "cast_shadow", "rotation", "environment_cube"},
                        where);
        if (!sameAsPlayer(files::models, [&] {
                model.path = {config::requiredString(entry.second, "path"), entry.second["path"].Mark()};
            }))
            continue;
        model.loadTextures = meshSettings(shape, entry.second, false, model.targets);
        environmentCube(shape, entry.second, model);
        config.models.push_back(std::move(model));
    }
}

void ConfigChecker::scene(DemoConfig& config)
{
    YAML::Node document;
    YamlShape shape(report_, files::scene);
    if (!parse(files::scene, document))
        return;
    // The scene description's own steps, so that what stops the player is said its way.
    YAML::Node settings;
    if (!sameAsPlayer(files::scene, [&] {
            const YAML::Node& root = document;
            settings = root[files::sceneRootKey];
            if (!settings.IsDefined() && !root.IsSequence())
                throw YAML::TypedBadConversion<std::string>(root.Mark());
            config.scenePath = {config::requiredString(settings, "path"), settings["path"].Mark()};
        }))
        return;
    shape.knownKeys(document, {files::sceneRootKey}, "the scene file");
    shape.knownKeys(settings, {"path", "models"}, "\"main\"");
    config.sceneRead = true;
    const YAML::Node models = settings["models"];
    if (models.IsDefined() && models.IsMap())
        config.sceneModels = models;
    if (!models.IsDefined() || models.IsNull() || !shape.isMap(models, "\"models\""))
        return;
    for (const auto& entry : models) {
        const std::string where = "node \"" + entry.first.Scalar() + "\"";
        if (!shape.isMap(entry.second, where))
            continue;
        shape.knownKeys(entry.second,
                        {"targets", "load_textures", "load_onto_gpu", "is_light_source", "parallax", "cast_shadow",
                         "rotation", "ignore", "suppress_draw"},
                        where);
        meshSettings(shape, entry.second, true, config.sceneTargets);
    }
}

void ConfigChecker::timeline(DemoConfig& config)
{
    YAML::Node document;
    YamlShape shape(report_, files::timeline);
    YAML::Node shots;
    // The timeline's look-up turns a list into a map of its positions.
    bool wasMap = false;
    if (!parse(files::timeline, document) || !(wasMap = document.IsMap(), true) || !sameAsPlayer(files::timeline, [&] { shots = document["shots"]; }))
        return;
    if (wasMap)
        shape.knownKeys(document, {"shots"}, "the timeline file");
    if (!shots.IsSequence() || shots.size() == 0) {
        report_.add(Diagnosis::of(files::timeline,
                                  std::runtime_error("\"shots\" must be a non-empty list of shots")));
        return;
    }
    config.timelineRead = true;
    config.shots = shots.size();
    for (std::size_t i = 0; i < shots.size(); ++i) {
        const YAML::Node shot = shots[i];
        const std::string which = "shot " + std::to_string(i + 1);
        config.shotMarks.push_back(shot.Mark());
        config.velocityKeys.emplace_back(2, 2);
        if (!shape.isMap(shot, which))
            continue;
        const auto entries = [&](const char* key) {
            const YAML::Node list = shot[key];
            return list.IsDefined() && list.IsSequence() ? list.size() : std::size_t{0};
        };
        config.velocityKeys.back() = {entries("camera_velocity"), entries("particle_velocity")};
        shape.knownKeys(shot,
                        {"camera_velocity", "particle_velocity", "diffuse_factor", "look_at", "inactive_targets",
                         "sync", "bloom", "sparks"},
                        which);
        shape.optionalBool(shot, "sync");
        for (const char* velocity : {"camera_velocity", "particle_velocity"}) {
            const auto keys = shape.keyCurve(shot[velocity], which + " \"" + velocity + "\"", 2);
            for (const auto& [key, speed] : keys) {
                if (speed <= 0.0f) {
                    report_.add(timeline::Timeline::stoppingSpeed(files::timeline, i, velocity, key, speed,
                                                                  shot[velocity].Mark()));
                    break;
                }
            }
        }
        shape.keyCurve(shot["diffuse_factor"], which + " \"diffuse_factor\"", 2);
        shape.keyCurve(shot["look_at"], which + " \"look_at\"", 4);
        shape.keyCurve(shot["bloom"], which + " \"bloom\"", 2);
        const YAML::Node sparks = shot["sparks"];
        if (sparks.IsDefined() && shape.isMap(sparks, which + " \"sparks\"")) {
            shape.knownKeys(sparks, {"count", "lights", "interval_ms", "lifetime_ms", "speed", "start_hue", "end_hue"},
                            which + " \"sparks\"");
            for (const auto& entry : sparks) {
                const std::string key = entry.first.as<std::string>();
                if (!shape.number(entry.second, which + " \"sparks\" \"" + key + "\""))
                    continue;
                if ((key == "interval_ms" || key == "lifetime_ms") && entry.second.as<float>() <= 0.0f)
                    shape.error(entry.second.Mark(), which + " \"sparks\" \"" + key + "\" is not above 0",
                                "the player stops at it; give a time above 0 milliseconds");
            }
        }
        for (const auto& [name, mark] : shape.names(shot, "inactive_targets")) {
            if (!render::isKnownInactiveName(name))
                report_.add(timeline::Timeline::unknownInactiveName(files::timeline, i, name, mark));
        }
    }
}

}  // namespace orv::check

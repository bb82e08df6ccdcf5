#include "check/DemoChecker.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <map>

#include "audio/Mp3Decoder.h"
#include "check/ConfigChecker.h"
#include "check/ModelChecker.h"
#include "config/ModelCatalogue.h"
#include "config/SceneDescription.h"
#include "gl/ShaderValidator.h"
#include "problem/DemoConfig.h"
#include "problem/DemoFiles.h"
#include "problem/Diagnosis.h"
#include "problem/PassNeeds.h"
#include "render/Cubemap.h"
#include "render/ParticleSystem.h"
#include "render/TargetNames.h"
#include "timeline/Timeline.h"

namespace orv::check {

using problem::Problem;
using problem::Report;
using problem::Diagnosis;
using problem::PassNeeds;
using problem::DemoConfig;
using problem::Named;
using gl::ShaderValidator;
namespace files = problem::files;

namespace {

bool isRenderTarget(const std::string& name)
{
    return std::any_of(render::targets::renderOrder.begin(), render::targets::renderOrder.end(),
                       [&](std::string_view target) { return target == name; });
}

void targets(const std::vector<Named>& names, const std::string& file, Report& report)
{
    std::string passes;
    for (std::string_view pass : render::targets::renderOrder)
        passes += (passes.empty() ? "" : ", ") + std::string(pass);
    for (const Named& target : names) {
        if (!isRenderTarget(target.name))
            report.error(file, target.mark, "\"" + target.name + "\" in \"targets\" is not a render pass",
                         "the passes are " + passes);
    }
}

Problem plain(const std::string& file, const std::string& what)
{
    return Diagnosis::of(file, std::runtime_error(file + ": " + what));
}

// The first node of the catalogue's models that answers name, as the
// catalogue's search finds it: the model keyed name, else the first node
// whose name contains it.
const config::NodeTree* findModel(const std::map<std::string, config::NodeTree>& models, const std::vector<std::string>& order,
                          const std::string& name)
{
    if (const auto keyed = models.find(name); keyed != models.end())
        return &keyed->second;
    for (const std::string& key : order) {
        std::vector<const config::NodeTree*> found;
        models.at(key).collect(name, found);
        if (!found.empty())
            return found.front();
    }
    return nullptr;
}

}  // namespace

Report DemoChecker::run()
{
    Report report;
    ConfigChecker configChecker(report);
    const DemoConfig config = configChecker.run();
    files_.insert({files::window, files::programs, files::models, files::scene, files::timeline});
    programs(config, report);
    ModelChecker models(report);
    scene(config, models, report);
    media(models, report);
    for (const auto& image : models.images())
        files_.insert(image.first);
    return report;
}

void DemoChecker::programs(const DemoConfig& config, Report& report)
{
    if (!config.programsRead)
        return;
    ShaderValidator validator;
    for (const PassNeeds& needs : PassNeeds::all()) {
        const auto program = std::find_if(config.programs.begin(), config.programs.end(),
                                          [&](const DemoConfig::Program& p) { return p.name.name == needs.program; });
        if (program == config.programs.end()) {
            report.add(PassNeeds::missingProgram(files::programs, needs.program));
            continue;
        }
        for (const std::string& uniform : needs.uniforms) {
            if (std::none_of(program->uniforms.begin(), program->uniforms.end(),
                             [&](const Named& u) { return u.name == uniform; }))
                report.add(PassNeeds::missingUniform(files::programs, program->name.mark, needs.program, uniform));
        }
        for (const std::string& varying : needs.varyings) {
            if (std::none_of(program->varyings.begin(), program->varyings.end(),
                             [&](const Named& v) { return v.name == varying; }))
                report.error(files::programs, program->name.mark,
                             "program \"" + needs.program + "\" does not capture \"" + varying + "\"",
                             "list it in \"transform_feedback_varyings\", in record order");
        }
    }
    // The cubes' program is needed only where a model asks for one.
    const bool hasCubeProgram =
        std::any_of(config.programs.begin(), config.programs.end(),
                    [](const DemoConfig::Program& p) { return p.name.name == render::environmentCubeProgram; });
    for (const DemoConfig::Model& model : config.models) {
        if (model.environmentCube && !hasCubeProgram)
            report.error(files::models, model.environmentCubeMark,
                         "model \"" + model.name.name + "\" asks for an environment cube, but " + files::programs +
                             " has no program \"" + std::string(render::environmentCubeProgram) + "\"",
                         "add the program (see the bundled demo's) or drop \"environment_cube\"");
    }
    // The edge smoothing program is optional; where it is there, the renderer sets its "scene".
    for (const DemoConfig::Program& program : config.programs) {
        if (program.name.name == render::edgeSmoothingProgram &&
            std::none_of(program.uniforms.begin(), program.uniforms.end(),
                         [](const Named& u) { return u.name == "scene"; }))
            report.add(PassNeeds::missingUniform(files::programs, program.name.mark, program.name.name, "scene"));
    }
    for (const DemoConfig::Program& program : config.programs) {
        validator.check(program, report);
        for (const DemoConfig::Stage& stage : program.stages)
            files_.insert(stage.file.name);
    }
}

void DemoChecker::scene(const DemoConfig& config, ModelChecker& models, Report& report)
{
    std::map<std::string, config::NodeTree> trees;
    std::vector<std::string> order;
    if (config.modelsRead) {
        for (const DemoConfig::Model& model : config.models) {
            targets(model.targets, files::models, report);
            auto tree = models.import(model.path.name, config::ModelCatalogue::importFlags, model.loadTextures,
                                      files::models, model.path.mark);
            files_.insert(model.path.name);
            if (!tree)
                continue;
            if (trees.count(model.name.name) == 0)
                order.push_back(model.name.name);
            trees[model.name.name] = std::move(*tree);
        }
        const bool complete = trees.size() == config.models.size();
        for (const char* required : {"particle", "bounding_sphere"}) {
            if (complete && findModel(trees, order, required) == nullptr)
                report.add(plain(files::models, "no model \"" + std::string(required) + "\" in the catalogue"));
        }
        if (const auto sphere = trees.find("bounding_sphere"); sphere != trees.end()) {
            const config::NodeTree& tree = sphere->second;
            if (!(tree.name == "BoundingSphere" && tree.hasMesh()) && !tree.hasMeshNamed("BoundingSphere"))
                report.add(plain(files::models, "the model \"bounding_sphere\" has no object named "
                                                "\"BoundingSphere\" carrying a mesh"));
        }
    }
    if (!config.sceneRead)
        return;
    targets(config.sceneTargets, files::scene, report);
    const auto holdsModel = [&](const std::string& model) { return findModel(trees, order, model) != nullptr; };
    auto scene = models.importScene(config.scenePath.name, config::SceneDescription::importFlags, config.sceneModels,
                                    holdsModel, files::scene, config.scenePath.mark);
    files_.insert(config.scenePath.name);
    if (!scene || !config.modelsRead || trees.size() != config.models.size())
        return;

    // The player's tree: "model-" nodes hold a copy of their model, and the
    // particle hangs below the root.
    const std::function<void(config::NodeTree&)> place = [&](config::NodeTree& node) {
        for (config::NodeTree& child : node.children) {
            if (child.model.empty()) {
                place(child);
                continue;
            }
            if (const config::NodeTree* found = findModel(trees, order, child.model)) {
                const std::string name = config::SceneDescription::placedNameOf(child.name);
                child = *found;
                child.name = name;
            } else {
                report.add(
                    config::SceneDescription::unknownModel(files::scene, child.name, child.model, files::models));
            }
        }
    };
    config::NodeTree root = std::move(*scene);
    place(root);
    if (const config::NodeTree* particle = findModel(trees, order, "particle")) {
        config::NodeTree part;
        part.name = "Part";
        part.children.push_back(*particle);
        root.children.push_back(std::move(part));
    }

    if (!root.hasMeshNamed("Room_Light"))
        report.add(plain(files::scene, "no node named \"Room_Light\" carrying a mesh"));
    if (config.timelineRead)
        shots(config, root, report);
}

void DemoChecker::shots(const DemoConfig& config, const config::NodeTree& root, Report& report)
{
    struct Paths {
        const char* prefix;
        const char* velocityKey;
        std::vector<std::size_t> shape;
        bool ok = true;
    };
    Paths paths[2] = {{"Camera", "camera_velocity", {}}, {"Particle", "particle_velocity", {}}};
    for (Paths& path : paths) {
        std::vector<const config::NodeTree*> found;
        root.collect(path.prefix, found);
        std::vector<timeline::Timeline::Marker> markers;
        for (const config::NodeTree* marker : found)
            markers.push_back({marker->name, marker->source});
        try {
            path.shape = timeline::Timeline::pathShape(files::timeline, path.prefix, markers);
        } catch (const std::runtime_error& error) {
            report.add(Diagnosis::of(files::timeline, error));
            path.ok = false;
        }
    }
    for (std::size_t shot = 0; shot < config.shots; ++shot) {
        for (Paths& path : paths) {
            if (!path.ok)
                continue;
            const std::string which = "shot " + std::to_string(shot + 1);
            if (shot >= path.shape.size()) {
                report.add(plain(files::timeline, which + " has no path: the scene has " +
                                                      std::to_string(path.shape.size()) + " \"" + path.prefix +
                                                      "\" path(s) for " + std::to_string(shot + 1) +
                                                      " or more shots"));
                path.ok = false;
                continue;
            }
            const auto& keys = config.velocityKeys[shot];
            const std::size_t entries = path.prefix[0] == 'C' ? keys.first : keys.second;
            if (path.shape[shot] > 1 && entries < 2)
                report.add(plain(files::timeline, which + ": \"" + path.velocityKey +
                                                      "\" needs at least two [key, speed] entries for its \"" +
                                                      path.prefix + "\" path"));
        }
    }
}

void DemoChecker::media(ModelChecker& images, Report& report)
{
    for (const char* face : render::Cubemap::faceFiles) {
        images.image(face);
    }
    images.image(render::ParticleSystem::spriteFile);

    std::ifstream in(files::music, std::ios::binary);
    files_.insert(files::music);
    if (!in) {
        report.add(plain(files::music, "the music file cannot be read; the demo plays silently"));
        return;
    }
    const std::vector<unsigned char> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    try {
        (void)audio::decodeMp3(data);
    } catch (const std::runtime_error& error) {
        report.add(plain(files::music, std::string(error.what()) + "; the demo plays silently"));
    }
}

int DemoChecker::checkFolder(const std::string& folder, std::ostream& out, std::ostream& err)
{
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    DemoChecker checker;
    const Report report = checker.run();
    std::filesystem::current_path(previous);
    report.print(err);
    if (report.errors() > 0)
        return 1;
    out << "orv --check: " << folder << ": no problems in " << checker.files_.size() << " files"
        << (report.warnings() > 0 ? " (" + std::to_string(report.warnings()) + " warning(s) above)" : "")
        << std::endl;
    return 0;
}

}  // namespace orv::check

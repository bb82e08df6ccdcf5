#include "config/MeshSettings.h"

#include "config/TextureCache.h"
#include "scene/Mesh.h"
#include "scene/MeshInstance.h"

namespace orv::config {

MeshSettings MeshSettings::read(const YAML::Node& entry)
{
    MeshSettings settings;
    settings.loadTextures = entry["load_textures"].as<bool>(true);
    settings.loadOntoGpu = entry["load_onto_gpu"].as<bool>(true);
    settings.isLightSource = entry["is_light_source"].as<bool>(false);
    settings.parallax = entry["parallax"].as<bool>(false);
    settings.castShadow = entry["cast_shadow"].as<bool>(false);
    settings.environmentCube = entry["environment_cube"].as<bool>(false);
    settings.ignore = entry["ignore"].as<bool>(false);
    settings.suppressDraw = entry["suppress_draw"].as<bool>(false);

    const YAML::Node targets = entry["targets"];
    settings.hasTargets = targets.IsDefined();
    if (settings.hasTargets && !targets.IsSequence() && !targets.IsNull())
        // A single name given without brackets would otherwise draw nothing, silently.
        throw YAML::TypedBadConversion<std::vector<std::string>>(targets.Mark());
    for (const YAML::Node& target : targets)
        settings.targets.push_back(target.as<std::string>());

    const YAML::Node rotation = entry["rotation"];
    if (rotation.IsDefined() && rotation.IsSequence() && rotation.size() == 3)
        settings.rotation = {rotation[0].as<float>(), rotation[1].as<float>(), rotation[2].as<float>()};
    return settings;
}

std::shared_ptr<scene::MeshInstance> MeshSettings::build(const aiMesh& imported, const aiScene& scene,
                                                         const std::string& directory, TextureCache& textures) const
{
    auto mesh = scene::Mesh::create(imported);
    mesh->setTargets(targets);
    if (loadTextures)
        textures.assignMaterialTextures(*mesh, imported, scene, directory);
    if (loadOntoGpu)
        mesh->upload();
    mesh->setLightSource(isLightSource);
    mesh->setParallax(parallax);
    mesh->setEnvironmentCube(environmentCube);
    mesh->setRotation(rotation);
    auto instance = mesh->createInstance();
    instance->setCastShadow(castShadow);
    return instance;
}

}  // namespace orv::config

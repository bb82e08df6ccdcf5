#include "support/LitRoom.h"

#include <cmath>
#include <filesystem>
#include <stdexcept>

#include <GLFW/glfw3.h>
#include <IL/il.h>
#include <glm/gtc/matrix_transform.hpp>

#include "scene/Mesh.h"
#include "scene/PerspectiveCamera.h"
#include "support/Scratch.h"

#include <assimp/mesh.h>

namespace orv::test {

namespace {

// An Assimp mesh of the given quads (four corners each, counter-clockwise
// seen from outside), every quad with its own flat normal.
std::unique_ptr<aiMesh> quadMesh(const std::string& name, const std::vector<std::array<glm::vec3, 4>>& quads)
{
    auto mesh = std::make_unique<aiMesh>();
    mesh->mName = aiString(name);
    mesh->mNumVertices = static_cast<unsigned>(quads.size() * 4);
    mesh->mVertices = new aiVector3D[mesh->mNumVertices];
    mesh->mNormals = new aiVector3D[mesh->mNumVertices];
    mesh->mNumFaces = static_cast<unsigned>(quads.size() * 2);
    mesh->mFaces = new aiFace[mesh->mNumFaces];
    for (unsigned q = 0; q < quads.size(); ++q) {
        const auto& c = quads[q];
        const glm::vec3 n = glm::normalize(glm::cross(c[1] - c[0], c[2] - c[0]));
        for (unsigned k = 0; k < 4; ++k) {
            mesh->mVertices[q * 4 + k] = aiVector3D(c[k].x, c[k].y, c[k].z);
            mesh->mNormals[q * 4 + k] = aiVector3D(n.x, n.y, n.z);
        }
        const unsigned triangles[2][3] = {{0, 1, 2}, {0, 2, 3}};
        for (unsigned t = 0; t < 2; ++t) {
            aiFace& face = mesh->mFaces[q * 2 + t];
            face.mNumIndices = 3;
            face.mIndices = new unsigned[3];
            for (unsigned k = 0; k < 3; ++k)
                face.mIndices[k] = q * 4 + triangles[t][k];
        }
    }
    return mesh;
}

std::vector<std::array<glm::vec3, 4>> boxQuads(const glm::vec3& lo, const glm::vec3& hi)
{
    const auto v = [&](int x, int y, int z) {
        return glm::vec3(x ? hi.x : lo.x, y ? hi.y : lo.y, z ? hi.z : lo.z);
    };
    return {
        {v(0, 1, 0), v(0, 1, 1), v(1, 1, 1), v(1, 1, 0)},  // top
        {v(0, 0, 0), v(1, 0, 0), v(1, 0, 1), v(0, 0, 1)},  // bottom
        {v(0, 0, 1), v(1, 0, 1), v(1, 1, 1), v(0, 1, 1)},  // +z
        {v(1, 0, 0), v(0, 0, 0), v(0, 1, 0), v(1, 1, 0)},  // -z
        {v(1, 0, 1), v(1, 0, 0), v(1, 1, 0), v(1, 1, 1)},  // +x
        {v(0, 0, 0), v(0, 0, 1), v(0, 1, 1), v(0, 1, 0)},  // -x
    };
}

std::shared_ptr<scene::MeshInstance> placeMesh(scene::SceneObject& parent, std::unique_ptr<aiMesh> imported,
                                               const glm::vec3& color, bool castShadow)
{
    auto mesh = scene::Mesh::create(*imported);
    mesh->setTargets({"deferred_render_geometry", "shadow_mapping"});
    mesh->upload();
    auto instance = mesh->createInstance();
    instance->setColor(color);
    instance->setCastShadow(castShadow);
    parent.addMeshInstance(instance);
    return instance;
}

}  // namespace

ReachLight::ReachLight(const glm::vec3& position, const glm::vec3& color, float reach)
{
    position_ = position;
    color_ = color;
    attenuationConstant_ = 0.0f;
    attenuationLinear_ = 0.0f;
    // Brightest intensity / (e * reach^2) = 1/256 at the reach.
    attenuationExp_ = 256.0f * std::max(diffuseIntensity_, specularIntensity_) / (reach * reach);
}

LitRoom::LitRoom(int w, int h, unsigned sparkCapacity) : rig("lit room", w, h), width(w), height(h)
{
    {
        WorkingDir demo(ORV_SOURCE_DIR "/demo");
        programs = std::make_unique<gl::ProgramManager>("config/gl_programs.yaml");
        programs->load();
    }
    catalogue = std::make_unique<config::ModelCatalogue>(
        rig.dir.write("config/models.yaml", "bounding_sphere:\n  path: " ORV_SOURCE_DIR
                                            "/demo/assets/models/bounding_sphere.gltf\n  load_textures: false\n")
            .string(),
        *programs);
    catalogue->load();

    const auto room = rig.root->createChild();
    room->setName("Lit room");
    floor = placeMesh(*room, quadMesh("Floor", {{glm::vec3(-10, 0, -10), glm::vec3(-10, 0, 10), glm::vec3(10, 0, 10),
                                                 glm::vec3(10, 0, -10)}}),
                      glm::vec3(0.8f), true);
    box = placeMesh(*room, quadMesh("Box", boxQuads({-0.5f, 0.0f, -0.5f}, {0.5f, 1.0f, 0.5f})),
                    glm::vec3(0.3f, 0.5f, 0.9f), true);
    rig.root->update(0.0);

    key = std::make_shared<scene::PointLight>();
    key->setPosition({-2.0f, 2.5f, 0.0f});
    key->setDiffuseFactor(0.6f);  // a brighter, farther-reaching light than the default
    key->setShadowCasting(true);
    spot = std::make_shared<ReachLight>(glm::vec3(4.0f, 0.5f, -4.0f), glm::vec3(1.0f, 0.6f, 0.3f), 3.0f);

    auto& camera = rig.timeline->camera();
    camera.setPosition({0.0f, 9.0f, 9.0f});
    camera.setTarget({0.0f, 0.0f, 0.0f});
    camera.setProjectionSize(width, height);
    camera.update(0.0);

    WorkingDir demo(ORV_SOURCE_DIR "/demo");  // the spark sprite is found from here
    shadows = std::make_shared<render::ShadowMapping>(*programs, std::vector<std::shared_ptr<scene::PointLight>>{key, spot},
                                                      *rig.window);
    sparks = std::make_shared<render::ParticleSystem>(*programs, sparkCapacity, rig.particle);
    geometry = std::make_shared<render::DeferredRenderGeometry>(*programs, *rig.window, *catalogue, shadows, sparks, 100);
    geometry->setLights({key, spot});
    for (const auto& instance : {floor, box}) {
        geometry->addDrawable(instance);
        shadows->addDrawable(instance);
    }
    glViewport(0, 0, width, height);
}

LitRoom::~LitRoom() { programs->deletePrograms(); }

void LitRoom::drawFrame()
{
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (shadows->isEnabled())
        shadows->draw(*rig.scene, *shadows);
    geometry->draw(*rig.scene, *geometry);
}

void LitRoom::playFrames(int frames, double dt)
{
    for (int i = 0; i < frames; ++i) {
        if (sparks->isEnabled())
            sparks->update(dt);
        drawFrame();
    }
}

std::shared_ptr<scene::MeshInstance> LitRoom::addBox(const std::string& name, const glm::vec3& lo, const glm::vec3& hi,
                                                     const glm::vec3& color, const glm::vec3& at)
{
    const auto node = rig.root->createChild();
    node->setName(name);
    node->setLocalMatrix(glm::translate(glm::mat4(1.0f), at));
    auto instance = placeMesh(*node, quadMesh(name, boxQuads(lo, hi)), color, false);
    rig.root->update(0.0);
    return instance;
}

void LitRoom::placeParticle(const glm::vec3& world)
{
    // The particle undoes the demo room's Z-up turn, which this room does not have.
    rig.particle->setPosition({world.x, world.z, -world.y});
    rig.root->update(0.0);
}

glm::ivec2 LitRoom::pixelOf(const glm::vec3& world) const
{
    const glm::vec4 clip = rig.timeline->viewProjection() * glm::vec4(world, 1.0f);
    const glm::vec2 ndc = glm::vec2(clip) / clip.w;
    return {static_cast<int>(std::floor((ndc.x * 0.5f + 0.5f) * static_cast<float>(width))),
            static_cast<int>(std::floor((ndc.y * 0.5f + 0.5f) * static_cast<float>(height)))};
}

glm::vec3 LitRoom::litSceneAt(const glm::ivec2& pixel) const
{
    if (pixel.x < 0 || pixel.y < 0 || pixel.x >= width || pixel.y >= height)
        throw std::out_of_range("pixel outside the window");
    std::vector<float> texels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    glBindTexture(GL_TEXTURE_2D, geometry->fbo().litSceneTexture());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_FLOAT, texels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    const std::size_t at = (static_cast<std::size_t>(pixel.y) * static_cast<std::size_t>(width) +
                            static_cast<std::size_t>(pixel.x)) * 3;
    return {texels[at], texels[at + 1], texels[at + 2]};
}

std::string savePicture(const std::string& name, const std::vector<std::uint8_t>& rgba, int width, int height)
{
    std::filesystem::create_directories(ORV_PICTURE_DIR);
    const std::string path = (std::filesystem::path(ORV_PICTURE_DIR) / name).string();
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    // GL hands rows bottom first, which is what DevIL calls a lower-left origin.
    ilTexImage(static_cast<ILuint>(width), static_cast<ILuint>(height), 1, 4, IL_RGBA, IL_UNSIGNED_BYTE,
               const_cast<std::uint8_t*>(rgba.data()));
    ilRegisterOrigin(IL_ORIGIN_LOWER_LEFT);
    ilEnable(IL_FILE_OVERWRITE);
    const bool saved = ilSaveImage(path.c_str());
    ilDeleteImages(1, &image);
    if (!saved)
        throw std::runtime_error("cannot save " + path);
    return path;
}

}  // namespace orv::test

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "render/DeferredRenderGeometry.h"
#include "render/GodrayPost.h"
#include "render/GodrayPre.h"
#include "render/MainParticle.h"
#include "render/ParticleSystem.h"
#include "render/TargetNames.h"
#include "scene/Mesh.h"
#include "scene/MeshInstance.h"
#include "scene/PerspectiveCamera.h"
#include "scene/RoomLight.h"
#include "scene/SceneObject.h"
#include "support/DemoRig.h"
#include "support/GLContext.h"

namespace {

using orv::render::Target;
using orv::scene::MeshInstance;

bool isPillar(const MeshInstance& instance) { return instance.meshName().find("Pillar") != std::string::npos; }

// The demo's eight column shafts and the plinth-and-capital under and over each.
constexpr std::size_t demoPillarParts = 16;

class RendererTest : public orv::test::GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        demo = std::make_unique<orv::test::DemoRig>();
    }
    void TearDown() override
    {
        demo.reset();
        GLTest::TearDown();
    }

    Target& target(std::string_view name) { return *demo->renderer->target(std::string(name)); }
    std::vector<std::shared_ptr<MeshInstance>> pillars(std::string_view in)
    {
        std::vector<std::shared_ptr<MeshInstance>> found;
        for (const auto& instance : target(in).drawables()) {
            if (isPillar(*instance))
                found.push_back(instance);
        }
        return found;
    }
    // Points the camera at a world point from another and renders one frame
    // without moving anything along the timeline.
    void renderLookingAt(const glm::vec3& from, const glm::vec3& at)
    {
        auto& camera = demo->timeline->camera();
        camera.setPosition(from);
        camera.setTarget(at);
        camera.update(0.0);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        demo->renderer->render(*demo->scene);
    }
    std::vector<std::uint8_t> screen()
    {
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        return orv::test::readPixels(0, 0, 320, 180);
    }

    std::unique_ptr<orv::test::DemoRig> demo;
};

TEST_F(RendererTest, PrepareTurnsOffWhatAShotListsForThatShotOnly)
{
    auto& renderer = *demo->renderer;
    const auto geometryPillars = pillars(orv::render::targets::deferredRenderGeometry);
    const auto shadowPillars = pillars(orv::render::targets::shadowMapping);
    ASSERT_EQ(geometryPillars.size(), demoPillarParts);
    ASSERT_EQ(shadowPillars.size(), demoPillarParts);
    const auto everythingOn = [&] {
        for (std::string_view name : orv::render::targets::renderOrder) {
            EXPECT_TRUE(target(name).isEnabled()) << name;
            EXPECT_TRUE(target(name).isBloomEnabled()) << name;
        }
        for (const auto& instance : target(orv::render::targets::deferredRenderGeometry).drawables()) {
            EXPECT_TRUE(instance->parallax());
            EXPECT_TRUE(instance->renderFlag());
        }
        for (const auto& pillar : shadowPillars)
            EXPECT_TRUE(pillar->castShadow());
        EXPECT_TRUE(demo->particle->shadowCasting());
        EXPECT_TRUE(renderer.roomLight()->shadowCasting());
    };
    renderer.prepare({});
    everythingOn();

    renderer.prepare({"bloom", "render_pillars", "shadowcast_pillars", "particle_shadows", "roomlight_shadows",
                      "parallax", "cubemap", "no_such_thing"});
    for (std::string_view name : orv::render::targets::renderOrder) {
        EXPECT_EQ(target(name).isEnabled(), name != orv::render::targets::cubemap) << name;
        EXPECT_FALSE(target(name).isBloomEnabled()) << name;
    }
    EXPECT_EQ(renderer.target("no_such_thing"), nullptr) << "unknown names add nothing";
    for (const auto& instance : target(orv::render::targets::deferredRenderGeometry).drawables()) {
        EXPECT_FALSE(instance->parallax());
        EXPECT_EQ(instance->renderFlag(), !isPillar(*instance)) << instance->meshName();
    }
    for (const auto& pillar : shadowPillars)
        EXPECT_FALSE(pillar->castShadow());
    EXPECT_FALSE(demo->particle->shadowCasting());
    EXPECT_FALSE(renderer.roomLight()->shadowCasting());

    renderer.prepare({});
    everythingOn();
}

// Hidden pillars still throw shadows and still block the light shafts.
TEST_F(RendererTest, HiddenPillarsStillCastShadowsAndOccludeShafts)
{
    demo->renderer->prepare({"render_pillars"});
    for (const auto& pillar : pillars(orv::render::targets::shadowMapping))
        EXPECT_TRUE(pillar->castShadow()) << "the shadow pass does not read the render flag";
    const auto geometryPillars = pillars(orv::render::targets::deferredRenderGeometry);
    EXPECT_TRUE(std::none_of(geometryPillars.begin(), geometryPillars.end(),
                             [](const auto& pillar) { return pillar->renderFlag(); }));
    EXPECT_EQ(pillars(orv::render::targets::godrayPre).size(), demoPillarParts);
}

TEST_F(RendererTest, SparksStopWhileTheMainParticleGoesOn)
{
    auto& renderer = *demo->renderer;
    auto& sparks = static_cast<orv::render::ParticleSystem&>(target(orv::render::targets::particleSystem));
    auto& main = static_cast<orv::render::MainParticle&>(target(orv::render::targets::mainParticle));
    auto& geometry = static_cast<orv::render::DeferredRenderGeometry&>(target(orv::render::targets::deferredRenderGeometry));
    demo->particle->setSpawnLightSourceCount(3.0f);
    demo->particle->setSpawnParticleCount(3.0f);
    renderer.prepare({});
    renderer.update(0.05);
    renderer.render(*demo->scene);
    EXPECT_EQ(geometry.lightsDrawn(), 2u + 3u);

    renderer.prepare({"particle_system"});
    renderer.update(0.05);
    EXPECT_DOUBLE_EQ(sparks.totalTime(), 0.05);
    EXPECT_DOUBLE_EQ(main.totalTime(), 0.1);
    renderer.render(*demo->scene);
    EXPECT_EQ(geometry.lightsDrawn(), 2u) << "only the fixed lights";
}

TEST_F(RendererTest, EveryInstanceReachesBothGodRayPasses)
{
    // An instance whose model names no targets at all.
    const auto mesh = std::make_shared<orv::scene::Mesh>();
    mesh->upload();
    const auto lone = mesh->createInstance();
    demo->root->createChild()->addMeshInstance(lone);
    // And one whose model names both cube-map surfaces.
    const auto glassMirror = std::make_shared<orv::scene::Mesh>();
    glassMirror->setTargets({"reflection", "refraction"});
    glassMirror->upload();
    const auto both = glassMirror->createInstance();
    demo->root->createChild()->addMeshInstance(both);
    orv::render::Renderer renderer(demo->root, *demo->programs, *demo->window, *demo->catalogue,
                                   demo->particle);
    renderer.registerMeshInstances();

    std::size_t instances = 0;
    const std::function<void(const orv::scene::SceneObject&)> count = [&](const orv::scene::SceneObject& object) {
        instances += object.meshInstances().size();
        for (const auto& child : object.children())
            count(*child);
    };
    count(*demo->root);
    for (std::string_view name : {orv::render::targets::godrayPre, orv::render::targets::godrayPost}) {
        const auto& drawables = renderer.target(std::string(name))->drawables();
        EXPECT_EQ(drawables.size(), instances) << name;
        EXPECT_NE(std::find(drawables.begin(), drawables.end(), lone), drawables.end()) << name;
    }
    for (std::string_view name : orv::render::targets::renderOrder) {
        if (name != orv::render::targets::godrayPre && name != orv::render::targets::godrayPost) {
            const auto& drawables = renderer.target(std::string(name))->drawables();
            EXPECT_EQ(std::find(drawables.begin(), drawables.end(), lone), drawables.end()) << name;
            const bool surface = name == orv::render::targets::reflection || name == orv::render::targets::refraction;
            EXPECT_EQ(std::count(drawables.begin(), drawables.end(), both), surface ? 1 : 0) << name;
        }
    }
}

TEST_F(RendererTest, MainParticleStepsAFrameEvery16Milliseconds)
{
    auto& main = static_cast<orv::render::MainParticle&>(target(orv::render::targets::mainParticle));
    main.update(0.016);
    EXPECT_EQ(main.currentFrame(), 1.0f);
    main.update(0.0);
    EXPECT_EQ(main.currentFrame(), 1.0f);
    main.update(0.7);
    EXPECT_EQ(main.currentFrame(), 44.0f);
    main.update(1.44 - 0.716);
    EXPECT_EQ(main.currentFrame(), 0.0f) << "90 frames, then again";
}

// The lamp straight ahead: in the middle of the screen; its shafts add light
// around it, and with the occlusion pass off they stay as they were.
TEST_F(RendererTest, ShaftsComeFromTheLampAndFreezeWithoutTheirOcclusionPass)
{
    auto& renderer = *demo->renderer;
    auto& pre = static_cast<orv::render::GodrayPre&>(target(orv::render::targets::godrayPre));
    const glm::vec3 lamp = renderer.roomLight()->position();
    const glm::vec3 eye = lamp + glm::vec3(0.0f, -3.0f, 6.0f);
    renderer.prepare({"particle_system", "main_particle"});
    renderLookingAt(eye, lamp);
    const glm::vec3 onScreen =
        orv::render::GodrayPost::screenPosition(demo->timeline->viewProjection(), lamp);
    EXPECT_NEAR(onScreen.x, 0.5f, 1e-4f);
    EXPECT_NEAR(onScreen.y, 0.5f, 1e-4f);
    EXPECT_GT(onScreen.z, 0.0f);
    EXPECT_LT(onScreen.z, 1.0f);
    const auto withShafts = screen();

    renderer.prepare({"particle_system", "main_particle", "godray_post"});
    renderLookingAt(eye, lamp);
    const auto without = screen();
    long added = 0;
    for (std::size_t i = 0; i < without.size(); ++i)
        added += static_cast<long>(withShafts[i]) - static_cast<long>(without[i]);
    EXPECT_GT(added, 320L * 180L) << "the shafts add light";
    EXPECT_GE(*std::min_element(withShafts.begin(), withShafts.end()), 0);

    const auto occlusion = [&] {
        std::vector<float> texels(static_cast<std::size_t>(pre.fbo().width()) * pre.fbo().height() * 3);
        glBindTexture(GL_TEXTURE_2D, pre.occlusionTexture());
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_FLOAT, texels.data());
        glBindTexture(GL_TEXTURE_2D, 0);
        return texels;
    };
    const auto before = occlusion();
    renderer.prepare({"particle_system", "main_particle", "godray_pre"});
    renderLookingAt(eye + glm::vec3(2.0f, 0.0f, 0.0f), lamp);
    EXPECT_EQ(occlusion(), before) << "frozen";
    renderer.prepare({"particle_system", "main_particle"});
    renderLookingAt(eye + glm::vec3(2.0f, 0.0f, 0.0f), lamp);
    EXPECT_NE(occlusion(), before);
}

// The mirror orb shows the sky even when the sky box itself is switched off.
TEST_F(RendererTest, ReflectionsKeepTheSkyWhenTheSkyBoxIsOff)
{
    auto& renderer = *demo->renderer;
    const auto& orbs = target(orv::render::targets::reflection).drawables();
    ASSERT_EQ(orbs.size(), 1u);
    const glm::vec3 orb = glm::vec3(orbs.front()->modelMatrix()[3]);
    // From in front of the orb, looking a little up: the orb low in the
    // frame, the sky above the far wall.
    const glm::vec3 eye = orb + glm::vec3(0.0f, 0.5f, 4.0f);
    const glm::vec3 at = eye + glm::vec3(0.0f, 0.25f, -1.0f);
    const glm::vec3 onOrb = orb + glm::vec3(0.0f, 0.2f, 0.55f);
    const auto pixel = [&](const std::vector<std::uint8_t>& image, const glm::vec3& world) {
        const glm::vec3 s = orv::render::GodrayPost::screenPosition(demo->timeline->viewProjection(), world);
        const int x = static_cast<int>(s.x * 320.0f);
        const int y = static_cast<int>(s.y * 180.0f);
        const std::size_t i = (static_cast<std::size_t>(y) * 320u + static_cast<std::size_t>(x)) * 4u;
        return glm::ivec3(image[i], image[i + 1], image[i + 2]);
    };
    renderer.prepare({"particle_system", "main_particle", "godray_post"});
    renderLookingAt(eye, at);
    const auto withSky = screen();
    const glm::vec3 skyPoint = eye + glm::vec3(0.0f, 0.8f, -1.0f) * 50.0f;
    const glm::ivec3 sky = pixel(withSky, skyPoint);
    ASSERT_GT(sky.r + sky.g + sky.b, 150) << "sky above the wall";
    const glm::ivec3 mirrored = pixel(withSky, onOrb);
    ASSERT_GT(mirrored.r + mirrored.g + mirrored.b, 60);

    renderer.prepare({"particle_system", "main_particle", "godray_post", "cubemap"});
    renderLookingAt(eye, at);
    const auto withoutSky = screen();

    // No sky box: the composition's night sky shows instead, dark and blue.
    const glm::ivec3 night = pixel(withoutSky, skyPoint);
    EXPECT_GT(night.b, night.r) << "a night sky where the sky box was";
    EXPECT_LT(night.r + night.g + night.b, (sky.r + sky.g + sky.b) / 2);
    EXPECT_EQ(pixel(withoutSky, onOrb), mirrored) << "the orb still mirrors the sky";
}

}  // namespace

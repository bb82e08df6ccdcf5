#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <vector>

#include <GLFW/glfw3.h>
#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include "render/LightVolume.h"
#include "scene/Particle.h"
#include "timeline/Timeline.h"
#include "support/GLContext.h"
#include "support/GlmExpect.h"
#include "support/LitRoom.h"

namespace {

using orv::test::LitRoom;

float brightness(const glm::vec3& c) { return std::max({c.r, c.g, c.b}); }

class DeferredLightingTest : public orv::test::GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        room = std::make_unique<LitRoom>();
    }
    void TearDown() override
    {
        room.reset();
        GLTest::TearDown();
    }

    std::unique_ptr<LitRoom> room;
};

TEST_F(DeferredLightingTest, ShadowFacesLookAlongTheCubeAxes)
{
    const auto matrices = room->shadows->faceMatrices(glm::vec3(0.0f));
    const glm::mat4 projection = glm::perspective(1.5707964f, 1.0f, 0.01f, 150.0f);
    const glm::vec3 directions[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    const glm::vec3 ups[6] = {{0, -1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}, {0, -1, 0}, {0, -1, 0}};
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        orv::test::expectNear(matrices[i], projection * glm::lookAt(glm::vec3(0.0f), directions[i], ups[i]));
        // A point straight ahead lands in the middle of its face.
        const glm::vec4 clip = matrices[i] * glm::vec4(directions[i] * 5.0f, 1.0f);
        EXPECT_NEAR(clip.x / clip.w, 0.0f, 1e-5f);
        EXPECT_NEAR(clip.y / clip.w, 0.0f, 1e-5f);
    }
}

// The face below the key light: the box top is nearer than the floor; with
// shadows off the face keeps what it had even after the box has moved.
TEST_F(DeferredLightingTest, CasterLeavesNearerDepthsAndAnIdleLightKeepsItsMap)
{
    room->key->setPosition({0.0f, 3.0f, 0.0f});
    room->spot->setShadowCasting(false);
    room->box->setRenderFlag(false);  // hidden from the geometry pass, still a caster
    room->shadows->draw(*room->rig.scene, *room->shadows);
    const auto readFace = [&] {
        std::vector<float> depth(1024 * 1024);
        glBindTexture(GL_TEXTURE_CUBE_MAP, room->key->shadowMap().cubeMap());
        glGetTexImage(GL_TEXTURE_CUBE_MAP_NEGATIVE_Y, 0, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
        glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
        return depth;
    };
    const auto before = readFace();
    const float centre = before[512 * 1024 + 512] * 150.0f;
    const float edge = before[512 * 1024 + 40] * 150.0f;  // far out on the floor, past the box
    EXPECT_NEAR(centre, 2.0f, 0.05f) << "box top, 2 below the light";
    EXPECT_GT(edge, 3.0f) << "floor, slanted away";
    EXPECT_LT(edge, 6.0f) << "floor, slanted away";

    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 160);
    EXPECT_EQ(viewport[3], 120);

    room->key->setShadowCasting(false);
    room->box->setLocalMatrix(glm::translate(glm::mat4(1.0f), glm::vec3(6.0f, 0.0f, 0.0f)));
    room->rig.root->update(0.0);
    room->shadows->draw(*room->rig.scene, *room->shadows);
    EXPECT_EQ(readFace(), before);

    room->key->setShadowCasting(true);
    room->shadows->draw(*room->rig.scene, *room->shadows);
    EXPECT_NEAR(readFace()[512 * 1024 + 512] * 150.0f, 3.0f, 0.05f) << "the floor, now that the box has gone";
}

// Light only inside a light's sphere, falling off with distance.
TEST_F(DeferredLightingTest, LightStaysInsideItsVolume)
{
    // A light of no reach (its attenuation is infinite) draws no volume at all.
    const auto dark = std::make_shared<orv::test::ReachLight>(glm::vec3(0.0f, 1.0f, 0.0f), glm::vec3(1.0f), 0.0f);
    room->geometry->setLights({room->spot, dark});
    room->drawFrame();
    const glm::vec3 near = room->litSceneAt(glm::vec3(4.0f, 0.0f, -3.2f));
    const glm::vec3 farther = room->litSceneAt(glm::vec3(4.0f, 0.0f, -2.0f));
    const glm::vec3 outside = room->litSceneAt(glm::vec3(4.0f, 0.0f, 0.5f));
    const glm::vec3 elsewhere = room->litSceneAt(glm::vec3(-3.0f, 0.0f, 2.0f));
    EXPECT_GT(brightness(near), 0.01f);
    EXPECT_GT(brightness(near), brightness(farther));
    EXPECT_GT(brightness(farther), 0.0f);
    EXPECT_EQ(outside, glm::vec3(0.0f));
    EXPECT_EQ(elsewhere, glm::vec3(0.0f));
    EXPECT_GT(near.r, near.b) << "the spot's orange colour";
    EXPECT_EQ(room->geometry->lightsDrawn(), 1u);
}

// Two floor points at the same distance from the key light, one behind the box.
TEST_F(DeferredLightingTest, ShadowDarkensOnlyWhileShadowMappingIsOn)
{
    room->geometry->setLights({room->key});
    const glm::vec3 behindBox(1.5f, 0.0f, 0.0f);
    const glm::vec3 inTheOpen(-2.0f, 0.0f, 3.5f);
    room->drawFrame();
    const float shadowed = brightness(room->litSceneAt(behindBox));
    const float open = brightness(room->litSceneAt(inTheOpen));
    EXPECT_GT(open, 0.1f);
    EXPECT_LT(shadowed, open * 0.4f);

    room->shadows->setEnabled(false);
    room->drawFrame();
    EXPECT_NEAR(brightness(room->litSceneAt(behindBox)), open, open * 0.15f);
}

TEST_F(DeferredLightingTest, WithoutDrawablesTheScreenKeepsItsClearColour)
{
    room->geometry->drawables().clear();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    room->geometry->draw(*room->rig.scene, *room->geometry);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    const auto pixels = orv::test::readPixels(80, 60, 1, 1);
    EXPECT_NEAR(pixels[0], 51, 1);
    EXPECT_NEAR(pixels[1], 102, 1);
    EXPECT_NEAR(pixels[2], 153, 1);
    EXPECT_EQ(room->geometry->lightsDrawn(), 0u);
}

// Bloom changes what reaches the screen (adding glow on the same tone curve),
// never the lit scene; the depth of
// the scene reaches the screen, so a forward draw behind the box is hidden.
TEST_F(DeferredLightingTest, BloomOnlyChangesCompositionAndDepthReachesTheScreen)
{
    glfwMakeContextCurrent(room->rig.window->handle());
    // One light rolls off below 1.1; the key twice over lights the floor
    // under it past 1.
    room->geometry->setLights({room->key, room->key, room->spot});
    room->geometry->setBloomEnabled(true);
    room->drawFrame();
    const glm::ivec2 lit = room->pixelOf({-2.0f, 0.0f, 0.0f});
    const glm::vec3 litBloom = room->litSceneAt(lit);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    const auto bloomed = orv::test::readPixels(lit.x, lit.y, 1, 1);

    room->geometry->setBloomEnabled(false);
    room->drawFrame();
    EXPECT_EQ(room->litSceneAt(lit), litBloom);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    const auto copied = orv::test::readPixels(lit.x, lit.y, 1, 1);
    EXPECT_NE(bloomed, copied);
    // Both go through the one tone curve: the glow only adds, and a lit
    // scene brighter than 1 still lands below white.
    ASSERT_GT(litBloom.r, 1.0f) << "the test wants a pixel the old clipping copy showed white";
    EXPECT_GT(copied[0], 128);
    EXPECT_LT(copied[0], 255) << "copy maps the lit scene through the tone curve";
    EXPECT_GE(bloomed[0], copied[0]);

    // The box top's depth, read back from the screen's own depth buffer.
    const glm::ivec2 boxTop = room->pixelOf({0.0f, 1.0f, 0.0f});
    float depth = 0.0f;
    glReadPixels(boxTop.x, boxTop.y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    const glm::vec4 clip = room->rig.timeline->viewProjection() * glm::vec4(0.0f, 1.0f, 0.0f, 1.0f);
    EXPECT_NEAR(depth, clip.z / clip.w * 0.5f + 0.5f, 1e-3f);
}

TEST_F(DeferredLightingTest, SparkLightsJoinOnlyWhileTheSystemIsEnabled)
{
    room->rig.particle->setSpawnParticleCount(6.0f);
    room->rig.particle->setSpawnLightSourceCount(4.0f);
    room->playFrames(1, 0.01);
    EXPECT_EQ(room->sparks->recordCount(), 1u + 6u * 6u) << "the emitter, six sparks and their thirty embers";
    EXPECT_EQ(room->geometry->lightsDrawn(), 2u + 4u);

    room->sparks->setEnabled(false);
    room->drawFrame();
    EXPECT_EQ(room->geometry->lightsDrawn(), 2u);
}

// Right under a light far brighter than the floor can show, its share rolls
// off to bright but short of 1.1, instead of the several times over that
// would wash out to white on screen; a second light still adds all of its
// own share.
TEST_F(DeferredLightingTest, EachLightRollsOffShortOfWhiteAndLightsStillAdd)
{
    room->key->setDiffuseFactor(1.0f);
    room->drawFrame();
    const glm::ivec2 under = room->pixelOf({-2.0f, 0.0f, 0.0f});
    const glm::vec3 one = room->litSceneAt(under);
    const float peak = std::max({one.r, one.g, one.b});
    EXPECT_GT(peak, 0.9f) << "still bright";
    EXPECT_LT(peak, 1.1f);
    EXPECT_NEAR(one.r, one.b, 1e-3f) << "a white light on a grey floor stays grey";

    room->geometry->setLights({room->key, room->key, room->spot});
    room->drawFrame();
    const glm::vec3 two = room->litSceneAt(under);
    EXPECT_NEAR(two.r, 2.0f * one.r, 1e-3f);
}

// The newest sparks come first in the records, each batch followed by its
// embers: ten lights and fifty embers a batch put the third batch's lights
// past record 100. The cap (100 here) is on lights, so all thirty light the
// room, the older ones too, not just those at the emitter.
TEST_F(DeferredLightingTest, SparkLightsPastTheFirstHundredRecordsJoin)
{
    room->rig.particle->setSpawnParticleCount(10.0f);
    room->rig.particle->setSpawnLightSourceCount(10.0f);
    room->rig.particle->setSpawnOffsetMs(10.0);
    room->playFrames(3, 0.01);
    ASSERT_EQ(room->sparks->recordCount(), 1u + 3u * 60u);
    EXPECT_EQ(room->geometry->lightsDrawn(), 2u + 30u);
}

// Every texel of the lit-scene texture, RGB floats, bottom row first.
std::vector<float> litScene(const LitRoom& room)
{
    std::vector<float> texels(static_cast<std::size_t>(room.width) * static_cast<std::size_t>(room.height) * 3);
    glBindTexture(GL_TEXTURE_2D, room.geometry->fbo().litSceneTexture());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_FLOAT, texels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return texels;
}

// Lighting each volume only inside its frame on the screen, the key light
// (whose volume holds the camera) in one pass without a stencil, and
// skipping a volume behind the camera lights exactly the pixels that marking
// every volume in the stencil over the whole screen lights.
TEST_F(DeferredLightingTest, FramedVolumesLightTheSamePixelsAsWholeScreenStencils)
{
    // One volume cut by the screen's left edge, one wholly behind the camera.
    const glm::vec3 edgePosition(-8.5f, 0.5f, 2.0f);
    const auto edge = std::make_shared<orv::test::ReachLight>(edgePosition, glm::vec3(0.4f, 1.0f, 0.5f), 2.5f);
    const auto behind = std::make_shared<orv::test::ReachLight>(glm::vec3(0.0f, 11.0f, 12.0f), glm::vec3(1.0f), 2.0f);
    room->geometry->setLights({room->key, room->spot, edge, behind});
    const auto& camera = *room->rig.timeline;
    const auto placed = [&](const orv::scene::PointLight& light) {
        return orv::render::LightVolume::place(light.position(), light.attenuationRadius(), camera.view(),
                                               camera.projection(), glm::vec2(room->width, room->height));
    };
    using Placement = orv::render::LightVolume::Placement;
    EXPECT_EQ(placed(*room->key).kind, Placement::Enclosing);
    EXPECT_EQ(placed(*behind).kind, Placement::Hidden);
    const Placement spotFrame = placed(*room->spot);
    ASSERT_EQ(spotFrame.kind, Placement::Framed);
    EXPECT_LT(spotFrame.rect.z * spotFrame.rect.w, room->width * room->height / 3) << "a small frame";
    const Placement edgeFrame = placed(*edge);
    ASSERT_EQ(edgeFrame.kind, Placement::Framed);
    EXPECT_EQ(edgeFrame.rect.x, 0) << "cut by the screen's edge";

    room->geometry->setVolumeFraming(false);
    room->drawFrame();
    const auto stencilled = litScene(*room);
    EXPECT_EQ(room->geometry->lightsDrawn(), 4u);
    EXPECT_EQ(room->geometry->enclosingLightsDrawn(), 0u);

    room->geometry->setVolumeFraming(true);
    room->drawFrame();
    const auto framed = litScene(*room);
    EXPECT_EQ(room->geometry->lightsDrawn(), 3u) << "the volume behind the camera is skipped";
    EXPECT_EQ(room->geometry->enclosingLightsDrawn(), 1u);

    ASSERT_EQ(framed.size(), stencilled.size());
    std::size_t differing = 0;
    for (std::size_t i = 0; i < framed.size(); ++i)
        differing += std::fabs(framed[i] - stencilled[i]) > 1e-3f * std::max(1.0f, stencilled[i]) ? 1 : 0;
    EXPECT_EQ(differing, 0u);
    // The edge light does reach the screen: green where its volume meets the floor.
    const glm::ivec2 underEdge = room->pixelOf(edgePosition + glm::vec3(1.0f, -0.5f, 0.0f));
    ASSERT_GE(underEdge.x, 0);
    EXPECT_GT(room->litSceneAt(underEdge).g, room->litSceneAt(underEdge).r);

    // A volume round the camera that reaches no surface lights nothing.
    const auto atCamera = std::make_shared<orv::test::ReachLight>(glm::vec3(0.0f, 8.5f, 8.5f), glm::vec3(1.0f), 3.0f);
    room->geometry->setLights({atCamera});
    room->drawFrame();
    EXPECT_EQ(room->geometry->enclosingLightsDrawn(), 1u);
    EXPECT_EQ(litScene(*room), std::vector<float>(framed.size(), 0.0f));
}

// A spark's light fades from its birth on: a newborn spark lights what a
// spark a moment older lights, not its whole volume at full strength, and
// nothing past the floor below which its light is dropped.
TEST_F(DeferredLightingTest, NewbornSparkLightFollowsItsFade)
{
    std::array<float, 14> record{};
    record[0] = 1.0f;
    const glm::vec3 at(2.0f, 0.5f, 2.0f);
    record[1] = at.x;
    record[2] = at.y;
    record[3] = at.z;
    record[12] = record[13] = 0.1f;
    const auto spark = std::make_shared<orv::scene::PointLight>();
    spark->setFromParticleRecord(record.data());
    room->geometry->setLights({spark});
    room->drawFrame();
    const auto newborn = litScene(*room);
    record[8] = 0.01f;
    spark->setFromParticleRecord(record.data());
    room->drawFrame();
    const auto older = litScene(*room);

    ASSERT_EQ(newborn.size(), older.size());
    std::size_t lit = 0;
    std::size_t differing = 0;
    for (std::size_t i = 0; i < newborn.size(); ++i) {
        lit += newborn[i] > 0.0f ? 1 : 0;
        differing += std::fabs(newborn[i] - older[i]) > 0.1f * older[i] + 1e-3f ? 1 : 0;
    }
    EXPECT_GT(lit, newborn.size() / 20) << "the newborn spark lights the floor around it";
    EXPECT_EQ(differing, 0u);
    // Seven units out what is left of its light is below the floor.
    record[8] = 0.0f;
    spark->setFromParticleRecord(record.data());
    room->drawFrame();
    EXPECT_GT(brightness(room->litSceneAt(at + glm::vec3(-1.0f, -0.5f, 0.0f))), 0.1f);
    EXPECT_EQ(room->litSceneAt(at + glm::vec3(-7.0f, -0.5f, 0.0f)), glm::vec3(0.0f));
}

}  // namespace

namespace {

// The whole chain at a size worth looking at: both lights with shadows,
// light-source sparks and bloom, then the sparks drawn over the lit scene.
// The picture goes to the build's picture folder.
TEST(DeferredLightingPicture, LitRoomWithSparksAndBloom)
{
    ASSERT_EQ(orv::test::ensureGLContext(), "");
    LitRoom room(640, 480);
    room.spot->setShadowCasting(true);
    auto& particle = *room.rig.particle;
    particle.setSpawnParticleCount(4.0f);
    particle.setSpawnLightSourceCount(1.0f);
    particle.setSpawnOffsetMs(100.0);
    particle.setLifetimeMs(2500.0);
    particle.setVelocityFactor(2.0f);
    particle.setHues(0.08f, 0.6f);
    room.placeParticle({0.8f, 1.6f, 0.8f});  // the sparks leave from beside the box
    for (int frame = 0; frame < 90; ++frame)
        room.sparks->update(1.0 / 60.0);
    room.drawFrame();

    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    const auto withoutSprites = orv::test::readPixels(0, 0, 640, 480);
    room.sparks->draw(*room.rig.scene, *room.sparks);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    const auto picture = orv::test::readPixels(0, 0, 640, 480);
    orv::test::savePicture("deferred-lighting.png", picture, 640, 480);

    // A light spark shines for half the lifetime: a dozen live, some out of view.
    EXPECT_GT(room.geometry->lightsDrawn(), 2u + 4u) << "spark lights join the two fixed lights";
    EXPECT_NE(picture, withoutSprites) << "the sprites show";
    std::size_t litPixels = 0;
    for (std::size_t i = 0; i < picture.size(); i += 4)
        litPixels += picture[i] + picture[i + 1] + picture[i + 2] > 60 ? 1 : 0;
    EXPECT_GT(litPixels, picture.size() / 4 / 5) << "the floor is lit around the lights";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include <GLFW/glfw3.h>
#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include "scene/Particle.h"
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

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include <glm/glm.hpp>
#include <gtest/gtest.h>

#include "render/GodrayPost.h"
#include "render/GodrayPre.h"
#include "scene/PerspectiveCamera.h"
#include "scene/RoomLight.h"
#include "support/GLContext.h"
#include "support/LitRoom.h"

namespace {

using orv::render::GodrayPost;
using orv::render::GodrayPre;
using orv::scene::Scene;

constexpr int width = 160;
constexpr int height = 120;
const glm::vec3 lampAt(0.0f, 3.0f, -8.0f);
const glm::vec3 eyeAt(0.0f, 3.0f, 8.0f);

// The shared lit room with a lamp hanging high at the far end and a thin
// pillar halfway between it and the camera, hiding the lamp: only the two
// god-ray passes are drawn, onto a black screen, so what the screen shows
// is the shafts alone.
class GodRays : public orv::test::GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        room = std::make_unique<orv::test::LitRoom>(width, height);
        lamp = room->addBox("Lamp", glm::vec3(-0.3f), glm::vec3(0.3f), glm::vec3(1.0f), lampAt);
        pillar = room->addBox("Pillar", {-0.5f, 0.0f, -0.5f}, {0.5f, 8.0f, 0.5f}, glm::vec3(0.5f));
        pre = std::make_shared<GodrayPre>(*room->programs, *room->rig.window,
                                          std::make_shared<orv::scene::RoomLight>(lamp));
        post = std::make_shared<GodrayPost>(*room->programs, pre);
        for (const auto& instance : {room->floor, room->box, pillar, lamp}) {
            pre->addDrawable(instance);
            post->addDrawable(instance);
        }
        look(eyeAt);
    }
    void TearDown() override
    {
        post.reset();
        pre.reset();
        lamp.reset();
        pillar.reset();
        room.reset();
        GLTest::TearDown();
    }

    void look(const glm::vec3& from, const glm::vec3& at = lampAt)
    {
        auto& camera = room->rig.timeline->camera();
        camera.setPosition(from);
        camera.setTarget(at);
        camera.update(0.0);
    }

    // Both passes onto a black screen; the screen's brightness (sum of RGB)
    // per pixel. Saves the picture under the given name, to look at.
    std::vector<int> shafts(const char* picture = nullptr)
    {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glViewport(0, 0, width, height);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        pre->draw(*room->rig.scene, *pre);
        post->draw(*room->rig.scene, *post);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        const auto rgba = orv::test::readPixels(0, 0, width, height);
        if (picture != nullptr)
            orv::test::savePicture(picture, rgba, width, height);
        std::vector<int> brightness;
        for (std::size_t i = 0; i < rgba.size(); i += 4)
            brightness.push_back(rgba[i] + rgba[i + 1] + rgba[i + 2]);
        return brightness;
    }
    // The brightness at a distance from the lamp's place on screen, in pixels,
    // in a direction given as an angle in degrees (0 to the right, 90 up).
    static int at(const std::vector<int>& image, const glm::vec2& centre, float distance, float degrees)
    {
        const float a = glm::radians(degrees);
        const int x = static_cast<int>(std::lround(centre.x + distance * std::cos(a)));
        const int y = static_cast<int>(std::lround(centre.y + distance * std::sin(a)));
        EXPECT_TRUE(x >= 0 && y >= 0 && x < width && y < height) << x << ", " << y;
        return image[static_cast<std::size_t>(std::clamp(y, 0, height - 1) * width + std::clamp(x, 0, width - 1))];
    }
    glm::vec2 lampPixel() const { return glm::vec2(room->pixelOf(lampAt)) + 0.5f; }

    std::unique_ptr<orv::test::LitRoom> room;
    std::shared_ptr<orv::scene::MeshInstance> lamp;
    std::shared_ptr<orv::scene::MeshInstance> pillar;
    std::shared_ptr<GodrayPre> pre;
    std::shared_ptr<GodrayPost> post;
};

// The pillar stands upright across the lamp: straight up and straight down
// from the lamp every march runs along the pillar and finds nothing bright,
// while beside it, and at every slant, the marches cross the lamp's glow.
// The marches start at the lamp, so the dark shaft runs on to the edge of
// the glow and beyond, as dark far out as close in.
// Without the pillar the same pixels above and below are as bright as those
// beside, and the shafts fade with the distance from the lamp. The occlusion
// image is made at half the frame's size.
TEST_F(GodRays, APillarInFrontOfTheLampCutsADarkShaftThroughItsGlow)
{
    EXPECT_EQ(pre->fbo().width(), static_cast<unsigned>(width / 2));
    EXPECT_EQ(pre->fbo().height(), static_cast<unsigned>(height / 2));
    const auto cut = shafts("godrays-pillar-cuts-glow.png");
    const glm::vec2 c = lampPixel();
    for (float distance : {22.0f, 30.0f}) {
        const int up = at(cut, c, distance, 90.0f);
        const int down = at(cut, c, distance, 270.0f);
        for (float beside : {0.0f, 30.0f, 150.0f, 180.0f, 210.0f, 330.0f}) {
            const int lit = at(cut, c, distance, beside);
            EXPECT_GT(lit, 10) << "a bright shaft at " << beside << " degrees, " << distance << " px";
            EXPECT_LT(up * 5, lit * 2) << "the pillar's shaft above is dark, " << distance << " px";
            EXPECT_LT(down * 5, lit * 2) << "the pillar's shaft below is dark, " << distance << " px";
        }
    }
    EXPECT_LE(at(cut, c, 45.0f, 90.0f), at(cut, c, 12.0f, 90.0f) + 3) << "the gap does not fill in far out";

    pillar->setRenderFlag(false);
    const auto open = shafts("godrays-open-glow.png");
    for (float distance : {12.0f, 22.0f, 45.0f}) {
        EXPECT_GT(at(open, c, distance, 90.0f), 4 * at(cut, c, distance, 90.0f)) << distance;
        EXPECT_GT(at(open, c, distance, 90.0f), 0.6 * at(open, c, distance, 0.0f)) << distance;
    }
    EXPECT_GT(at(open, c, 12.0f, 0.0f), at(open, c, 45.0f, 0.0f)) << "the shafts fade with the distance";
    // The frame's viewport is given back after the half-size passes.
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], width);
    EXPECT_EQ(viewport[3], height);
}

// The lamp leaving the view (here: behind the camera) fades the shafts out
// over fadeSeconds of demo time, step by step, and coming back fades them in:
// no single step takes them from nothing to full. The first draw shows them
// as they are at once.
TEST_F(GodRays, ShaftsFadeWithTheClockInsteadOfPopping)
{
    pillar->setRenderFlag(false);
    auto& scene = *room->rig.scene;
    for (unsigned i = 0; i < Scene::settlingSteps; ++i)
        scene.advance(Scene::maxStep);  // past the clock's tiny first steps
    look(eyeAt);  // the timeline's steps move the camera along its path
    const glm::vec2 c = lampPixel();
    const auto brightness = [&] { return at(shafts(), c, 20.0f, 90.0f); };
    const int full = brightness();
    EXPECT_EQ(post->visibility(), 1.0f) << "the first draw starts where the lamp is";
    EXPECT_GT(full, 60);

    // One clock step, then one frame looking at the lamp or away from it.
    const auto step = [&](bool atLamp) {
        scene.advance(Scene::maxStep);
        look(eyeAt, atLamp ? lampAt : eyeAt + (eyeAt - lampAt));
        return at(shafts(), c, 20.0f, 90.0f);
    };
    int steps = 0;
    for (float previous = 1.0f; post->visibility() > 0.0f && steps < 100; previous = post->visibility()) {
        step(false);
        ++steps;
        EXPECT_LT(post->visibility(), previous);
        EXPECT_LE(previous - post->visibility(), Scene::maxStep / GodrayPost::fadeSeconds + 1e-4);
    }
    EXPECT_NEAR(steps, std::ceil(GodrayPost::fadeSeconds / Scene::maxStep), 1.0);

    // Back in view: one step brings only a little of the glow back, enough steps all of it.
    EXPECT_LT(step(true), full / 4);
    EXPECT_GT(post->visibility(), 0.0f);
    EXPECT_LT(post->visibility(), 0.1f);
    for (int i = 0; i < static_cast<int>(std::ceil(GodrayPost::fadeSeconds / Scene::maxStep)); ++i)
        step(true);
    EXPECT_EQ(post->visibility(), 1.0f);
    EXPECT_NEAR(brightness(), full, 3);

    // Off screen to one side, slightly and far: partly and not at all.
    EXPECT_EQ(GodrayPost::visibilityAt({0.5f, 0.5f, 0.9f}), 1.0f);
    EXPECT_GT(GodrayPost::visibilityAt({1.2f, 0.5f, 0.9f}), 0.0f);
    EXPECT_LT(GodrayPost::visibilityAt({1.2f, 0.5f, 0.9f}), 1.0f);
    EXPECT_EQ(GodrayPost::visibilityAt({1.6f, 0.5f, 0.9f}), 0.0f);
    EXPECT_EQ(GodrayPost::visibilityAt({0.5f, 0.5f, 1.2f}), 0.0f) << "behind the camera";

    // A lamp nearer than the full distance gives less, the nearer the less, and nothing at the eye.
    EXPECT_EQ(GodrayPost::nearnessAt(GodrayPost::fullDistance), 1.0f);
    EXPECT_EQ(GodrayPost::nearnessAt(40.0f), 1.0f);
    EXPECT_FLOAT_EQ(GodrayPost::nearnessAt(GodrayPost::fullDistance / 2.0f), 0.25f);
    EXPECT_EQ(GodrayPost::nearnessAt(0.0f), 0.0f);
    EXPECT_EQ(GodrayPost::nearnessAt(-1.0f), 0.0f);
}

}  // namespace

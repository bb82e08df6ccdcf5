#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "render/Renderer.h"
#include "scene/GLErrors.h"
#include "support/DemoRig.h"
#include "support/GLContext.h"
#include "support/LitRoom.h"
#include "support/Pictures.h"

namespace {

using orv::test::Picture;

constexpr int width = 320;
constexpr int height = 180;

// Each 2 x 2 block of pixels averaged: what a half-size rendering should approach.
Picture halved(const Picture& picture, int w, int h)
{
    Picture out(static_cast<std::size_t>(w / 2) * static_cast<std::size_t>(h / 2) * 4);
    for (int y = 0; y < h / 2; ++y) {
        for (int x = 0; x < w / 2; ++x) {
            for (int c = 0; c < 4; ++c) {
                int sum = 0;
                for (int dy = 0; dy < 2; ++dy) {
                    for (int dx = 0; dx < 2; ++dx)
                        sum += picture[(static_cast<std::size_t>(2 * y + dy) * w + static_cast<std::size_t>(2 * x + dx)) * 4 + c];
                }
                out[(static_cast<std::size_t>(y) * (w / 2) + static_cast<std::size_t>(x)) * 4 + c] =
                    static_cast<std::uint8_t>((sum + 2) / 4);
            }
        }
    }
    return out;
}

Picture screen()
{
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    return orv::test::readPixels(0, 0, width, height);
}

// Draws the demo's current state again, as the frame loop would, without moving it.
void redraw(orv::test::DemoRig& demo)
{
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    demo.scene->draw();
}

// The bundled demo in its lamp-lit first shot, drawn at full size and again
// at half size from the same state: the half-size image (read from the
// output framebuffer) is the full frame averaged down, and the window shows
// it stretched over its whole size. The demo smooths its edges, so at every
// size the passes draw off screen and the window gets that picture with
// only its edge pixels changed. Changing the scale back and forth makes
// framebuffers of the new size and gives back the old ones, and back at 1
// the frame is the first one again.
TEST(RenderScale, HalfScaleDrawsTheSameFrameStretchedAndScaleChangesLeakNothing)
{
    ASSERT_EQ(orv::test::ensureGLContext(), "");
    const orv::test::LiveGLObjects before = orv::test::liveGLObjects();
    testing::internal::CaptureStderr();
    Picture full;
    Picture half;
    Picture stretched;
    Picture fullAgain;
    {
        orv::test::DemoRig demo(width, height);
        orv::render::Renderer& renderer = *demo.renderer;
        // Without the shafts: their beams come from the lantern's glazing in
        // a half-size occlusion image, where its bars are about a pixel wide,
        // so at a smaller size they thin into a glow.
        const std::vector<std::string> noShafts = {"godray_pre", "godray_post"};
        demo.scene->setOverrides(&noShafts);
        EXPECT_EQ(renderer.renderScale(), 1.0);
        ASSERT_TRUE(renderer.smoothsEdges());
        ASSERT_NE(renderer.outputFramebuffer(), 0u) << "full size draws off screen too, for the smoothing";
        demo.demo->advanceTo(10.0);
        demo.frame(0.1);
        full = screen();
        glBindFramebuffer(GL_READ_FRAMEBUFFER, renderer.outputFramebuffer());
        const Picture unsmoothed = orv::test::readPixels(0, 0, width, height);
        std::size_t changed = 0;
        for (std::size_t i = 0; i < full.size(); i += 4)
            changed += full[i] != unsmoothed[i] || full[i + 1] != unsmoothed[i + 1] || full[i + 2] != unsmoothed[i + 2];
        const double changedShare = static_cast<double>(changed) / (width * height);
        const orv::test::Difference smoothing = orv::test::compare(full, unsmoothed);
        std::printf("edge smoothing changed %.2f %% of the pixels, %.2f mean levels, %.2f %% off\n",
                    changedShare * 100.0, smoothing.meanLevels, smoothing.offShare * 100.0);
        EXPECT_GT(changed, 0u) << "the frame has edges to smooth";
        EXPECT_LT(changedShare, 0.5) << "flat areas keep their exact colour";
        EXPECT_LT(smoothing.meanLevels, 3.0) << "the same picture, softened";
        const orv::test::LiveGLObjects atFull = orv::test::liveGLObjects();

        renderer.setRenderScale(0.5);
        EXPECT_EQ(renderer.renderWidth(), 160u);
        EXPECT_EQ(renderer.renderHeight(), 90u);
        ASSERT_NE(renderer.outputFramebuffer(), 0u);
        EXPECT_TRUE(renderer.framebuffersComplete());
        redraw(demo);
        stretched = screen();
        glBindFramebuffer(GL_READ_FRAMEBUFFER, renderer.outputFramebuffer());
        half = orv::test::readPixels(0, 0, width / 2, height / 2);
        const orv::test::LiveGLObjects atHalf = orv::test::liveGLObjects();
        // The output framebuffer is remade at the new size, not added.
        orv::test::expectSameLiveGLObjects(atFull, atHalf);

        for (double scale : {0.75, 0.25, 0.3, 0.5}) {
            renderer.setRenderScale(scale);
            redraw(demo);
        }
        EXPECT_EQ(renderer.renderWidth(), 160u);
        orv::test::expectSameLiveGLObjects(atHalf, orv::test::liveGLObjects());
        renderer.setRenderScale(0.1);
        EXPECT_EQ(renderer.renderScale(), 0.25) << "clamped to the floor";
        EXPECT_EQ(renderer.renderWidth(), 80u);
        EXPECT_EQ(renderer.renderHeight(), 45u);
        renderer.setRenderScale(1.0);
        EXPECT_NE(renderer.outputFramebuffer(), 0u);
        orv::test::expectSameLiveGLObjects(atFull, orv::test::liveGLObjects());
        redraw(demo);
        fullAgain = screen();
        orv::scene::reportGLErrors();
    }
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(errors.find("GL error"), std::string::npos) << errors;
    EXPECT_EQ(errors.find("Framebuffer failed"), std::string::npos) << errors;
    orv::test::expectSameLiveGLObjects(before, orv::test::liveGLObjects());

    orv::test::savePicture("scale-full.png", full, width, height);
    orv::test::savePicture("scale-half.png", half, width / 2, height / 2);
    orv::test::savePicture("scale-half-stretched.png", stretched, width, height);

    const orv::test::Difference again = orv::test::compare(fullAgain, full);
    EXPECT_EQ(again.offShare, 0.0);
    EXPECT_LT(again.meanLevels, 0.05) << "back at full size, the same frame";

    // Edges and one-pixel details differ between the two sizes; what must
    // hold is the picture: the same lights, sky and shapes in the same places.
    const orv::test::Difference down = orv::test::compare(half, halved(full, width, height));
    std::printf("half vs full averaged down: %.2f mean levels, %.2f %% of pixels off\n", down.meanLevels,
                down.offShare * 100.0);
    EXPECT_LT(down.meanLevels, 6.0);
    EXPECT_LT(down.offShare, 0.08);
    const orv::test::Difference up = orv::test::compare(stretched, full);
    std::printf("half stretched vs full: %.2f mean levels, %.2f %% of pixels off\n", up.meanLevels,
                up.offShare * 100.0);
    EXPECT_LT(up.meanLevels, 8.0);
    EXPECT_LT(up.offShare, 0.10);
}

}  // namespace

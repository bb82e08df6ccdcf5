#include <chrono>
#include <cstdio>
#include <memory>

#include <gtest/gtest.h>

#include "scene/GLErrors.h"
#include "support/DemoRig.h"
#include "support/GLContext.h"
#include "support/LitRoom.h"

namespace {

// The bundled demo through the real renderer at 640 x 360, at a fixed five
// frames a second to 55 s in (the sparks' shot), the frames before the last
// two stepped without drawing: sky where the room is open, lit walls and
// floor, and the main particle glowing. The frame goes to the build's
// picture folder.
TEST(WholeFrame, DemoShowsSkyLitRoomAndTheParticle)
{
    ASSERT_EQ(orv::test::ensureGLContext(), "");
    testing::internal::CaptureStderr();
    std::vector<std::uint8_t> picture;
    int width = 0;
    int height = 0;
    glm::ivec2 particleAt{};
    {
        orv::test::DemoRig demo(640, 360);
        width = demo.window->width();
        height = demo.window->height();
        demo.demo->advanceTo(54.8);
        for (int i = 0; i < 2; ++i)
            demo.frame(0.2);
        orv::scene::reportGLErrors();
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        picture = orv::test::readPixels(0, 0, width, height);
        const glm::vec4 clip = demo.timeline->viewProjection() * glm::vec4(demo.particle->position(), 1.0f);
        particleAt = glm::ivec2((glm::vec2(clip) / clip.w * 0.5f + 0.5f) * glm::vec2(width, height));
    }
    const std::string errors = testing::internal::GetCapturedStderr();
    orv::test::savePicture("demo.png", picture, width, height);
    EXPECT_EQ(errors.find("GL error"), std::string::npos) << errors;

    const auto at = [&](int x, int y) {
        const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 4;
        return glm::ivec3(picture[i], picture[i + 1], picture[i + 2]);
    };
    // The top row looks past the wall tops into the sky: blue above all.
    const glm::ivec3 sky = at(width / 4, height - 2);
    EXPECT_GT(sky.b, sky.r) << "sky at the top of the frame";
    EXPECT_GT(sky.b, 60);
    std::size_t lit = 0;
    for (int y = 0; y < height / 2; ++y) {
        for (int x = 0; x < width; ++x)
            lit += at(x, y).r + at(x, y).g + at(x, y).b > 90 ? 1 : 0;
    }
    EXPECT_GT(lit, static_cast<std::size_t>(width * height / 10)) << "lit geometry in the lower half";
    ASSERT_TRUE(particleAt.x >= 0 && particleAt.y >= 0 && particleAt.x < width && particleAt.y < height)
        << "the particle is in view";
    const glm::ivec3 glow = at(particleAt.x, particleAt.y);
    EXPECT_GT(glow.r + glow.g + glow.b, 600) << "the main particle glows";
}

// The shot's "bloom" strength reaches the bloom program in every frame
// that composes the scene: 1 in a shot without keys, the curve's value in
// the peak.
TEST(WholeFrame, ShotBloomStrengthReachesTheBloomProgram)
{
    ASSERT_EQ(orv::test::ensureGLContext(), "");
    orv::test::DemoRig demo(320, 180);
    const GLuint bloom = demo.programs->programId("bloom");
    const GLint location = demo.programs->uniformLocation("bloom", "bloom_strength");
    ASSERT_GE(location, 0);
    const auto sent = [&] {
        GLfloat value = -1.0f;
        glGetUniformfv(bloom, location, &value);
        return value;
    };

    demo.demo->advanceTo(10.0);
    demo.frame(0.0);
    EXPECT_FLOAT_EQ(demo.timeline->bloomStrength(), 1.0f) << "shot 1 has no bloom keys";
    EXPECT_FLOAT_EQ(sent(), 1.0f);

    // The peak's first bar line: its keys raise the glow there.
    demo.demo->advanceTo(52.5);
    demo.frame(0.0);
    const float peak = demo.timeline->bloomStrength();
    EXPECT_GT(peak, 1.5f);
    EXPECT_FLOAT_EQ(sent(), peak);

    // A redraw after someone else set it still composes at the shot's strength.
    demo.programs->use("bloom");
    glUniform1f(location, 0.0f);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    demo.scene->draw();
    EXPECT_FLOAT_EQ(sent(), peak);
}

}  // namespace

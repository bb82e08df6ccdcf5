#include <algorithm>
#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include "DemoProgramsTest.h"
#include "gl/Handle.h"
#include "gl/ProgramManager.h"
#include "render/fbo/GodRayFBO.h"

using orv::render::fbo::GodRayFBO;

namespace {

constexpr int width = 32;
constexpr int height = 24;

// The demo's two composition programs, "copy" (bloom off) and "bloom", drawn
// over small float images into a float target and read back.
class Compose : public orv::test::DemoProgramsTest {
protected:
    void SetUp() override
    {
        DemoProgramsTest::SetUp();
        fbo.init(width, height, *programs);
        black = image([](int, int) { return 0.0f; });
    }

    // A grey float image, the value of each pixel from its column and row, bilinear like the lit scene.
    orv::gl::TextureHandle image(const std::function<float(int, int)>& value) const
    {
        std::vector<float> texels;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x)
                texels.insert(texels.end(), 3, value(x, y));
        }
        auto texture = orv::gl::TextureHandle::create();
        glBindTexture(GL_TEXTURE_2D, texture.name());
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB32F, width, height, 0, GL_RGB, GL_FLOAT, texels.data());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glBindTexture(GL_TEXTURE_2D, 0);
        return texture;
    }

    // The red channel of the composed picture, row by row from the bottom.
    std::vector<float> drawn()
    {
        std::vector<float> rgb(width * height * 3);
        glBindTexture(GL_TEXTURE_2D, fbo.blurTexture(0));
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_FLOAT, rgb.data());
        glBindTexture(GL_TEXTURE_2D, 0);
        std::vector<float> red;
        for (std::size_t i = 0; i < rgb.size(); i += 3)
            red.push_back(rgb[i]);
        return red;
    }

    void begin()
    {
        glBindFramebuffer(GL_FRAMEBUFFER, fbo.blurFramebuffer(0));
        glViewport(0, 0, width, height);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_BLEND);
        glClearColor(0.5f, 0.5f, 0.5f, 0.5f);
        glClear(GL_COLOR_BUFFER_BIT);
    }

    // Composition with bloom switched off, as the geometry pass draws it onto the screen.
    std::vector<float> copied(GLuint scene, float toScreen = 1.0f)
    {
        begin();
        programs->use("copy");
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, scene);
        glUniform1i(programs->uniformLocation("copy", "scene"), 0);
        glUniform1f(programs->uniformLocation("copy", "to_screen"), toScreen);
        fbo.drawQuad();
        glUniform1f(programs->uniformLocation("copy", "to_screen"), 0.0f);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        return drawn();
    }

    std::vector<float> bloomed(GLuint scene, GLuint blur)
    {
        begin();
        programs->use("bloom");
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, scene);
        glActiveTexture(GL_TEXTURE1);
        glBindTexture(GL_TEXTURE_2D, blur);
        glUniform1i(programs->uniformLocation("bloom", "scene"), 0);
        glUniform1i(programs->uniformLocation("bloom", "blur"), 1);
        fbo.drawQuad();
        glActiveTexture(GL_TEXTURE0);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        return drawn();
    }

    static float at(const std::vector<float>& values, int x, int y) { return values[y * width + x]; }

    GodRayFBO fbo;
    orv::gl::TextureHandle black;
};

TEST_F(Compose, OneToneCurveWithAndWithoutBloomThatNeverReachesWhite)
{
    // Flat images: no edges to smooth, and nothing blurred to add.
    std::vector<float> mapped;
    for (float value : {0.0f, 0.05f, 0.25f, 0.5f, 1.0f, 2.0f, 8.0f, 100.0f, 1.0e6f}) {
        const auto flat = image([value](int, int) { return value; });
        const auto withoutBloom = copied(flat.name());
        const auto withBloom = bloomed(flat.name(), black.name());
        for (int i = 0; i < width * height; ++i) {
            ASSERT_NEAR(withBloom[i], withoutBloom[i], 1e-6f) << "input " << value << ", pixel " << i;
            ASSERT_EQ(withoutBloom[i], withoutBloom[0]) << "input " << value << ", pixel " << i;
        }
        mapped.push_back(withoutBloom[0]);
    }
    EXPECT_EQ(mapped.front(), 0.0f);
    // Rising all the way, with a shoulder instead of a clip: even a huge input stays off white.
    for (std::size_t i = 1; i < mapped.size(); ++i)
        EXPECT_GT(mapped[i], mapped[i - 1]) << i;
    EXPECT_LT(mapped.back(), 1.0f);
    EXPECT_LT(mapped.back() * 255.0f, 254.5f) << "the brightest input must not round to 8-bit white";
    // Mid-grey lands in the middle of the screen's range, not in the toe or on the shoulder.
    EXPECT_GT(mapped[3], 0.3f);
    EXPECT_LT(mapped[3], 0.7f);

    // Bloom adds glow on top of the same curve: brighter, but still below white.
    const auto grey = image([](int, int) { return 0.5f; });
    const auto glow = image([](int, int) { return 1.0f; });
    const auto glowing = bloomed(grey.name(), glow.name());
    EXPECT_GT(at(glowing, 5, 5), mapped[3]);
    EXPECT_LT(at(glowing, 5, 5), 1.0f);

    // The blur chain adds its levels with "copy" too: there it stays a plain copy, without the curve.
    const auto raw = copied(grey.name(), 0.0f);
    EXPECT_EQ(*std::min_element(raw.begin(), raw.end()), 0.5f);
    EXPECT_EQ(*std::max_element(raw.begin(), raw.end()), 0.5f);
}

TEST_F(Compose, EdgeSmoothingSoftensADiagonalAndLeavesFlatAreasAlone)
{
    // A hard stair-stepped diagonal between bright and dark.
    const auto edge = image([](int x, int y) { return x > y + 4 ? 2.0f : 0.05f; });
    const auto dark = copied(image([](int, int) { return 0.05f; }).name());
    const auto bright = copied(image([](int, int) { return 2.0f; }).name());
    const float low = dark[0];
    const float high = bright[0];

    for (bool bloom : {false, true}) {
        const auto smoothed = bloom ? bloomed(edge.name(), black.name()) : copied(edge.name());
        int between = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const float value = at(smoothed, x, y);
                ASSERT_GE(value, low - 1e-5f) << x << ", " << y;
                ASSERT_LE(value, high + 1e-5f) << x << ", " << y;
                const int fromEdge = x - (y + 4);
                if (fromEdge > 3 || fromEdge < -3) {
                    // Away from the edge the picture is exactly the flat tone-mapped value.
                    ASSERT_EQ(value, fromEdge > 0 ? high : low) << x << ", " << y << (bloom ? " bloom" : "");
                } else if (value > low + 0.1f * (high - low) && value < high - 0.1f * (high - low)) {
                    ++between;
                }
            }
        }
        // Along the diagonal (about twenty steps in view) intermediate values appear.
        EXPECT_GE(between, 15) << (bloom ? "bloom" : "copy");
    }
}

}  // namespace

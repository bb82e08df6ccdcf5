#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <glm/matrix.hpp>
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
        // As in the frame, the compositions read the scene's depth on unit 2: a mesh everywhere unless a test says.
        nearDepth = depthImage([](int, int) { return 0.5f; });
        for (const char* program : {"copy", "bloom"}) {
            programs->use(program);
            glUniform1i(programs->uniformLocation(program, "scene_depth"), 2);
        }
        useDepth(nearDepth);
    }

    static void useDepth(const orv::gl::TextureHandle& depth)
    {
        glActiveTexture(GL_TEXTURE2);
        glBindTexture(GL_TEXTURE_2D, depth.name());
        glActiveTexture(GL_TEXTURE0);
    }

    static orv::gl::TextureHandle depthImage(const std::function<float(int, int)>& value)
    {
        std::vector<float> depths;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x)
                depths.push_back(value(x, y));
        }
        auto texture = orv::gl::TextureHandle::create();
        glBindTexture(GL_TEXTURE_2D, texture.name());
        glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT32F, width, height, 0, GL_DEPTH_COMPONENT, GL_FLOAT,
                     depths.data());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glBindTexture(GL_TEXTURE_2D, 0);
        return texture;
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

    // All three channels of what draw composes, row by row from the bottom.
    std::vector<float> composedColour(const std::function<void()>& draw)
    {
        draw();
        std::vector<float> rgb(width * height * 3);
        glBindTexture(GL_TEXTURE_2D, fbo.blurTexture(0));
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_FLOAT, rgb.data());
        glBindTexture(GL_TEXTURE_2D, 0);
        return rgb;
    }

    static float at(const std::vector<float>& values, int x, int y) { return values[y * width + x]; }

    GodRayFBO fbo;
    orv::gl::TextureHandle black;
    orv::gl::TextureHandle nearDepth;
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
    // A hard stair-stepped diagonal between bright and dark, as the finished frame holds it.
    // (Both exact in the half floats the test's target holds.)
    constexpr float low = 0.0625f;
    constexpr float high = 0.875f;
    const auto edge = image([](int x, int y) { return x > y + 4 ? high : low; });
    begin();
    programs->use("edge_smoothing");
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, edge.name());
    glUniform1i(programs->uniformLocation("edge_smoothing", "scene"), 0);
    fbo.drawQuad();
    const auto smoothed = drawn();

    int between = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const float value = at(smoothed, x, y);
            ASSERT_GE(value, low - 1e-5f) << x << ", " << y;
            ASSERT_LE(value, high + 1e-5f) << x << ", " << y;
            const int fromEdge = x - (y + 4);
            if (fromEdge > 3 || fromEdge < -3) {
                // Away from the edge the picture is exactly what it was.
                ASSERT_EQ(value, fromEdge > 0 ? high : low) << x << ", " << y;
            } else if (value > low + 0.1f * (high - low) && value < high - 0.1f * (high - low)) {
                ++between;
            }
        }
    }
    // Along the diagonal (about twenty steps in view) intermediate values appear.
    EXPECT_GE(between, 15);
}

// Where the scene's depth is still at the far end no mesh was drawn: both
// compositions put the night sky there (dark blue, brighter towards the
// horizon than overhead) and leave every other pixel to the tone curve.
TEST_F(Compose, TheNightSkyFillsOnlyWhereNoMeshIsDrawn)
{
    const auto grey = image([](int, int) { return 0.5f; });
    const float mesh = copied(grey.name())[0];
    // The left half is far (sky), the right half a mesh at mid depth.
    const auto depth = depthImage([](int x, int) { return x < width / 2 ? 1.0f : 0.5f; });
    useDepth(depth);
    // Looking at the horizon: the bottom row is below it, the top row well above.
    const glm::mat4 view = glm::lookAt(glm::vec3(0.0f), glm::vec3(0.0f, 0.0f, -1.0f), glm::vec3(0.0f, 1.0f, 0.0f));
    const glm::mat4 skyFromScreen =
        glm::inverse(glm::perspective(glm::radians(90.0f), float(width) / float(height), 0.1f, 100.0f) * view);

    for (const char* program : {"copy", "bloom"}) {
        programs->use(program);
        glUniformMatrix4fv(programs->uniformLocation(program, "sky_from_screen"), 1, GL_FALSE,
                           glm::value_ptr(skyFromScreen));
        const auto rgb = std::string(program) == "copy" ? composedColour([&] { copied(grey.name()); })
                                                        : composedColour([&] { bloomed(grey.name(), black.name()); });
        const auto pixel = [&](int x, int y) { return &rgb[(static_cast<std::size_t>(y) * width + x) * 3]; };
        for (int y = 0; y < height; ++y) {
            for (int x = width / 2; x < width; ++x)
                ASSERT_NEAR(pixel(x, y)[0], mesh, 1e-6f) << program << " " << x << ", " << y;
        }
        // Sky: blue over red, never black, darker overhead than near the horizon.
        const float* horizon = pixel(4, height / 2);
        const float* overhead = pixel(4, height - 1);
        EXPECT_GT(horizon[2], horizon[0]) << program;
        EXPECT_GT(overhead[2], 0.0f) << program;
        EXPECT_LT(overhead[2], horizon[2]) << program;
        EXPECT_LT(horizon[2], mesh) << program << ": a night sky, darker than a lit wall";
    }
}

}  // namespace

#include <cmath>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "DemoProgramsTest.h"
#include "gl/ProgramManager.h"
#include "render/fbo/GodRayFBO.h"
#include "support/GLContext.h"
#include "support/Scratch.h"

using orv::render::fbo::FBO;
using orv::render::fbo::GodRayFBO;

namespace {

constexpr int width = 64;
constexpr int height = 48;
constexpr int x0 = 20;
constexpr int y0 = 30;

// The demo's own blur programs, loaded from its folder. The blur arithmetic
// is checked in full floats (the god-ray image itself uses half floats).
class Bloom : public orv::test::DemoProgramsTest {
protected:
    void TearDown() override
    {
        glDeleteTextures(1, &source);
        DemoProgramsTest::TearDown();
    }

    // A black float texture with one pixel of the given brightness.
    void makeSource(int w, int h, int x, int y, float value)
    {
        std::vector<float> texels(static_cast<std::size_t>(w * h * 3), 0.0f);
        texels[static_cast<std::size_t>((y * w + x) * 3)] = value;
        glGenTextures(1, &source);
        glBindTexture(GL_TEXTURE_2D, source);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB32F, w, h, 0, GL_RGB, GL_FLOAT, texels.data());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glBindTexture(GL_TEXTURE_2D, 0);
    }

    // The red channel of a width x height float texture, row by row from the bottom.
    static std::vector<float> red(GLuint texture, int w = width, int h = height)
    {
        std::vector<float> rgb(static_cast<std::size_t>(w * h * 3));
        glBindTexture(GL_TEXTURE_2D, texture);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_FLOAT, rgb.data());
        glBindTexture(GL_TEXTURE_2D, 0);
        std::vector<float> values;
        for (std::size_t i = 0; i < rgb.size(); i += 3) {
            values.push_back(rgb[i]);
        }
        return values;
    }

    // The source blurred over `levels` by a chain of its own that starts at
    // 1 / 2^shift of w x h: the red channel of what the chain returns.
    std::vector<float> blurredBy(unsigned shift, int w, int h, unsigned levels,
                                 FBO::SourceReads reads = FBO::SourceReads::Full) const
    {
        GodRayFBO fbo;
        fbo.setBlurChain(shift, GL_RGB32F);
        fbo.init(w, h, *programs);
        return red(fbo.blurBloom(*programs, levels, source, reads), w >> shift, h >> shift);
    }

    static float at(const std::vector<float>& values, int x, int y)
    {
        return values[static_cast<std::size_t>(y * width + x)];
    }

    GLuint source = 0;
};

TEST_F(Bloom, OneLevelIsTheKernelAcrossTheRowAndAddsNothing)
{
    makeSource(width, height, x0, y0, 1.0f);
    GodRayFBO fbo;
    fbo.setBlurChain(0, GL_RGB32F);
    fbo.init(width, height, *programs);
    const GLuint result = fbo.blurBloom(*programs, 1, source);
    EXPECT_EQ(result, fbo.blurTexture(0));

    const auto blurred = red(result);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int tap = x - x0 + 3;
            const bool inKernel = y == y0 && tap >= 0 && tap < 7;
            const float expected = inKernel ? FBO::blurWeights[static_cast<std::size_t>(tap)] : 0.0f;
            ASSERT_NEAR(at(blurred, x, y), expected, 1e-6f) << x << ", " << y;
        }
    }
    EXPECT_NEAR(std::accumulate(blurred.begin(), blurred.end(), 0.0), 1.0, 1e-5);

    // The vertical pass of level 0 makes the separable two-dimensional kernel.
    const auto both = red(fbo.blurTexture(1));
    for (int j = 0; j < 7; ++j) {
        for (int i = 0; i < 7; ++i) {
            const float expected =
                FBO::blurWeights[static_cast<std::size_t>(i)] * FBO::blurWeights[static_cast<std::size_t>(j)];
            EXPECT_NEAR(at(both, x0 + i - 3, y0 + j - 3), expected, 1e-6f);
        }
    }
    EXPECT_NEAR(std::accumulate(both.begin(), both.end(), 0.0), 1.0, 1e-5);
}

TEST_F(Bloom, EverySmallerLevelAddsTheSourceOnceMore)
{
    // Large enough that no level's kernel reaches an edge, where taps would be lost.
    constexpr int w = 128;
    constexpr int h = 96;
    makeSource(w, h, 60, 44, 1.0f);
    // Level 0 blurred both ways: what the longer chains add their smaller levels to.
    std::vector<float> one;
    {
        GodRayFBO single;
        single.setBlurChain(0, GL_RGB32F);
        single.init(w, h, *programs);
        single.blurBloom(*programs, 1, source);
        one = red(single.blurTexture(1), w, h);
    }

    for (unsigned levels = 2; levels <= 4; ++levels) {
        GodRayFBO fbo;
        fbo.setBlurChain(0, GL_RGB32F);
        fbo.init(w, h, *programs);
        const GLuint result = fbo.blurBloom(*programs, levels, source);
        EXPECT_EQ(result, fbo.blurTexture(1)) << "level 0 blurred both ways, not only across";
        const auto blurred = red(result, w, h);
        // Each level spreads the spot wider but keeps its energy: one more unit per level.
        EXPECT_NEAR(std::accumulate(blurred.begin(), blurred.end(), 0.0), levels, 1e-3) << levels << " levels";
        const auto coarsest = red(fbo.blurTexture(2 * levels - 1), w >> (levels - 1), h >> (levels - 1));
        EXPECT_NEAR(std::accumulate(coarsest.begin(), coarsest.end(), 0.0), 1.0 / (1 << (2 * (levels - 1))), 1e-5);
        for (std::size_t i = 0; i < blurred.size(); ++i) {
            ASSERT_GE(blurred[i], one[i] - 1e-6f) << i;  // only ever added to
        }
        // The coarse levels reach pixels the fine kernel cannot.
        EXPECT_GT(blurred[static_cast<std::size_t>((44 + 6) * w + 60)], 0.0f);
    }
}

TEST_F(Bloom, LevelSizesTruncateWhileScreenSizeDoesNot)
{
    makeSource(1023, 767, 500, 300, 1.0f);
    GodRayFBO fbo;
    fbo.setBlurChain(0, GL_RGB32F);
    fbo.init(1023, 767, *programs);
    const int sizes[4][2] = {{1023, 767}, {511, 383}, {255, 191}, {127, 95}};
    for (unsigned i = 0; i < 8; ++i) {
        GLint w = 0;
        GLint h = 0;
        glBindTexture(GL_TEXTURE_2D, fbo.blurTexture(i));
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
        EXPECT_EQ(w, sizes[i / 2][0]) << i;
        EXPECT_EQ(h, sizes[i / 2][1]) << i;
    }
    glBindTexture(GL_TEXTURE_2D, 0);

    fbo.blurBloom(*programs, 2, source);
    // The last level drawn was level 1: its screen size keeps the half pixel.
    for (const char* program : {"gauss_h", "gauss_v"}) {
        float size[2] = {0.0f, 0.0f};
        glGetUniformfv(programs->programId(program), programs->uniformLocation(program, "screen_size"), size);
        EXPECT_FLOAT_EQ(size[0], 511.5f) << program;
        EXPECT_FLOAT_EQ(size[1], 383.5f) << program;
        for (int i = 0; i < 7; ++i) {
            const std::string element = "weight[" + std::to_string(i) + "]";
            const GLuint id = programs->programId(program);
            float weight = 0.0f;
            glGetUniformfv(id, glGetUniformLocation(id, element.c_str()), &weight);
            EXPECT_EQ(weight, FBO::blurWeights[static_cast<std::size_t>(i)]) << program << " " << element;
        }
    }
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 1023);
    EXPECT_EQ(viewport[3], 767);
    GLint bound = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    EXPECT_EQ(bound, 0);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

// A chain that starts at half size (the geometry pass's bloom): every level
// is half as wide and high as it would be, each still adds the source's
// light once, the frame's viewport and framebuffer 0 are given back, and
// making it again gives back what it replaces.
TEST_F(Bloom, AChainStartingAtHalfSizeAddsEveryLevelAndGivesTheFrameBack)
{
    constexpr int w = 256;
    constexpr int h = 192;
    makeSource(w, h, 121, 89, 1.0f);
    GodRayFBO fbo;
    fbo.setBlurChain(1, GL_RGB32F);
    fbo.init(w, h, *programs);
    const orv::test::LiveGLObjects made = orv::test::liveGLObjects();
    fbo.create(w, h);
    orv::test::expectSameLiveGLObjects(made, orv::test::liveGLObjects());

    for (unsigned i = 0; i < 8; ++i) {
        GLint size[2] = {};
        glBindTexture(GL_TEXTURE_2D, fbo.blurTexture(i));
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &size[0]);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &size[1]);
        EXPECT_EQ(size[0], w >> (i / 2 + 1)) << i;
        EXPECT_EQ(size[1], h >> (i / 2 + 1)) << i;
    }
    glBindTexture(GL_TEXTURE_2D, 0);

    glViewport(0, 0, w, h);
    const auto blurred = red(fbo.blurBloom(*programs, 4, source), w / 2, h / 2);
    // A level-0 texel covers four source pixels: each level adds a quarter.
    EXPECT_NEAR(std::accumulate(blurred.begin(), blurred.end(), 0.0), 4 * 0.25, 1e-3);
    float size[2] = {};
    glGetUniformfv(programs->programId("gauss_v"), programs->uniformLocation("gauss_v", "screen_size"), size);
    EXPECT_FLOAT_EQ(size[0], w / 16.0f);
    EXPECT_FLOAT_EQ(size[1], h / 16.0f);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], w);
    EXPECT_EQ(viewport[3], h);
    GLint bound = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    EXPECT_EQ(bound, 0);
}

// Reading each level's own mip level of the source instead of averaging the
// full-size source under every pixel gives the same blur (sizes that halve
// evenly make each mip texel the exact average of the block above it), and
// leaves the source to be drawn into again at its level 0.
TEST_F(Bloom, ReadingTheSourcesMipLevelsGivesTheFullReadsBlur)
{
    constexpr int w = 256;
    constexpr int h = 192;
    makeSource(w, h, 121, 89, 1.0f);
    const auto expected = blurredBy(1, w, h, 4);
    const auto blurred = blurredBy(1, w, h, 4, FBO::SourceReads::MipChain);

    ASSERT_EQ(blurred.size(), expected.size());
    for (std::size_t i = 0; i < blurred.size(); ++i)
        ASSERT_NEAR(blurred[i], expected[i], 1e-6f) << i;
    EXPECT_NEAR(std::accumulate(blurred.begin(), blurred.end(), 0.0), 4 * 0.25, 1e-3);
    GLint baseLevel = -1;
    glBindTexture(GL_TEXTURE_2D, source);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, &baseLevel);
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(baseLevel, 0);
    EXPECT_EQ(red(source, w, h)[static_cast<std::size_t>(89 * w + 121)], 1.0f) << "the source itself is untouched";
    // The levels were made: the spot's 2 x 2 block averaged into one texel of level 1.
    std::vector<float> level1(static_cast<std::size_t>(w / 2 * h / 2 * 3));
    glBindTexture(GL_TEXTURE_2D, source);
    glGetTexImage(GL_TEXTURE_2D, 1, GL_RGB, GL_FLOAT, level1.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_FLOAT_EQ(level1[static_cast<std::size_t>((44 * w / 2 + 60) * 3)], 0.25f);
}

TEST_F(Bloom, MoreLevelsThanTheChainHoldsStopAtTheChain)
{
    makeSource(width, height, x0, y0, 1.0f);
    GodRayFBO asked;
    asked.setBlurChain(0, GL_RGB32F);
    asked.init(width, height, *programs);
    const auto nine = red(asked.blurBloom(*programs, 9, source));
    GodRayFBO four;
    four.setBlurChain(0, GL_RGB32F);
    four.init(width, height, *programs);
    EXPECT_EQ(nine, red(four.blurBloom(*programs, 4, source)));
}

}  // namespace

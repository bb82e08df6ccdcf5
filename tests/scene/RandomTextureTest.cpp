#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "scene/RandomTexture.h"
#include "support/GLContext.h"

using orv::scene::RandomTexture;

namespace {

std::vector<float> texels(const RandomTexture& texture, int count)
{
    std::vector<float> values(static_cast<std::size_t>(count) * 3);
    glBindTexture(GL_TEXTURE_1D, texture.id());
    glGetTexImage(GL_TEXTURE_1D, 0, GL_RGB, GL_FLOAT, values.data());
    return values;
}

GLuint compile(GLenum stage, const char* source)
{
    const GLuint shader = glCreateShader(stage);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    return shader;
}

// Samples a bound 1D texture at one coordinate into a float pixel.
class Sampler {
public:
    Sampler()
    {
        const GLuint vertex = compile(GL_VERTEX_SHADER, R"(#version 440 core
void main()
{
    vec2 corner = vec2(float((gl_VertexID & 1) << 2), float((gl_VertexID & 2) << 1)) - 1.0;
    gl_Position = vec4(corner, 0.0, 1.0);
})");
        const GLuint fragment = compile(GL_FRAGMENT_SHADER, R"(#version 440 core
uniform sampler1D random_texture;
uniform float s;
out vec4 colour;
void main() { colour = texture(random_texture, s); })");
        program_ = glCreateProgram();
        glAttachShader(program_, vertex);
        glAttachShader(program_, fragment);
        glLinkProgram(program_);
        glDeleteShader(vertex);
        glDeleteShader(fragment);

        glGenTextures(1, &target_);
        glBindTexture(GL_TEXTURE_2D, target_);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, 1, 1, 0, GL_RGBA, GL_FLOAT, nullptr);
        glBindTexture(GL_TEXTURE_2D, 0);
        glGenFramebuffers(1, &framebuffer_);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, target_, 0);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glGenVertexArrays(1, &vertexArray_);
    }
    ~Sampler()
    {
        glDeleteProgram(program_);
        glDeleteFramebuffers(1, &framebuffer_);
        glDeleteTextures(1, &target_);
        glDeleteVertexArrays(1, &vertexArray_);
    }

    std::vector<float> at(float s)
    {
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
        glViewport(0, 0, 1, 1);
        glUseProgram(program_);
        glUniform1i(glGetUniformLocation(program_, "random_texture"), 0);
        glUniform1f(glGetUniformLocation(program_, "s"), s);
        glBindVertexArray(vertexArray_);
        glDrawArrays(GL_TRIANGLES, 0, 3);
        std::vector<float> pixel(4);
        glReadPixels(0, 0, 1, 1, GL_RGBA, GL_FLOAT, pixel.data());
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        pixel.resize(3);
        return pixel;
    }

private:
    GLuint program_ = 0;
    GLuint target_ = 0;
    GLuint framebuffer_ = 0;
    GLuint vertexArray_ = 0;
};

using RandomTextureTest = orv::test::GLTest;

TEST_F(RandomTextureTest, SameCountGivesSameTexelsInUnitRange)
{
    RandomTexture first;
    first.generate(500);
    RandomTexture second;
    second.generate(500);
    const auto a = texels(first, 500);
    const auto b = texels(second, 500);
    EXPECT_EQ(a, b);
    EXPECT_TRUE(std::all_of(a.begin(), a.end(), [](float v) { return v >= 0.0f && v <= 1.0f; }));
    // Pseudo-random, not constant: the 8-bit texels take most of their 256 values.
    EXPECT_GT(std::set<float>(a.begin(), a.end()).size(), 200u);
    // Left bound on the active unit, as the particle system expects.
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_1D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), second.id());
    glBindTexture(GL_TEXTURE_1D, 0);
}

TEST_F(RandomTextureTest, TwoThousandTexelsRepeatAlongS)
{
    glActiveTexture(GL_TEXTURE0);
    RandomTexture texture;
    texture.generate(2048);
    GLint width = 0;
    GLint wrap = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_1D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexParameteriv(GL_TEXTURE_1D, GL_TEXTURE_WRAP_S, &wrap);
    EXPECT_EQ(width, 2048);
    EXPECT_EQ(wrap, GL_REPEAT);

    const auto values = texels(texture, 2048);
    Sampler sample;
    // A texel centre reads that texel, one and two periods further on too.
    const float centre = (100 + 0.5f) / 2048.0f;
    for (const float s : {centre, centre + 1.0f, centre - 2.0f}) {
        const auto read = sample.at(s);
        for (int c = 0; c < 3; ++c) {
            EXPECT_FLOAT_EQ(read[static_cast<std::size_t>(c)], values[300 + static_cast<std::size_t>(c)]) << s;
        }
    }
    // On the seam linear filtering blends the last texel into the first: the texture wraps.
    // (Red of the first and last texel differ enough to tell wrapping from clamping.)
    ASSERT_GT(std::abs(values[0] - values[2047 * 3]), 0.1f);
    const auto seam = sample.at(0.0f);
    for (int c = 0; c < 3; ++c) {
        const auto i = static_cast<std::size_t>(c);
        EXPECT_NEAR(seam[i], 0.5f * (values[i] + values[2047 * 3 + i]), 2.0f / 255.0f);
    }
    glBindTexture(GL_TEXTURE_1D, 0);
}

}  // namespace

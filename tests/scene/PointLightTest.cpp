#include <array>
#include <limits>
#include <cmath>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "gl/ProgramManager.h"
#include "scene/MeshInstance.h"
#include "scene/PointLight.h"
#include "scene/RoomLight.h"
#include "support/GLContext.h"
#include "support/Scratch.h"
#include "view/OpenGLwindow.h"

using orv::scene::MeshInstance;
using orv::scene::PointLight;
using orv::scene::RoomLight;

namespace {

// A light whose attenuation a test can set directly.
struct TunedLight : PointLight {
    TunedLight(float k, float l, float e)
    {
        attenuationConstant_ = k;
        attenuationLinear_ = l;
        attenuationExp_ = e;
    }
};

TEST(PointLight, Defaults)
{
    const PointLight light;
    EXPECT_EQ(light.position(), glm::vec3(0.0f));
    EXPECT_EQ(light.color(), glm::vec3(1.0f));
    EXPECT_FLOAT_EQ(light.ambientIntensity(), 0.0f);
    EXPECT_FLOAT_EQ(light.diffuseIntensity(), 1.35f);
    EXPECT_FLOAT_EQ(light.specularIntensity(), 1.0f);
    EXPECT_FLOAT_EQ(light.specularPower(), 64.0f);
    EXPECT_FLOAT_EQ(light.attenuationConstant(), 0.0f);
    EXPECT_FLOAT_EQ(light.attenuationLinear(), 0.2f);
    EXPECT_FLOAT_EQ(light.attenuationExp(), 0.45f);
    EXPECT_FALSE(light.shadowCasting());
    EXPECT_FLOAT_EQ(light.decay(), 0.0f);
}

TEST(PointLight, AttenuationRadius)
{
    const PointLight light;
    const float expected = (std::sqrt(0.04f + 4.0f * 0.45f * 256.0f * 1.35f) - 0.2f) / 0.9f;
    EXPECT_NEAR(light.attenuationRadius(), expected, 1e-4f);
    EXPECT_NEAR(light.attenuationRadius(), 27.49f, 0.01f);
    // At that distance the attenuation brings the brightest intensity to 1/256.
    const float d = light.attenuationRadius();
    EXPECT_NEAR(1.35f / (0.2f * d + 0.45f * d * d), 1.0f / 256.0f, 1e-6f);

    // Without the quadratic term the linear term alone decides; without both the light reaches nowhere.
    EXPECT_NEAR(TunedLight(1.0f, 0.5f, 0.0f).attenuationRadius(), (256.0f * 1.35f - 1.0f) / 0.5f, 1e-3f);
    EXPECT_FLOAT_EQ(TunedLight(0.0f, 0.0f, 0.0f).attenuationRadius(), 0.0f);
    // A constant term beyond 256 times the intensity never lights anything.
    const float dim = TunedLight(1000.0f, 0.2f, 0.45f).attenuationRadius();
    EXPECT_FALSE(std::isnan(dim));
    EXPECT_FLOAT_EQ(dim, 0.0f);
}

TEST(PointLight, VolumeMatrixCoversTheReach)
{
    PointLight light;
    light.setPosition({1, 2, 3});
    const float r = light.attenuationRadius();
    const glm::vec4 centre = light.volumeMatrix() * glm::vec4(0, 0, 0, 1);
    const glm::vec4 rim = light.volumeMatrix() * glm::vec4(0, 1, 0, 1);
    EXPECT_EQ(glm::vec3(centre), glm::vec3(1, 2, 3));
    EXPECT_NEAR(rim.y, 2.0f + r, 1e-4f);
    EXPECT_FLOAT_EQ(rim.x, 1.0f);
}

TEST(PointLight, DiffuseFactor)
{
    PointLight light;
    light.setDiffuseFactor(1.0f);
    EXPECT_NEAR(light.diffuseIntensity(), 2.375f, 1e-6f);
    EXPECT_NEAR(light.attenuationLinear(), 0.003f, 1e-6f);
    EXPECT_NEAR(light.attenuationExp(), 0.002f, 1e-6f);
    EXPECT_GT(light.attenuationRadius(), 100.0f);
    light.setDiffuseFactor(0.0f);
    EXPECT_FLOAT_EQ(light.diffuseIntensity(), 1.35f);
    EXPECT_FLOAT_EQ(light.attenuationLinear(), 0.2f);
    EXPECT_FLOAT_EQ(light.attenuationExp(), 0.45f);
}

TEST(PointLight, ParticleRecord)
{
    std::array<float, 14> record{};
    record[0] = 1.0f;
    record[1] = 4.0f;
    record[2] = 5.0f;
    record[3] = 6.0f;
    PointLight light;
    light.setFromParticleRecord(record.data());
    EXPECT_EQ(light.position(), glm::vec3(4, 5, 6));
    EXPECT_EQ(light.color(), glm::vec3(1, 0, 0));
    EXPECT_FLOAT_EQ(light.diffuseIntensity(), PointLight::sparkPeak);
    EXPECT_FLOAT_EQ(light.specularIntensity(), PointLight::sparkPeak);
    EXPECT_FLOAT_EQ(light.attenuationLinear(), 0.9f);
    EXPECT_FLOAT_EQ(light.attenuationExp(), PointLight::sparkFalloff);
    EXPECT_FLOAT_EQ(light.decay(), 0.0f);
    EXPECT_FLOAT_EQ(light.specularPower(), 64.0f) << "kept";

    // Halfway through its life from hue 0 to hue 2/3: hue 120 degrees, green.
    record[8] = 0.5f;
    record[13] = 2.0f / 3.0f;
    light.setFromParticleRecord(record.data());
    EXPECT_NEAR(light.color().r, 0.0f, 1e-5f);
    EXPECT_NEAR(light.color().g, 1.0f, 1e-5f);
    EXPECT_NEAR(light.color().b, 0.0f, 1e-5f);
    EXPECT_NEAR(light.decay(), 0.5f, 1e-6f);
    EXPECT_FLOAT_EQ(light.diffuseIntensity(), 0.5f * PointLight::sparkPeak);
    EXPECT_FLOAT_EQ(light.attenuationExp(), 1.5f * PointLight::sparkFalloff);

    // Age 0.25 of a hue from 0.5 (cyan) to 1: hue 0.625 = 225 degrees, and the eased decay.
    record[8] = 0.25f;
    record[12] = 0.5f;
    record[13] = 1.0f;
    light.setFromParticleRecord(record.data());
    EXPECT_NEAR(light.color().r, 0.0f, 1e-5f);
    EXPECT_NEAR(light.color().g, 0.25f, 1e-5f);
    EXPECT_NEAR(light.color().b, 1.0f, 1e-5f);
    EXPECT_NEAR(light.decay(), 3 * 0.0625f - 2 * 0.015625f, 1e-6f);

    // A hue that is not a number gives white, never an undefined conversion.
    record[12] = std::numeric_limits<float>::infinity();
    light.setFromParticleRecord(record.data());
    EXPECT_EQ(light.color(), glm::vec3(1.0f));
}

// A spark's volume ends where what is left of its light falls to the light
// pass's floor, from its birth on, but never inside the reach of its glow;
// a dead spark has none.
TEST(PointLight, SparkVolumeEndsAtItsFloor)
{
    std::array<float, 14> record{};
    record[0] = 1.0f;
    PointLight spark;
    for (float age : {0.0f, 0.3f, 0.5f}) {
        SCOPED_TRACE(age);
        record[8] = age;
        spark.setFromParticleRecord(record.data());
        EXPECT_FLOAT_EQ(spark.lightFloor(), PointLight::sparkLightFloor);
        const float r = spark.attenuationRadius();
        EXPECT_GT(r, PointLight::sparkGlowReach);
        const float left = spark.diffuseIntensity() * (1.0f - spark.decay()) /
                           (spark.attenuationLinear() * r + spark.attenuationExp() * r * r);
        EXPECT_NEAR(left, PointLight::sparkLightFloor, 1e-5f);
    }
    record[8] = 0.0f;
    spark.setFromParticleRecord(record.data());
    EXPECT_LT(spark.attenuationRadius(), 0.5f * PointLight().attenuationRadius())
        << "a newborn spark reaches far less than a light that lights down to 1/256";
    record[8] = 0.97f;
    spark.setFromParticleRecord(record.data());
    EXPECT_FLOAT_EQ(spark.attenuationRadius(), PointLight::sparkGlowReach);
    record[8] = 1.0f;
    spark.setFromParticleRecord(record.data());
    EXPECT_FLOAT_EQ(spark.attenuationRadius(), 0.0f);
}

TEST(RoomLight, StandsAtTheLamp)
{
    auto lamp = std::make_shared<MeshInstance>(nullptr);
    glm::mat4 model(1.0f);
    model[3] = glm::vec4(7, 8, 9, 1);
    lamp->updateModelMatrix(model);
    const RoomLight light(lamp);
    EXPECT_EQ(light.position(), glm::vec3(7, 8, 9));
    EXPECT_EQ(light.color(), glm::vec3(1.0f, 0.88f, 0.7f));
    EXPECT_FLOAT_EQ(light.diffuseIntensity(), 0.85f);
    EXPECT_FLOAT_EQ(light.specularPower(), 32.0f);
    EXPECT_NEAR(light.attenuationRadius(), 92.90f, 0.01f);
    EXPECT_EQ(light.instance(), lamp);
}

// setUniforms against a real program, read back with glGetUniformfv.
class PointLightUniforms : public orv::test::GLTest {
protected:
    static constexpr std::array<const char*, 10> names = {
        "light_color", "ambient_intensity", "diffuse_intensity", "specular_intensity", "specular_power",
        "atten_con",   "atten_lin",         "atten_exp",         "light_pos_deferred", "decay"};

    void SetUp() override
    {
        GLTest::SetUp();
        const char* vertex = R"(#version 440 core
uniform vec3 light_color; uniform float ambient_intensity; uniform float diffuse_intensity;
uniform float specular_intensity; uniform float specular_power; uniform float atten_con;
uniform float atten_lin; uniform float atten_exp; uniform vec3 light_pos_deferred; uniform float decay;
out vec4 v;
void main() {
    v = vec4(light_color + light_pos_deferred, ambient_intensity + diffuse_intensity + specular_intensity
             + specular_power + atten_con + atten_lin + atten_exp + decay);
    gl_Position = vec4(0.0);
})";
        const char* fragment = "#version 440 core\nin vec4 v; out vec4 c; void main() { c = v; }\n";
        program = glCreateProgram();
        for (auto [type, source] : {std::pair{GL_VERTEX_SHADER, vertex}, std::pair{GL_FRAGMENT_SHADER, fragment}}) {
            const GLuint shader = glCreateShader(type);
            glShaderSource(shader, 1, &source, nullptr);
            glCompileShader(shader);
            glAttachShader(program, shader);
            glDeleteShader(shader);
        }
        glLinkProgram(program);
        GLint linked = 0;
        glGetProgramiv(program, GL_LINK_STATUS, &linked);
        ASSERT_EQ(linked, GL_TRUE);
        glUseProgram(program);
        for (std::size_t i = 0; i < names.size(); ++i) {
            locations[i] = glGetUniformLocation(program, names[i]);
            ASSERT_GE(locations[i], 0) << names[i];
            // A marker value that setUniforms must overwrite or leave alone.
            if (i == 0 || i == 8) {
                glUniform3f(locations[i], -7.0f, -7.0f, -7.0f);
            } else {
                glUniform1f(locations[i], -7.0f);
            }
        }
    }
    void TearDown() override
    {
        glUseProgram(0);
        glDeleteProgram(program);
        GLTest::TearDown();
    }

    std::array<float, 3> read(std::size_t i) const
    {
        std::array<float, 3> value{-1, -1, -1};
        glGetUniformfv(program, locations[i], value.data());
        return value;
    }
    void send(const PointLight& light, const std::array<GLint, 10>& l) const
    {
        light.setUniforms(l[0], l[1], l[2], l[3], l[4], l[5], l[6], l[7], l[8], l[9]);
    }

    GLuint program = 0;
    std::array<GLint, 10> locations{};
};

TEST_F(PointLightUniforms, EveryLocationGetsItsField)
{
    PointLight light;
    light.setPosition({1, 2, 3});
    light.setDiffuseFactor(1.0f);
    send(light, locations);
    EXPECT_EQ(read(0), (std::array<float, 3>{1, 1, 1}));
    EXPECT_FLOAT_EQ(read(1)[0], 0.0f);
    EXPECT_FLOAT_EQ(read(2)[0], light.diffuseIntensity());
    EXPECT_FLOAT_EQ(read(3)[0], 1.0f);
    EXPECT_FLOAT_EQ(read(4)[0], 64.0f);
    EXPECT_FLOAT_EQ(read(5)[0], 0.0f);
    EXPECT_FLOAT_EQ(read(6)[0], light.attenuationLinear());
    EXPECT_FLOAT_EQ(read(7)[0], light.attenuationExp());
    EXPECT_EQ(read(8), (std::array<float, 3>{1, 2, 3}));
    EXPECT_FLOAT_EQ(read(9)[0], 0.0f);
}

TEST_F(PointLightUniforms, NegativeLocationsAreSkipped)
{
    const PointLight light;
    std::array<GLint, 10> none;
    none.fill(-1);
    send(light, none);
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_FLOAT_EQ(read(i)[0], -7.0f) << names[i];
    }
    // Only the locations given are set.
    std::array<GLint, 10> some = none;
    some[2] = locations[2];
    some[8] = locations[8];
    send(light, some);
    EXPECT_FLOAT_EQ(read(2)[0], 1.35f);
    EXPECT_EQ(read(8), (std::array<float, 3>{0, 0, 0}));
    EXPECT_FLOAT_EQ(read(1)[0], -7.0f);
    EXPECT_EQ(read(0), (std::array<float, 3>{-7, -7, -7}));
}

class PointLightShadowMap : public orv::test::GLTest {};

TEST_F(PointLightShadowMap, SetUpOnRequestOnly)
{
    PointLight light;
    EXPECT_EQ(light.shadowMap().framebuffer(), 0u) << "constructed, not yet set up";
    orv::test::WorkingDir demo(ORV_SOURCE_DIR "/demo");
    orv::gl::ProgramManager programs("config/gl_programs.yaml");
    programs.load();
    const orv::view::OpenGLwindow window("config/window.yaml");  // not opened: the default 1024 x 768
    testing::internal::CaptureStdout();
    light.initShadowMap(window, programs);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    ASSERT_NE(light.shadowMap().framebuffer(), 0u);
    EXPECT_TRUE(glIsTexture(light.shadowMap().cubeMap()));
    EXPECT_EQ(light.shadowMap().width(), 1024u);
    EXPECT_EQ(light.shadowMap().height(), 768u);
    glBindFramebuffer(GL_FRAMEBUFFER, light.shadowMap().framebuffer());
    EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    programs.deletePrograms();
}

}  // namespace

namespace {

// The hueToRgb function of a shader file, as written there.
std::string glslHueFunction(const std::string& file)
{
    std::ifstream in(std::string(ORV_SOURCE_DIR "/demo/shaders/") + file);
    const std::string source((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto from = source.find("vec3 hueToRgb(float h)");
    const auto to = source.find("\n}\n", from);
    if (from == std::string::npos || to == std::string::npos)
        return {};
    return source.substr(from, to + 3 - from);
}

}  // namespace

class SparkHue : public orv::test::GLTest {};

// The spark sprites and the main particle's halo turn a hue into a colour in
// GLSL; a spark's light does it in C++. Drawn into a float texture, one hue
// a texel, the shaders' colours must be the light's for every hue,
// including the wheel's seams and hues outside 0..1.
TEST_F(SparkHue, SpritesAndLightsAgreeOnColour)
{
    constexpr std::array<float, 12> hues = {0.0f,  0.05f, 1.0f / 6.0f, 0.3f, 0.5f, 0.62f,
                                            0.75f, 0.9f,  0.999f,      1.0f, 1.37f, -0.2f};
    for (const char* file : {"light_particles_render_fragment.glsl", "main_particle_fragment.glsl"}) {
        SCOPED_TRACE(file);
        const std::string function = glslHueFunction(file);
        ASSERT_FALSE(function.empty());
        const std::string fragment = "#version 440 core\nuniform float hues[12];\nout vec4 colour;\n" + function +
                                     "\nvoid main() { colour = vec4(hueToRgb(hues[int(gl_FragCoord.x)]), 1.0); }\n";
        const char* vertex = "#version 440 core\nvoid main() {\n"
                             "    vec2 p = vec2(gl_VertexID == 1 ? 3.0 : -1.0, gl_VertexID == 2 ? 3.0 : -1.0);\n"
                             "    gl_Position = vec4(p, 0.0, 1.0);\n}\n";
        const GLuint program = glCreateProgram();
        for (auto [type, source] :
             {std::pair{GL_VERTEX_SHADER, vertex}, std::pair{GL_FRAGMENT_SHADER, fragment.c_str()}}) {
            const GLuint shader = glCreateShader(type);
            glShaderSource(shader, 1, &source, nullptr);
            glCompileShader(shader);
            glAttachShader(program, shader);
            glDeleteShader(shader);
        }
        glLinkProgram(program);
        GLint linked = 0;
        glGetProgramiv(program, GL_LINK_STATUS, &linked);
        ASSERT_EQ(linked, GL_TRUE);

        GLuint texture = 0;
        GLuint framebuffer = 0;
        GLuint vertexArray = 0;
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, hues.size(), 1, 0, GL_RGBA, GL_FLOAT, nullptr);
        glGenFramebuffers(1, &framebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
        glGenVertexArrays(1, &vertexArray);
        glBindVertexArray(vertexArray);
        glViewport(0, 0, hues.size(), 1);
        glUseProgram(program);
        glUniform1fv(glGetUniformLocation(program, "hues"), hues.size(), hues.data());
        glDrawArrays(GL_TRIANGLES, 0, 3);
        std::array<float, hues.size() * 4> drawn{};
        glReadPixels(0, 0, hues.size(), 1, GL_RGBA, GL_FLOAT, drawn.data());

        glBindVertexArray(0);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glUseProgram(0);
        glDeleteVertexArrays(1, &vertexArray);
        glDeleteFramebuffers(1, &framebuffer);
        glDeleteTextures(1, &texture);
        glDeleteProgram(program);

        for (std::size_t i = 0; i < hues.size(); ++i) {
            SCOPED_TRACE(hues[i]);
            const glm::vec3 light = PointLight::hueColour(hues[i]);
            for (int c = 0; c < 3; ++c)
                EXPECT_NEAR(drawn[i * 4 + c], light[c], 1e-4f);
        }
    }
}

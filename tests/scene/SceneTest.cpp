#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <assimp/mesh.h>
#include <gtest/gtest.h>
#include <glm/gtc/type_ptr.hpp>

#include "render/Target.h"
#include "scene/ImageTexture.h"
#include "scene/Mesh.h"
#include "scene/MeshInstance.h"
#include "support/GLContext.h"
#include "support/SceneRig.h"

namespace {

using orv::scene::SceneObject;
using orv::view::OpenGLwindow;

// A node that records the dt of every frame and can act inside a frame.
class FrameProbe : public SceneObject {
public:
    void update(double dt) override
    {
        steps.push_back(dt);
        SceneObject::update(dt);
        if (during) {
            during(static_cast<int>(steps.size()) - 1);
        }
    }
    std::vector<double> steps;
    std::function<void(int frame)> during;
};

struct FrameLoop : orv::test::GLTest {
    void SetUp() override
    {
        GLTest::SetUp();
        rig = std::make_unique<orv::test::SceneRig>();
        probe = std::make_shared<FrameProbe>();
        rig->root->addChild(probe);
    }
    void TearDown() override
    {
        rig.reset();
        GLTest::TearDown();
    }
    void closeAfter(int frame)
    {
        probe->during = [this, frame](int current) {
            if (current == frame) {
                glfwSetWindowShouldClose(rig->window->handle(), GLFW_TRUE);
            }
        };
    }
    std::unique_ptr<orv::test::SceneRig> rig;
    std::shared_ptr<FrameProbe> probe;
};

TEST_F(FrameLoop, FirstThreeFramesTakeTheSettlingStepAndTheFourthOnlyItsOwnTime)
{
    constexpr auto pause = std::chrono::milliseconds(600);
    probe->during = [&](int frame) {
        if (frame == 0) {
            std::this_thread::sleep_for(pause);  // start-up work that must not count as motion
        }
        if (frame == 4) {
            glfwSetWindowShouldClose(rig->window->handle(), GLFW_TRUE);
        }
    };
    rig->scene->run();

    // A slow fourth frame is taken in several steps; together they are its own time only.
    ASSERT_GE(probe->steps.size(), 5u);
    EXPECT_EQ(probe->steps[0], 0.00001);
    EXPECT_EQ(probe->steps[1], 0.00001);
    EXPECT_EQ(probe->steps[2], 0.00001);
    EXPECT_GT(probe->steps[3], 0.0);
    EXPECT_NE(probe->steps[3], 0.00001);
    double fourth = 0.0;
    for (std::size_t i = 3; i + 1 < probe->steps.size(); ++i)
        fourth += probe->steps[i];
    EXPECT_LT(fourth, 0.6) << "the pause of the first frame was charged to the fourth";
}

// The clock: whatever a frame's length, the demo moves in equal steps of at
// most 1/60 s, so that a frame of 1/15 s moves exactly as four of 1/60 s do.
TEST_F(FrameLoop, FramesMoveInEqualStepsOfAtMostASixtiethOfASecond)
{
    orv::scene::Scene& scene = *rig->scene;
    for (int i = 0; i < 3; ++i)
        scene.frame(0.5);  // the settling steps, whatever the frame says
    ASSERT_EQ(probe->steps, std::vector<double>(3, 0.00001));

    probe->steps.clear();
    scene.frame(1.0 / 15.0);
    EXPECT_EQ(probe->steps, std::vector<double>(4, 1.0 / 60.0));

    probe->steps.clear();
    scene.frame(0.1);
    ASSERT_EQ(probe->steps.size(), 6u);
    for (double step : probe->steps)
        EXPECT_DOUBLE_EQ(step, 0.1 / 6.0);

    probe->steps.clear();
    scene.frame(0.004);
    EXPECT_EQ(probe->steps, std::vector<double>{0.004});
    EXPECT_NEAR(scene.time(), 3 * 0.00001 + 1.0 / 15.0 + 0.1 + 0.004, 1e-12);
}

// A start later in the demo: silent fixed steps up to just short of the
// time, then the next frame, however long, lands on it; later frames take
// their own time again.
TEST_F(FrameLoop, AdvanceToStopsShortAndTheNextFrameLandsOnTheTime)
{
    orv::scene::Scene& scene = *rig->scene;
    scene.advanceTo(2.0);
    EXPECT_LT(scene.time(), 2.0);
    EXPECT_EQ(probe->steps.size(), 3u + 119u) << "three settling steps, then steps of 1/60 s";
    EXPECT_EQ(probe->steps.back(), 1.0 / 60.0);

    probe->steps.clear();
    scene.frame(0.7);
    EXPECT_EQ(probe->steps, std::vector<double>{1.0 / 60.0});
    EXPECT_NEAR(scene.time(), 2.0, 1e-4);
    EXPECT_GE(scene.time(), 2.0 - 1e-9);

    probe->steps.clear();
    scene.frame(0.5);
    EXPECT_EQ(probe->steps.size(), 30u);
}

TEST_F(FrameLoop, EscapeFinishesTheCurrentFrameAndStopsBeforeTheNext)
{
    probe->during = [](int frame) {
        if (frame == 1) {
            OpenGLwindow::keyCallback(nullptr, GLFW_KEY_ESCAPE, 0, GLFW_PRESS, 0);
        }
    };
    const glm::vec3 cameraBefore = rig->timeline->cameraPosition();
    rig->scene->run();
    EXPECT_EQ(probe->steps.size(), 2u);
    EXPECT_NE(rig->timeline->cameraPosition(), cameraBefore) << "the timeline ran in the loop";
    EXPECT_FALSE(rig->window->isOpen());
}

TEST_F(FrameLoop, CullsBackFacesAndReportsErrorsLeftInAFrame)
{
    probe->during = [&](int frame) {
        if (frame == 0) {
            glEnable(0xFFFF);  // GL_INVALID_ENUM, left pending
        }
        if (frame == 1) {
            glfwSetWindowShouldClose(rig->window->handle(), GLFW_TRUE);
        }
    };
    testing::internal::CaptureStderr();
    rig->scene->run();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "GL error: 1280\n");
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    GLint face = 0;
    glGetIntegerv(GL_CULL_FACE_MODE, &face);
    EXPECT_EQ(face, GL_BACK);
}

// A pass over one program, with switchable texture wishes.
class ProbeTarget : public orv::render::Target {
public:
    ProbeTarget(orv::gl::ProgramManager& programs, std::string name) : Target(programs), name_(std::move(name)) {}
    std::string name() const override { return name_; }
    bool usesDiffuseMap() const override { return diffuse; }
    bool usesNormalMap() const override { return normal; }
    bool diffuse = true;
    bool normal = true;

private:
    std::string name_;
};

// Uses every uniform a mesh draw sets, so that none is optimised away.
constexpr const char* uniformsVertex = R"(#version 440 core
layout(location = 0) in vec3 position;
uniform mat4 m_matrix;
uniform mat4 vp_matrix;
void main() { gl_Position = vp_matrix * m_matrix * vec4(position, 1.0); }
)";
constexpr const char* uniformsFragment = R"(#version 440 core
uniform vec3 camera_pos;
uniform vec3 light_pos;
uniform vec3 mesh_color;
uniform float parallax;
uniform float is_light_source;
uniform float bounding_scale;
out vec4 color;
void main() { color = vec4(camera_pos + light_pos + mesh_color, parallax + is_light_source + bounding_scale); }
)";

// Places the quad by m_matrix alone and colours it from two texture units.
constexpr const char* pixelsVertex = R"(#version 440 core
layout(location = 0) in vec3 position;
layout(location = 2) in vec2 uv;
uniform mat4 m_matrix;
out vec2 coords;
void main() { coords = uv; gl_Position = m_matrix * vec4(position, 1.0); }
)";
constexpr const char* pixelsFragment = R"(#version 440 core
in vec2 coords;
uniform sampler2D diffuse_sampler;
uniform sampler2D normal_sampler;
uniform vec3 mesh_color;
out vec4 color;
void main()
{
    color = vec4(texture(diffuse_sampler, coords).rgb * mesh_color + texture(normal_sampler, coords).rgb, 1.0);
}
)";

constexpr const char* catalogue = R"(
uniforms_probe:
  source: [{type: vertex, file: uniforms.vert}, {type: fragment, file: uniforms.frag}]
  uniforms: [m_matrix, vp_matrix, camera_pos, light_pos, mesh_color, parallax, is_light_source, bounding_scale]
pixels_probe:
  source: [{type: vertex, file: pixels.vert}, {type: fragment, file: pixels.frag}]
  uniforms: [m_matrix, diffuse_sampler, normal_sampler, mesh_color, parallax, is_light_source, bounding_scale]
)";

struct MeshDraw : FrameLoop {
    void SetUp() override
    {
        FrameLoop::SetUp();
        rig->dir.write("uniforms.vert", uniformsVertex);
        rig->dir.write("uniforms.frag", uniformsFragment);
        rig->dir.write("pixels.vert", pixelsVertex);
        rig->dir.write("pixels.frag", pixelsFragment);
        programs = rig->loadPrograms(catalogue);
        mesh = quad();
    }

    // A 1 x 1 quad around the origin in the z = 0 plane, uploaded.
    static std::shared_ptr<orv::scene::Mesh> quad()
    {
        aiMesh imported;
        imported.mNumVertices = 4;
        imported.mVertices = new aiVector3D[4]{{-0.5f, -0.5f, 0}, {0.5f, -0.5f, 0}, {0.5f, 0.5f, 0}, {-0.5f, 0.5f, 0}};
        imported.mNormals = new aiVector3D[4]{{0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {0, 0, 1}};
        imported.mTextureCoords[0] = new aiVector3D[4]{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
        imported.mNumUVComponents[0] = 2;
        imported.mNumFaces = 2;
        imported.mFaces = new aiFace[2];
        for (unsigned f = 0; f < 2; ++f) {
            imported.mFaces[f].mNumIndices = 3;
            imported.mFaces[f].mIndices = f == 0 ? new unsigned[3]{0, 1, 2} : new unsigned[3]{0, 2, 3};
        }
        auto mesh = orv::scene::Mesh::create(imported);
        mesh->loadTexCoords(0, imported);
        mesh->upload();
        return mesh;
    }

    // A 1 x 1 texture of one colour, from a file as demo textures come.
    std::shared_ptr<orv::scene::ImageTexture> solid(const std::string& name, unsigned char r, unsigned char g,
                                                    unsigned char b)
    {
        const std::string ppm = std::string("P6\n1 1\n255\n") + static_cast<char>(r) + static_cast<char>(g) +
                                static_cast<char>(b);
        auto texture = std::make_shared<orv::scene::ImageTexture>();
        texture->load(rig->dir.write(name + ".ppm", ppm).string());
        return texture;
    }

    glm::vec4 uniform4(GLuint program, const char* name, int components)
    {
        glm::vec4 value(0.0f);
        glGetUniformfv(program, glGetUniformLocation(program, name), glm::value_ptr(value));
        if (components < 4) {
            value.w = 0.0f;
        }
        return value;
    }

    std::unique_ptr<orv::gl::ProgramManager> programs;
    std::shared_ptr<orv::scene::Mesh> mesh;
};

TEST_F(MeshDraw, SceneUniformsComeFromTheTimelineAndTheParticle)
{
    rig->timeline->update(0.5);  // move the camera and particle off their start
    rig->root->update(0.5);
    ProbeTarget target(*programs, "uniforms_probe");
    mesh->setParallax(true);
    auto instance = mesh->createInstance();
    instance->setColor({0.25f, 0.5f, 0.75f});
    probe->addMeshInstance(instance);
    rig->root->update(0.0);

    target.draw(*rig->scene, target);
    instance->draw(*rig->scene, target);

    const GLuint program = programs->programId("uniforms_probe");
    EXPECT_EQ(glm::vec3(uniform4(program, "camera_pos", 3)), rig->timeline->cameraPosition());
    EXPECT_EQ(glm::vec3(uniform4(program, "light_pos", 3)), rig->particle->position());
    EXPECT_EQ(glm::vec3(uniform4(program, "mesh_color", 3)), glm::vec3(0.25f, 0.5f, 0.75f));
    glm::mat4 viewProjection(0.0f);
    glGetUniformfv(program, glGetUniformLocation(program, "vp_matrix"), glm::value_ptr(viewProjection));
    EXPECT_EQ(viewProjection, rig->timeline->viewProjection());
    glm::mat4 model(0.0f);
    glGetUniformfv(program, glGetUniformLocation(program, "m_matrix"), glm::value_ptr(model));
    EXPECT_EQ(model, instance->modelMatrix());
    float value = 0.0f;
    glGetUniformfv(program, glGetUniformLocation(program, "bounding_scale"), &value);
    EXPECT_FLOAT_EQ(value, rig->particle->attenuationRadius());
    EXPECT_FLOAT_EQ(rig->scene->particleLightRadius(), rig->particle->attenuationRadius());
    glGetUniformfv(program, glGetUniformLocation(program, "parallax"), &value);
    EXPECT_EQ(value, 1.0f);
    glGetUniformfv(program, glGetUniformLocation(program, "is_light_source"), &value);
    EXPECT_EQ(value, 0.0f);

    // A placement without a colour of its own leaves the last one in place.
    auto plain = mesh->createInstance();
    plain->setParallax(false);
    mesh->setLightSource(true);
    probe->addMeshInstance(plain);
    plain->draw(*rig->scene, target);
    EXPECT_EQ(glm::vec3(uniform4(program, "mesh_color", 3)), glm::vec3(0.25f, 0.5f, 0.75f));
    glGetUniformfv(program, glGetUniformLocation(program, "parallax"), &value);
    EXPECT_EQ(value, 0.0f);
    glGetUniformfv(program, glGetUniformLocation(program, "is_light_source"), &value);
    EXPECT_EQ(value, 1.0f);
}

TEST_F(MeshDraw, ModelMatrixTexturesAndColourReachThePixels)
{
    mesh->setDiffuseMap(solid("orange", 255, 128, 0));
    mesh->setNormalMap(solid("blue", 0, 0, 200));
    auto instance = mesh->createInstance();
    instance->setColor({1.0f, 0.5f, 1.0f});
    instance->setLocalMatrix(glm::translate(glm::mat4(1.0f), {0.5f, 0.0f, 0.0f}));
    probe->addMeshInstance(instance);
    rig->root->update(0.0);

    ProbeTarget target(*programs, "pixels_probe");
    const auto drawOnce = [&] {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glViewport(0, 0, 64, 48);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_CULL_FACE);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        target.draw(*rig->scene, target);
        instance->draw(*rig->scene, target);
        glFinish();
    };
    const auto pixel = [](int x, int y) {
        const auto rgba = orv::test::readPixels(x, y, 1, 1);
        return glm::ivec3(rgba[0], rgba[1], rgba[2]);
    };

    drawOnce();
    // The quad spans x from 0 to 1 in clip space: the right half of the window.
    EXPECT_EQ(pixel(10, 24), glm::ivec3(0, 0, 0)) << "left of the translated quad";
    const glm::ivec3 both = pixel(48, 24);
    EXPECT_NEAR(both.r, 255, 1);
    EXPECT_NEAR(both.g, 64, 1);  // 128 halved by mesh_color
    EXPECT_NEAR(both.b, 200, 1);

    // A pass that does not want normal maps binds nothing to unit 1 (textures
    // stay bound after a draw, so empty it first); the sampler still points
    // at unit 1, which then reads black.
    target.normal = false;
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, 0);
    drawOnce();
    const glm::ivec3 diffuseOnly = pixel(48, 24);
    EXPECT_NEAR(diffuseOnly.r, 255, 1);
    EXPECT_NEAR(diffuseOnly.g, 64, 1);
    EXPECT_EQ(diffuseOnly.b, 0);

    GLint vertexArray = -1;
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray);
    EXPECT_EQ(vertexArray, 0) << "the draw leaves no vertex array bound";
}

}  // namespace

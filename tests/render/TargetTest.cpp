#include <algorithm>
#include <stdexcept>

#include <gtest/gtest.h>

#include "gl/ProgramManager.h"
#include "render/Target.h"
#include "scene/Mesh.h"
#include "scene/MeshInstance.h"
#include "scene/Scene.h"
#include "support/GLContext.h"
#include "support/SceneRig.h"
#include "support/Scratch.h"

namespace {

using orv::render::Target;
using orv::scene::MeshInstance;

class ProbeTarget : public Target {
public:
    ProbeTarget(orv::gl::ProgramManager& programs, std::string name)
        : Target(programs), name_(std::move(name))
    {
    }
    std::string name() const override { return name_; }

private:
    std::string name_;
};

struct DrawCall {
    const MeshInstance* instance;
    const Target* target;
};

// Records its draw calls instead of drawing.
class RecordingInstance : public MeshInstance {
public:
    RecordingInstance(std::vector<DrawCall>& log)
        : MeshInstance(std::make_shared<orv::scene::Mesh>()), log_(log)
    {
    }
    void draw(orv::scene::Scene&, Target& target) override { log_.push_back({this, &target}); }

private:
    std::vector<DrawCall>& log_;
};

class TargetTest : public orv::test::GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        rig = std::make_unique<orv::test::SceneRig>();  // programs below live in its context
        const auto vertex = scratch.write("probe.vert",
                                          "#version 440 core\n"
                                          "layout(location = 0) in vec3 position;\n"
                                          "uniform mat4 m_matrix;\n"
                                          "void main() { gl_Position = m_matrix * vec4(position, 1.0); }\n");
        const auto fragment = scratch.write("probe.frag",
                                            "#version 440 core\n"
                                            "uniform float parallax;\n"
                                            "uniform sampler2D diffuse_sampler;\n"
                                            "out vec4 colour;\n"
                                            "void main() { colour = texture(diffuse_sampler, vec2(parallax)); }\n");
        const auto catalogue = scratch.write("gl_programs.yaml",
                                             "probe:\n"
                                             "  source:\n"
                                             "    - {type: vertex, file: \"" + vertex.string() + "\"}\n"
                                             "    - {type: fragment, file: \"" + fragment.string() + "\"}\n"
                                             "  uniforms: [m_matrix, parallax, diffuse_sampler, is_light_source]\n");
        programs = std::make_unique<orv::gl::ProgramManager>(catalogue.string());
        programs->load();
    }

    void TearDown() override
    {
        programs.reset();
        rig.reset();
        GLTest::TearDown();
    }
    orv::scene::Scene& scene() { return *rig->scene; }

    std::unique_ptr<orv::test::SceneRig> rig;
    orv::test::ScratchDir scratch;
    std::unique_ptr<orv::gl::ProgramManager> programs;
};

TEST_F(TargetTest, SwitchesStartOffAndTexturesAreNotWanted)
{
    ProbeTarget target(*programs, "probe");
    EXPECT_EQ(target.programManager(), programs.get());
    EXPECT_FALSE(target.isEnabled());
    EXPECT_FALSE(target.isBloomEnabled());
    EXPECT_FALSE(target.usesDiffuseMap());
    EXPECT_FALSE(target.usesNormalMap());
    EXPECT_FALSE(target.usesSpecularMap());
    EXPECT_FALSE(target.usesDisplacementMap());
    EXPECT_TRUE(target.drawables().empty());

    target.setEnabled(true);
    EXPECT_TRUE(target.isEnabled());
    EXPECT_FALSE(target.isBloomEnabled());
    target.setBloomEnabled(true);
    target.setEnabled(false);
    EXPECT_TRUE(target.isBloomEnabled());
    EXPECT_FALSE(target.isEnabled());
}

TEST_F(TargetTest, DrawMakesItsOwnProgramCurrent)
{
    ProbeTarget target(*programs, "probe");
    glUseProgram(0);
    target.draw(scene(), target);
    GLint current = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_NE(current, 0);
    EXPECT_EQ(static_cast<GLuint>(current), programs->programId("probe"));
}

TEST_F(TargetTest, UniformsAreThoseOfItsProgram)
{
    ProbeTarget target(*programs, "probe");
    const GLuint program = programs->programId("probe");
    for (const char* uniform : {"m_matrix", "parallax", "diffuse_sampler"}) {
        EXPECT_GE(target.uniformLocation(uniform), 0) << uniform;
        EXPECT_EQ(target.uniformLocation(uniform), glGetUniformLocation(program, uniform)) << uniform;
    }
    EXPECT_EQ(target.uniformLocation("is_light_source"), -1);  // declared, not used by the shaders
    EXPECT_THROW(target.uniformLocation("bounding_scale"), std::out_of_range);

    auto names = target.uniformNames();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"diffuse_sampler", "is_light_source", "m_matrix", "parallax"}));

    ProbeTarget unknown(*programs, "not_in_catalogue");
    EXPECT_THROW(unknown.uniformLocation("m_matrix"), std::out_of_range);
    EXPECT_THROW(unknown.uniformNames(), std::out_of_range);
}

TEST_F(TargetTest, DrawAllDrawsVisibleInstancesInOrderWithItself)
{
    std::vector<DrawCall> log;
    ProbeTarget target(*programs, "probe");
    target.drawAll(scene());
    EXPECT_TRUE(log.empty());

    auto first = std::make_shared<RecordingInstance>(log);
    auto suppressed = std::make_shared<RecordingInstance>(log);
    suppressed->setDrawSuppression(1);
    auto hidden = std::make_shared<RecordingInstance>(log);
    hidden->setRenderFlag(false);
    auto last = std::make_shared<RecordingInstance>(log);
    for (const auto& instance : {first, suppressed, hidden, last, first})
        target.addDrawable(instance);
    ASSERT_EQ(target.drawables().size(), 5u);

    target.drawAll(scene());
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].instance, first.get());
    EXPECT_EQ(log[1].instance, last.get());
    EXPECT_EQ(log[2].instance, first.get());
    for (const DrawCall& call : log)
        EXPECT_EQ(call.target, &target);

    // Flags are read at every call; the enabled switch is the caller's business.
    log.clear();
    suppressed->setDrawSuppression(0);
    hidden->setRenderFlag(true);
    last->setDrawSuppression(-1);
    target.drawables()[0]->setRenderFlag(false);
    target.drawAll(scene());
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].instance, suppressed.get());
    EXPECT_EQ(log[1].instance, hidden.get());
}

}  // namespace

#include <algorithm>
#include <array>
#include <memory>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>
#include <yaml-cpp/yaml.h>

#include "gl/Handle.h"
#include "gl/ProgramManager.h"
#include "support/GLContext.h"
#include "support/Scratch.h"

using orv::gl::ProgramManager;

namespace {

const char* const passVertex = R"(#version 440 core
void main()
{
    // One triangle that covers the whole viewport.
    vec2 corner = vec2(float((gl_VertexID & 1) << 2), float((gl_VertexID & 2) << 1)) - 1.0;
    gl_Position = vec4(corner, 0.0, 1.0);
}
)";

std::string solidFragment(const char* colour)
{
    return std::string("#version 440 core\nout vec4 colour;\nvoid main() { colour = vec4(") + colour + "); }\n";
}

// Each test gets its own folder as working directory, like the player's demo folder.
class ProgramCatalogue : public orv::test::GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        scratch.write("pass.vert", passVertex);
        scratch.write("red.frag", solidFragment("1.0, 0.0, 0.0, 1.0"));
        scratch.write("green.frag", solidFragment("0.0, 1.0, 0.0, 1.0"));
        cwd = std::make_unique<orv::test::WorkingDir>(scratch.path());
    }
    void TearDown() override
    {
        cwd.reset();
        GLTest::TearDown();
    }

    // Loads a catalogue text and returns the manager; stderr of the load goes to `log`.
    std::unique_ptr<ProgramManager> load(const std::string& yaml)
    {
        scratch.write("gl_programs.yaml", yaml);
        auto manager = std::make_unique<ProgramManager>("gl_programs.yaml");
        testing::internal::CaptureStderr();
        try {
            manager->load();
        } catch (...) {
            log = testing::internal::GetCapturedStderr();
            throw;
        }
        log = testing::internal::GetCapturedStderr();
        return manager;
    }

    // Draws the program over a 4 x 4 framebuffer and returns the centre pixel.
    std::array<int, 4> drawWith(const ProgramManager& programs, const std::string& name)
    {
        GLuint framebuffer = 0;
        GLuint colour = 0;
        GLuint vertexArray = 0;
        glGenFramebuffers(1, &framebuffer);
        glGenRenderbuffers(1, &colour);
        glGenVertexArrays(1, &vertexArray);
        glBindRenderbuffer(GL_RENDERBUFFER, colour);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, 4, 4);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
        glViewport(0, 0, 4, 4);
        glDisable(GL_DEPTH_TEST);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        programs.use(name);
        glBindVertexArray(vertexArray);
        glDrawArrays(GL_TRIANGLES, 0, 3);
        const auto pixels = orv::test::readPixels(2, 2, 1, 1);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &framebuffer);
        glDeleteRenderbuffers(1, &colour);
        glDeleteVertexArrays(1, &vertexArray);
        return {pixels[0], pixels[1], pixels[2], pixels[3]};
    }

    static GLint programValue(GLuint program, GLenum what)
    {
        GLint value = -1;
        glGetProgramiv(program, what, &value);
        return value;
    }

    orv::test::ScratchDir scratch;
    std::unique_ptr<orv::test::WorkingDir> cwd;
    std::string log;
};

const char* const redProgram = R"(
red:
  source:
    - {type: vertex, file: pass.vert}
    - {type: fragment, file: red.frag}
)";

TEST_F(ProgramCatalogue, LinkedProgramDrawsAndIsLabelled)
{
    auto programs = load(redProgram);
    EXPECT_EQ(log, "");
    ASSERT_TRUE(programs->contains("red"));
    const GLuint id = programs->programId("red");
    EXPECT_EQ(programValue(id, GL_LINK_STATUS), GL_TRUE);
    // The shader objects are detached and deleted once linked.
    EXPECT_EQ(programValue(id, GL_ATTACHED_SHADERS), 0);
    EXPECT_EQ(drawWith(*programs, "red"), (std::array<int, 4>{255, 0, 0, 255}));

    std::array<char, 16> label{};
    glGetObjectLabel(GL_PROGRAM, id, static_cast<GLsizei>(label.size()), nullptr, label.data());
    EXPECT_STREQ(label.data(), "red");
    programs->deletePrograms();
}

TEST_F(ProgramCatalogue, RebuildKeepsExactlyOneGLProgramPerNameAndNoShaders)
{
    using orv::gl::Kind;
    using orv::gl::liveObjects;
    const long programsBefore = liveObjects(Kind::Program);
    const long shadersBefore = liveObjects(Kind::Shader);
    {
        auto programs = load(redProgram);
        const GLuint first = programs->programId("red");
        EXPECT_EQ(liveObjects(Kind::Program), programsBefore + 1);
        EXPECT_EQ(liveObjects(Kind::Shader), shadersBefore);

        // Swapped in: the running program is deleted, the new one drawn with.
        scratch.write("red.frag", solidFragment("0.0, 0.0, 1.0, 1.0"));
        ASSERT_TRUE(programs->rebuild({"red"}));
        const GLuint second = programs->programId("red");
        EXPECT_FALSE(glIsProgram(first));
        EXPECT_EQ(liveObjects(Kind::Program), programsBefore + 1);
        EXPECT_EQ(drawWith(*programs, "red"), (std::array<int, 4>{0, 0, 255, 255}));

        // Refused: the running program stays and the failed one is deleted.
        scratch.write("red.frag", "#version 440 core\nvoid main() { undefined_name = 1.0; }\n");
        testing::internal::CaptureStderr();
        EXPECT_FALSE(programs->rebuild({"red"}));
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(programs->programId("red"), second);
        EXPECT_TRUE(glIsProgram(second));
        EXPECT_EQ(liveObjects(Kind::Program), programsBefore + 1);
        EXPECT_EQ(liveObjects(Kind::Shader), shadersBefore);

        glUseProgram(0);  // a current program outlives its deletion
        programs->deletePrograms();
        EXPECT_FALSE(glIsProgram(second));
        EXPECT_EQ(liveObjects(Kind::Program), programsBefore);
    }
    // The manager going gives back nothing twice.
    EXPECT_EQ(liveObjects(Kind::Program), programsBefore);
}

TEST_F(ProgramCatalogue, LaterEntryOfAStageReplacesTheEarlierOne)
{
    auto programs = load(R"(
twice:
  source:
    - {type: vertex, file: pass.vert}
    - {type: fragment, file: red.frag}
    - {type: fragment, file: green.frag}
)");
    EXPECT_EQ(log, "");
    EXPECT_EQ(drawWith(*programs, "twice"), (std::array<int, 4>{0, 255, 0, 255}));
    programs->deletePrograms();
}

TEST_F(ProgramCatalogue, UnknownStageTypesAreSkippedWithoutTheirFile)
{
    // Neither entry has a "file", and reading one would throw.
    auto programs = load(R"(
red:
  source:
    - {type: compute}
    - {type: Vertex}
    - {type: vertex, file: pass.vert}
    - {type: fragment, file: red.frag}
)");
    EXPECT_EQ(log, "");
    EXPECT_EQ(drawWith(*programs, "red"), (std::array<int, 4>{255, 0, 0, 255}));
    programs->deletePrograms();
}

TEST_F(ProgramCatalogue, DepthTestIsOnlyEverEnabled)
{
    auto programs = load(std::string(redProgram) + R"(
deep:
  enable_depth_test: true
  source: [{type: vertex, file: pass.vert}]
not_bool:
  enable_depth_test: maybe
  source: [{type: vertex, file: pass.vert}]
as_map:
  enable_depth_test: {x: 1}
  source: [{type: vertex, file: pass.vert}]
)");
    glDisable(GL_DEPTH_TEST);
    for (const char* name : {"red", "not_bool", "as_map"}) {
        programs->use(name);
        EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST)) << name;
    }
    programs->use("deep");
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    // A program without the flag leaves the test as the previous one left it.
    programs->use("red");
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLint current = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(static_cast<GLuint>(current), programs->programId("red"));
    glDisable(GL_DEPTH_TEST);
    programs->deletePrograms();
}

TEST_F(ProgramCatalogue, VaryingsAreDeclaredInOrderAndInterleaved)
{
    scratch.write("capture.vert", R"(#version 440 core
out float a;
out vec2 b;
void main() { a = 1.0; b = vec2(2.0); gl_Position = vec4(0.0); }
)");
    auto programs = load(R"(
capture:
  source: [{type: vertex, file: capture.vert}]
  transform_feedback_varyings: [b, a]
plain:
  source: [{type: vertex, file: capture.vert}]
empty_list:
  source: [{type: vertex, file: capture.vert}]
  transform_feedback_varyings: []
)");
    EXPECT_EQ(log, "");
    const GLuint capture = programs->programId("capture");
    EXPECT_EQ(programValue(capture, GL_TRANSFORM_FEEDBACK_BUFFER_MODE), GL_INTERLEAVED_ATTRIBS);
    ASSERT_EQ(programValue(capture, GL_TRANSFORM_FEEDBACK_VARYINGS), 2);
    std::array<char, 8> name{};
    glGetProgramResourceName(capture, GL_TRANSFORM_FEEDBACK_VARYING, 0, 8, nullptr, name.data());
    EXPECT_STREQ(name.data(), "b");
    glGetProgramResourceName(capture, GL_TRANSFORM_FEEDBACK_VARYING, 1, 8, nullptr, name.data());
    EXPECT_STREQ(name.data(), "a");

    for (const char* program : {"plain", "empty_list"}) {
        EXPECT_EQ(programValue(programs->programId(program), GL_LINK_STATUS), GL_TRUE) << program;
        EXPECT_EQ(programValue(programs->programId(program), GL_TRANSFORM_FEEDBACK_VARYINGS), 0) << program;
    }
    programs->deletePrograms();
}

TEST_F(ProgramCatalogue, UniformLocationsAreCachedPerDeclaredName)
{
    scratch.write("tinted.frag", R"(#version 440 core
uniform vec4 tint;
uniform float unused;
uniform float undeclared;
out vec4 colour;
void main() { colour = tint + vec4(undeclared); }
)");
    auto programs = load(R"(
tinted:
  source:
    - {type: vertex, file: pass.vert}
    - {type: fragment, file: tinted.frag}
  uniforms: [tint, unused]
bare:
  source: [{type: vertex, file: pass.vert}]
)");
    const GLuint id = programs->programId("tinted");
    EXPECT_EQ(programs->uniformLocation("tinted", "tint"), glGetUniformLocation(id, "tint"));
    EXPECT_GE(programs->uniformLocation("tinted", "tint"), 0);
    EXPECT_EQ(programs->uniformLocation("tinted", "unused"), -1);  // optimised away, still declared
    EXPECT_EQ(programs->uniformLocation(std::string("tinted").c_str(), "unused"), -1);
    // In the source but not in the catalogue.
    EXPECT_THROW(programs->uniformLocation("tinted", "undeclared"), std::out_of_range);

    auto names = programs->uniformNames("tinted");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"tint", "unused"}));

    // No "uniforms" key: loads, has none.
    EXPECT_TRUE(programs->uniformNames("bare").empty());
    EXPECT_THROW(programs->uniformLocation("bare", "tint"), std::out_of_range);

    // The cached location is the one that works.
    programs->use("tinted");
    glUniform4f(programs->uniformLocation("tinted", "tint"), 0.0f, 0.0f, 1.0f, 1.0f);
    EXPECT_EQ(drawWith(*programs, "tinted"), (std::array<int, 4>{0, 0, 255, 255}));
    programs->deletePrograms();
}

TEST_F(ProgramCatalogue, UnknownProgramNamesThrowOutOfRange)
{
    auto programs = load(redProgram);
    EXPECT_THROW(programs->use("Red"), std::out_of_range);
    EXPECT_THROW(programs->uniformLocation("blue", "tint"), std::out_of_range);
    EXPECT_THROW(programs->uniformNames(""), std::out_of_range);
    EXPECT_THROW(programs->programId("blue"), std::out_of_range);
    programs->deletePrograms();
}

TEST_F(ProgramCatalogue, EmptyCatalogueGivesNoPrograms)
{
    auto programs = load("");
    EXPECT_EQ(programs->size(), 0u);
    EXPECT_EQ(log, "");
}

TEST_F(ProgramCatalogue, CompileErrorPrintsHeaderAndCompilerLog)
{
    scratch.write("broken.frag", "#version 440 core\nvoid main() { undefined_name = 1.0; }\n");
    auto programs = load(R"(
broken:
  source:
    - {type: vertex, file: pass.vert}
    - {type: fragment, file: broken.frag}
)");
    const auto header = log.find("GL shader compilation error: ");
    ASSERT_NE(header, std::string::npos) << log;
    EXPECT_EQ(log.find("GL shader compilation error: program \"broken\", broken.frag: "), header) << log;
    EXPECT_NE(log.find("undefined_name", header), std::string::npos) << log;
    // The program is kept under its name whatever its stages did.
    EXPECT_TRUE(programs->contains("broken"));
    programs->deletePrograms();
}

TEST_F(ProgramCatalogue, MissingShaderFileIsNamedAndLeftOut)
{
    std::filesystem::create_directories(scratch.path() / "a_folder.frag");
    scratch.write("lonely.geom", R"(#version 440 core
layout(points) in;
layout(points, max_vertices = 1) out;
void main() { gl_Position = vec4(0.0); EmitVertex(); }
)");
    auto programs = load(R"(
no_fragment:
  source:
    - {type: vertex, file: pass.vert}
    - {type: fragment, file: missing.frag}
no_vertex:
  source:
    - {type: geometry, file: lonely.geom}
    - {type: fragment, file: missing.frag}
  uniforms: [anything]
folder_fragment:
  source:
    - {type: vertex, file: pass.vert}
    - {type: fragment, file: a_folder.frag}
)");
    EXPECT_EQ(log.find("GL shader compilation error: "), std::string::npos) << log;
    EXPECT_NE(log.find("program \"no_fragment\": cannot read the shader file \"missing.frag\""), std::string::npos)
        << log;
    EXPECT_NE(log.find("program \"folder_fragment\": cannot read the shader file \"a_folder.frag\" (it is a folder)"),
              std::string::npos)
        << log;
    EXPECT_EQ(programValue(programs->programId("folder_fragment"), GL_LINK_STATUS), GL_TRUE);
    // The vertex stage alone links.
    EXPECT_EQ(programValue(programs->programId("no_fragment"), GL_LINK_STATUS), GL_TRUE);
    // A geometry stage without a vertex stage does not, and the linker says so once.
    EXPECT_EQ(programValue(programs->programId("no_vertex"), GL_LINK_STATUS), GL_FALSE);
    const auto header = log.find("GL shader linker error: program \"no_vertex\": ");
    ASSERT_NE(header, std::string::npos) << log;
    EXPECT_GT(log.size(), header + std::string("GL shader linker error: program \"no_vertex\": \n").size())
        << "empty linker log";
    EXPECT_EQ(log.find("GL shader linker error: ", header + 1), std::string::npos) << log;
    // Uniforms of an unlinked program are unused, without asking GL (which would raise an error).
    EXPECT_EQ(programs->uniformLocation("no_vertex", "anything"), -1);
    programs->deletePrograms();
}

TEST_F(ProgramCatalogue, ConversionErrorKeepsEarlierPrograms)
{
    ProgramManager programs("gl_programs.yaml");
    scratch.write("gl_programs.yaml", std::string(redProgram) + R"(
bad:
  source:
    - {type: [vertex], file: pass.vert}
)");
    try {
        programs.load();
        FAIL() << "a sequence as \"type\" must not load";
    } catch (const YAML::RepresentationException& error) {
        const std::string what = error.what();
        EXPECT_NE(what.find("bad conversion"), std::string::npos) << what;
        EXPECT_NE(what.find("line 9"), std::string::npos) << what;
    }
    EXPECT_TRUE(programs.contains("red"));
    EXPECT_FALSE(programs.contains("bad"));
    programs.deletePrograms();
}

// Missing, a stage's "type" or "file" is the same conversion error, with its line.
TEST_F(ProgramCatalogue, MissingStageKeyIsABadConversion)
{
    for (const char* stage : {"{file: pass.vert}", "{type: vertex}"}) {
        ProgramManager programs("gl_programs.yaml");
        scratch.write("gl_programs.yaml", std::string("lacking:\n  source:\n    - ") + stage + "\n");
        try {
            programs.load();
            ADD_FAILURE() << stage << " must not load";
        } catch (const YAML::RepresentationException& error) {
            const std::string what = error.what();
            EXPECT_NE(what.find("bad conversion"), std::string::npos) << what;
            EXPECT_NE(what.find("line 3"), std::string::npos) << what;
        }
        programs.deletePrograms();
    }
}

TEST_F(ProgramCatalogue, NonStringUniformIsABadConversion)
{
    ProgramManager programs("gl_programs.yaml");
    scratch.write("gl_programs.yaml", "odd:\n  source: [{type: vertex, file: pass.vert}]\n  uniforms: [[a]]\n");
    EXPECT_THROW(programs.load(), YAML::RepresentationException);
    EXPECT_FALSE(programs.contains("odd"));
}

TEST_F(ProgramCatalogue, MissingOrMalformedCatalogueRaisesTheLibraryErrors)
{
    ProgramManager missing("nowhere.yaml");
    try {
        missing.load();
        FAIL() << "a missing catalogue must throw";
    } catch (const YAML::BadFile& error) {
        EXPECT_EQ(std::string(error.what()), "bad file: nowhere.yaml");
    }

    scratch.write("broken.yaml", "red: {source: [\n");
    ProgramManager broken("broken.yaml");
    try {
        broken.load();
        FAIL() << "malformed YAML must throw";
    } catch (const YAML::ParserException& error) {
        const std::string what = error.what();
        EXPECT_EQ(what.rfind("yaml-cpp: error at line", 0), 0u) << what;
    }
}

}  // namespace

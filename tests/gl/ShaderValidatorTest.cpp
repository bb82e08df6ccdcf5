#include "gl/ShaderValidator.h"

#include <string>

#include <gtest/gtest.h>

#include "support/Scratch.h"

namespace {

using orv::problem::DemoConfig;
using orv::problem::Report;
using orv::gl::ShaderValidator;

const char* const vertex = R"(#version 440 core
layout(location = 0) in vec3 position;
uniform mat4 m_matrix;
uniform mat4 vp_matrix;
void main() { gl_Position = vp_matrix * m_matrix * vec4(position, 1.0); }
)";

// Programs written into a scratch folder and validated from there.
struct ShaderValidatorTest : ::testing::Test {
    orv::test::ScratchDir dir;
    orv::test::WorkingDir inside{dir.path()};
    ShaderValidator validator;
    Report report;

    DemoConfig::Program program(const std::string& name, std::vector<std::pair<std::string, std::string>> stages,
                                std::vector<std::string> uniforms, std::vector<std::string> varyings = {})
    {
        DemoConfig::Program result;
        result.name.name = name;
        int line = 0;
        for (const auto& [type, text] : stages) {
            const std::string file = "shaders/" + name + "_" + type + ".glsl";
            if (!text.empty())
                dir.write(file, text);
            DemoConfig::Stage stage;
            stage.type = type;
            stage.file.name = file;
            stage.file.mark.line = line++;
            result.stages.push_back(stage);
        }
        for (const auto& uniform : uniforms)
            result.uniforms.push_back({uniform, YAML::Mark()});
        for (const auto& varying : varyings)
            result.varyings.push_back({varying, YAML::Mark()});
        return result;
    }

    std::string lines() const
    {
        std::string text;
        for (const auto& problem : report.problems())
            text += problem.text() + "\n";
        return text;
    }
};

TEST_F(ShaderValidatorTest, ProgramsThatBuildAndDeclareTheirUniformsPass)
{
    // A uniform declared but not read still counts, and the mesh uniforms a
    // pass sets only where a shader has them need not be declared at all.
    validator.check(program("bloom",
                            {{"vertex", vertex},
                             {"fragment", "#version 330 core\nuniform sampler2D scene;\nuniform sampler2D blur;\n"
                                          "out vec4 colour;\nvoid main() { colour = texture(scene, vec2(0)); }\n"}},
                            {"scene", "blur", "m_matrix", "vp_matrix", "parallax", "bounding_scale"}),
                    report);
    EXPECT_EQ(lines(), "");
}

TEST_F(ShaderValidatorTest, EachFaultIsALineAtItsPlace)
{
    // Compile error: the shader file and the line of the fault.
    validator.check(program("copy", {{"vertex", vertex},
                                     {"fragment", "#version 440 core\nout vec4 c;\nvoid main()\n{\n"
                                                  "    c = undeclared;\n}\n"}},
                            {}),
                    report);
    // A GLSL version an OpenGL 4.4 context does not have.
    validator.check(program("gauss_h", {{"vertex", std::string(vertex).replace(9, 3, "450")}}, {}), report);
    // A stage that cannot be read, and one that does not link (no main).
    validator.check(program("gauss_v", {{"vertex", ""}}, {}), report);
    validator.check(program("cubemap", {{"vertex", vertex}, {"fragment", "#version 440 core\nout vec4 c;\n"}}, {}),
                    report);
    // Listed but declared nowhere; too few outputs for its pass; a captured
    // output that the last stage does not have.
    validator.check(program("deferred_render_geometry",
                            {{"vertex", vertex},
                             {"fragment", "#version 440 core\nout vec4 c;\nvoid main() { c = vec4(1); }\n"}},
                            {"m_matrix", "glow"}),
                    report);
    validator.check(program("light_particles_update", {{"vertex", vertex}}, {}, {"type_position"}), report);

    const auto& problems = report.problems();
    // The compiler's cascade after the first fault stays, its closing note goes.
    ASSERT_EQ(problems.size(), 8u) << lines();
    const auto at = [&](const std::string& text) -> const orv::problem::Problem& {
        for (const auto& problem : problems) {
            if (problem.what.find(text) != std::string::npos)
                return problem;
        }
        ADD_FAILURE() << "no problem says " << text << " in:\n" << lines();
        static const orv::problem::Problem none;
        return none;
    };
    const auto& compile = at("GL shader compilation error: program \"copy\": 'undeclared' : undeclared identifier");
    EXPECT_EQ(compile.file, "shaders/copy_fragment.glsl");
    EXPECT_EQ(compile.line, 5);
    EXPECT_EQ(at("GLSL version 450 is not available in an OpenGL 4.4 core context").file,
              "shaders/gauss_h_vertex.glsl");
    const auto& unreadable = at("program \"gauss_v\": cannot read the shader file \"shaders/gauss_v_vertex.glsl\"");
    EXPECT_EQ(unreadable.file, "config/gl_programs.yaml");
    EXPECT_EQ(unreadable.line, 1);
    EXPECT_EQ(at("GL shader linker error: program \"cubemap\": ").file, "config/gl_programs.yaml");
    at("program \"deferred_render_geometry\" lists the uniform \"glow\", which none of its shaders declares");
    at("writes 1 fragment output(s); its pass draws into 4");
    at("captures \"type_position\", which is no output of its last vertex-processing stage");
    for (const auto& problem : problems) {
        EXPECT_TRUE(problem.isError());
        EXPECT_EQ(problem.text().back(), ')') << "every line says what to do: " << problem.text();
    }
}

}  // namespace

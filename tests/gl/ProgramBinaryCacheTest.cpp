#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "gl/ProgramBinaryCache.h"
#include "gl/ProgramManager.h"
#include "support/GLContext.h"
#include "support/Scratch.h"

using orv::gl::ProgramBinaryCache;
using orv::gl::ProgramManager;

namespace {

const char* const passVertex = R"(#version 440 core
void main()
{
    vec2 corner = vec2(float((gl_VertexID & 1) << 2), float((gl_VertexID & 2) << 1)) - 1.0;
    gl_Position = vec4(corner, 0.0, 1.0);
}
)";

const char* const tintFragment = R"(#version 440 core
uniform vec4 unused_here;
uniform vec4 tint;
uniform float scale;
out vec4 colour;
void main() { colour = tint * scale; }
)";

const char* const captureVertex = R"(#version 440 core
out float a;
out vec2 b;
void main() { a = 1.0; b = vec2(2.0); gl_Position = vec4(0.0); }
)";

const char* const catalogue = R"(
tinted:
  source:
    - {type: vertex, file: pass.vert}
    - {type: fragment, file: tint.frag}
  uniforms: [tint, scale, unused_here]
capture:
  source: [{type: vertex, file: capture.vert}]
  transform_feedback_varyings: [b, a]
)";

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// A demo folder with two programs and a cache folder beside it; each load
// is a fresh manager and a fresh cache over the same folder, as a new run.
class ProgramBinaries : public orv::test::GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        scratch.write("pass.vert", passVertex);
        scratch.write("tint.frag", tintFragment);
        scratch.write("capture.vert", captureVertex);
        scratch.write("gl_programs.yaml", catalogue);
        cwd = std::make_unique<orv::test::WorkingDir>(scratch.path());
        cacheFolder = scratch.path() / "cache" / "orv";
    }
    void TearDown() override
    {
        cwd.reset();
        GLTest::TearDown();
    }

    struct Run {
        std::unique_ptr<ProgramBinaryCache> cache;
        std::unique_ptr<ProgramManager> programs;
        std::string log;
    };

    Run load(const std::filesystem::path& folder)
    {
        Run run;
        run.cache = std::make_unique<ProgramBinaryCache>(folder);
        run.programs = std::make_unique<ProgramManager>("gl_programs.yaml");
        run.programs->setBinaryCache(run.cache.get());
        testing::internal::CaptureStderr();
        run.programs->load();
        run.log = testing::internal::GetCapturedStderr();
        return run;
    }

    // The tinted program over a 4 x 4 framebuffer: the centre pixel.
    std::array<int, 4> draw(const ProgramManager& programs)
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
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        programs.use("tinted");
        glUniform4f(programs.uniformLocation("tinted", "tint"), 0.1f, 0.2f, 0.4f, 0.5f);
        glUniform1f(programs.uniformLocation("tinted", "scale"), 2.0f);
        glBindVertexArray(vertexArray);
        glDrawArrays(GL_TRIANGLES, 0, 3);
        const auto pixels = orv::test::readPixels(2, 2, 1, 1);
        glUseProgram(0);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &framebuffer);
        glDeleteRenderbuffers(1, &colour);
        glDeleteVertexArrays(1, &vertexArray);
        return {pixels[0], pixels[1], pixels[2], pixels[3]};
    }

    static std::array<int, 4> expectedPixel() { return {51, 102, 204, 255}; }

    // The cache file of the tinted program, as the first run wrote it.
    std::filesystem::path tintedFile(Run& run)
    {
        const std::string vertex = passVertex;
        const std::string fragment = tintFragment;
        const std::vector<std::string> none;
        ProgramBinaryCache::Sources sources;
        sources.stages = {{GL_VERTEX_SHADER, &vertex}, {GL_FRAGMENT_SHADER, &fragment}};
        sources.varyings = &none;
        return run.cache->fileOf(run.cache->keyOf(sources));
    }

    orv::test::ScratchDir scratch;
    std::unique_ptr<orv::test::WorkingDir> cwd;
    std::filesystem::path cacheFolder;
};

TEST_F(ProgramBinaries, SecondRunLinksFromTheCacheAndDrawsTheSame)
{
    Run first = load(cacheFolder);
    if (!first.cache->supported()) {
        // Mesa offers binaries only with its shader cache on
        // (MESA_SHADER_CACHE_DISABLE turns both off): then all is compiled.
        EXPECT_EQ(first.programs->programsCompiled(), 2u);
        EXPECT_FALSE(std::filesystem::exists(cacheFolder));
        EXPECT_EQ(draw(*first.programs), expectedPixel());
        first.programs->deletePrograms();
        GTEST_SKIP() << "the GL driver offers no program binary formats";
    }
    EXPECT_EQ(first.log, "");
    EXPECT_EQ(first.programs->programsCompiled(), 2u);
    EXPECT_EQ(first.programs->programsFromCache(), 0u);
    EXPECT_TRUE(std::filesystem::is_regular_file(tintedFile(first)));
    const std::array<int, 4> compiled = draw(*first.programs);
    EXPECT_EQ(compiled, expectedPixel());

    Run second = load(cacheFolder);
    EXPECT_EQ(second.log, "");
    EXPECT_EQ(second.programs->programsCompiled(), 0u);
    EXPECT_EQ(second.programs->programsFromCache(), 2u);
    EXPECT_EQ(second.cache->hits(), 2u);
    EXPECT_EQ(draw(*second.programs), compiled);
    // Uniform locations and the transform-feedback outputs come with the binary.
    for (const char* uniform : {"tint", "scale", "unused_here"})
        EXPECT_EQ(second.programs->uniformLocation("tinted", uniform),
                  first.programs->uniformLocation("tinted", uniform))
            << uniform;
    EXPECT_EQ(second.programs->uniformLocation("tinted", "unused_here"), -1);
    const GLuint capture = second.programs->programId("capture");
    GLint varyings = 0;
    glGetProgramiv(capture, GL_TRANSFORM_FEEDBACK_VARYINGS, &varyings);
    ASSERT_EQ(varyings, 2);
    std::array<char, 8> name{};
    glGetProgramResourceName(capture, GL_TRANSFORM_FEEDBACK_VARYING, 0, 8, nullptr, name.data());
    EXPECT_STREQ(name.data(), "b");
    first.programs->deletePrograms();
    second.programs->deletePrograms();
}

TEST_F(ProgramBinaries, ChangedSourceOrVaryingsCompileAgain)
{
    Run first = load(cacheFolder);
    first.programs->deletePrograms();
    if (!first.cache->supported())
        GTEST_SKIP() << "the GL driver offers no program binary formats";

    scratch.write("tint.frag", std::string(tintFragment) + "// edited\n");
    Run edited = load(cacheFolder);
    EXPECT_EQ(edited.log, "");
    EXPECT_EQ(edited.programs->programsCompiled(), 1u);
    EXPECT_EQ(edited.programs->programsFromCache(), 1u);
    EXPECT_EQ(draw(*edited.programs), expectedPixel());
    edited.programs->deletePrograms();

    // The same shader with other outputs is another program.
    scratch.write("gl_programs.yaml", R"(
capture:
  source: [{type: vertex, file: capture.vert}]
  transform_feedback_varyings: [a]
)");
    Run varyings = load(cacheFolder);
    EXPECT_EQ(varyings.programs->programsCompiled(), 1u);
    GLint count = 0;
    glGetProgramiv(varyings.programs->programId("capture"), GL_TRANSFORM_FEEDBACK_VARYINGS, &count);
    EXPECT_EQ(count, 1);
    varyings.programs->deletePrograms();
}

TEST_F(ProgramBinaries, CorruptForeignOrTruncatedFilesFallBackToCompiling)
{
    Run first = load(cacheFolder);
    const std::filesystem::path file = tintedFile(first);
    first.programs->deletePrograms();
    if (!first.cache->supported())
        GTEST_SKIP() << "the GL driver offers no program binary formats";
    const std::string good = readFile(file);
    ASSERT_GT(good.size(), 64u);

    std::string corruptBinary = good;
    for (std::size_t i = good.size() - 32; i < good.size(); ++i)
        corruptBinary[i] = static_cast<char>(corruptBinary[i] ^ 0x5a);
    std::string foreign = good;
    const auto mesa = foreign.find("Mesa");
    ASSERT_NE(mesa, std::string::npos);
    foreign.replace(mesa, 4, "Masa");  // another driver's build of the same sources
    // The binary's format follows the 8-byte tag, the key's 8-byte length and the key.
    std::uint64_t keyLength = 0;
    std::memcpy(&keyLength, good.data() + 8, sizeof(keyLength));
    ASSERT_LT(keyLength, good.size());
    std::string otherFormat = good;
    otherFormat[16 + keyLength] = static_cast<char>(otherFormat[16 + keyLength] ^ 0x7f);

    const std::pair<const char*, std::string> cases[] = {
        {"corrupt binary", corruptBinary},
        {"foreign key", foreign},
        {"unknown format", otherFormat},
        {"truncated", good.substr(0, good.size() / 2)},
        {"header only", good.substr(0, 8)},
        {"empty", ""},
        {"not ours", "P6\n1 1\n255\nabc"},
    };
    for (const auto& [what, content] : cases) {
        writeFile(file, content);
        Run run = load(cacheFolder);
        EXPECT_EQ(run.log, "") << what;
        EXPECT_EQ(run.programs->programsCompiled(), 1u) << what;
        EXPECT_EQ(draw(*run.programs), expectedPixel()) << what;
        run.programs->deletePrograms();
        // The compile put a good file back.
        EXPECT_EQ(readFile(file), good) << what;
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << what;
    }
}

TEST_F(ProgramBinaries, UnwritableCacheFolderOnlyMeansCompiling)
{
    // A file where the folder should be: no folder can be made below it
    // (permissions would not stop a test run as root).
    scratch.write("blocked", "a file");
    for (int run = 0; run < 2; ++run) {
        Run blocked = load(scratch.path() / "blocked" / "orv");
        EXPECT_EQ(blocked.log, "");
        EXPECT_EQ(blocked.programs->programsCompiled(), 2u);
        EXPECT_EQ(blocked.programs->programsFromCache(), 0u);
        EXPECT_EQ(draw(*blocked.programs), expectedPixel());
        blocked.programs->deletePrograms();
    }
    EXPECT_TRUE(std::filesystem::is_regular_file(scratch.path() / "blocked"));
}

// The environment of one test, put back afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value != nullptr)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(ProgramBinaryFolder, FollowsTheCacheHomeAndCanBeTurnedOff)
{
    ScopedEnv home("HOME", "/home/someone");
    ScopedEnv off("ORV_PROGRAM_CACHE", nullptr);
    {
        ScopedEnv xdg("XDG_CACHE_HOME", "/var/cache/me");
        EXPECT_EQ(ProgramBinaryCache::defaultFolder(), std::filesystem::path("/var/cache/me/orv"));
    }
    {
        // A relative cache home is not one.
        ScopedEnv xdg("XDG_CACHE_HOME", "relative");
        EXPECT_EQ(ProgramBinaryCache::defaultFolder(), std::filesystem::path("/home/someone/.cache/orv"));
    }
    {
        ScopedEnv xdg("XDG_CACHE_HOME", nullptr);
        EXPECT_EQ(ProgramBinaryCache::defaultFolder(), std::filesystem::path("/home/someone/.cache/orv"));
        ScopedEnv noHome("HOME", nullptr);
        EXPECT_EQ(ProgramBinaryCache::defaultFolder(), std::nullopt);
    }
    ScopedEnv turnedOff("ORV_PROGRAM_CACHE", "0");
    EXPECT_EQ(ProgramBinaryCache::defaultFolder(), std::nullopt);
}

}  // namespace

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>
#include <yaml-cpp/yaml.h>

#include "support/Scratch.h"
#include "view/OpenGLwindow.h"

using orv::view::OpenGLwindow;

namespace {

class KeyTable : public ::testing::Test {
protected:
    void SetUp() override { OpenGLwindow::resetInputState(); }
    void TearDown() override { OpenGLwindow::resetInputState(); }
    static void key(int key, int action, int mods = 0) { OpenGLwindow::keyCallback(nullptr, key, 0, action, mods); }
};

TEST_F(KeyTable, PressRepeatRelease)
{
    key(GLFW_KEY_W, GLFW_PRESS);
    EXPECT_TRUE(OpenGLwindow::isKeyPressed(GLFW_KEY_W));
    key(GLFW_KEY_W, GLFW_REPEAT);
    EXPECT_TRUE(OpenGLwindow::isKeyPressed(GLFW_KEY_W));
    key(GLFW_KEY_W, GLFW_RELEASE);
    EXPECT_FALSE(OpenGLwindow::isKeyPressed(GLFW_KEY_W));
    // A repeat after release does not press the key again.
    key(GLFW_KEY_W, GLFW_REPEAT);
    EXPECT_FALSE(OpenGLwindow::isKeyPressed(GLFW_KEY_W));
}

TEST_F(KeyTable, ShiftOnlyWhenModifiersAreExactlyShift)
{
    key(GLFW_KEY_W, GLFW_PRESS, GLFW_MOD_SHIFT);
    EXPECT_TRUE(OpenGLwindow::isShiftHeld());
    key(GLFW_KEY_W, GLFW_REPEAT, GLFW_MOD_SHIFT | GLFW_MOD_CONTROL);
    EXPECT_FALSE(OpenGLwindow::isShiftHeld());
    key(GLFW_KEY_A, GLFW_PRESS, GLFW_MOD_SHIFT);
    EXPECT_TRUE(OpenGLwindow::isShiftHeld());
    // Even an unknown key reports its modifiers.
    key(GLFW_KEY_UNKNOWN, GLFW_PRESS, 0);
    EXPECT_FALSE(OpenGLwindow::isShiftHeld());
}

TEST_F(KeyTable, KeysOutsideTheTableAreIgnored)
{
    key(-1, GLFW_PRESS);
    key(1024, GLFW_PRESS);
    key(5000, GLFW_PRESS);
    for (int k = 0; k < OpenGLwindow::keyCount; ++k) {
        ASSERT_FALSE(OpenGLwindow::isKeyPressed(k)) << k;
    }
    EXPECT_FALSE(OpenGLwindow::isKeyPressed(-1));
    EXPECT_FALSE(OpenGLwindow::isKeyPressed(1024));
    key(1023, GLFW_PRESS);
    EXPECT_TRUE(OpenGLwindow::isKeyPressed(1023));
}

struct WindowFile : ::testing::Test {
    orv::test::ScratchDir dir;
    OpenGLwindow window(const std::string& yaml) { return OpenGLwindow(dir.write("window.yaml", yaml).string()); }
};

TEST_F(WindowFile, ResolutionDefaultsAndPartialSettings)
{
    OpenGLwindow onlyTitle(dir.write("a.yaml", "OpenGLwindow:\n  title: t\n").string());
    EXPECT_EQ(onlyTitle.width(), 1024);  // before init nothing is loaded yet
    ASSERT_TRUE(onlyTitle.init()) << OpenGLwindow::lastError();
    EXPECT_EQ(onlyTitle.width(), 1024);
    EXPECT_EQ(onlyTitle.height(), 768);
    int w = 0;
    int h = 0;
    glfwGetWindowSize(onlyTitle.handle(), &w, &h);
    EXPECT_EQ(w, 1024);
    EXPECT_EQ(h, 768);
    EXPECT_EQ(glfwGetWindowMonitor(onlyTitle.handle()), nullptr);
    onlyTitle.close();
    EXPECT_EQ(onlyTitle.handle(), nullptr);

    OpenGLwindow onlyX(dir.write("b.yaml", "OpenGLwindow:\n  title: t\n  resolution:\n    x: 800\n").string());
    ASSERT_TRUE(onlyX.init()) << OpenGLwindow::lastError();
    EXPECT_EQ(onlyX.width(), 800);
    EXPECT_EQ(onlyX.height(), 768);
    onlyX.close();
}

TEST_F(WindowFile, ContextIsCore44)
{
    OpenGLwindow w(dir.write("w.yaml", "OpenGLwindow:\n  title: core\n  full_screen: 3\n").string());
    ASSERT_TRUE(w.init()) << OpenGLwindow::lastError();
    EXPECT_GE(glfwGetWindowAttrib(w.handle(), GLFW_CONTEXT_VERSION_MAJOR) * 10 +
                  glfwGetWindowAttrib(w.handle(), GLFW_CONTEXT_VERSION_MINOR),
              44);
    EXPECT_EQ(glfwGetWindowAttrib(w.handle(), GLFW_OPENGL_PROFILE), GLFW_OPENGL_CORE_PROFILE);
    EXPECT_EQ(glfwGetInputMode(w.handle(), GLFW_CURSOR), GLFW_CURSOR_DISABLED);
    EXPECT_EQ(glfwGetWindowMonitor(w.handle()), nullptr);  // 3 is not a boolean
    w.close();
}

TEST_F(WindowFile, ConfigurationErrorsCarryTheLibraryMessage)
{
    OpenGLwindow missing((dir.path() / "absent.yaml").string());
    try {
        missing.init();
        FAIL() << "a missing file must raise";
    } catch (const YAML::Exception& e) {
        EXPECT_NE(std::string(e.what()).find("bad file"), std::string::npos) << e.what();
    }

    OpenGLwindow noTitle(dir.write("c.yaml", "OpenGLwindow:\n  full_screen: false\n").string());
    EXPECT_THROW(noTitle.init(), YAML::Exception);

    OpenGLwindow badX(dir.write("d.yaml", "OpenGLwindow:\n  title: t\n  resolution: {x: wide}\n").string());
    try {
        badX.init();
        FAIL() << "a resolution that is not an integer must raise";
    } catch (const YAML::Exception& e) {
        EXPECT_NE(std::string(e.what()).find("bad conversion"), std::string::npos) << e.what();
    }
    OpenGLwindow scalarSize(dir.write("f.yaml", "OpenGLwindow:\n  title: t\n  resolution: 800\n").string());
    try {
        scalarSize.init();
        FAIL() << "a resolution that is a plain value must raise";
    } catch (const YAML::Exception& e) {
        EXPECT_NE(std::string(e.what()).find("operator[] call on a scalar"), std::string::npos) << e.what();
    }
    // The failed init above already started GLFW; leave it clean for the next test.
    glfwTerminate();
}

TEST_F(WindowFile, EscapeLatchClosesAfterTheCurrentFrame)
{
    OpenGLwindow::resetInputState();
    OpenGLwindow w(dir.write("e.yaml", "OpenGLwindow:\n  title: esc\n  resolution: {x: 64, y: 48}\n").string());
    ASSERT_TRUE(w.init()) << OpenGLwindow::lastError();
    w.swapBuffers();
    EXPECT_TRUE(w.isOpen());
    OpenGLwindow::keyCallback(w.handle(), GLFW_KEY_ESCAPE, 0, GLFW_PRESS, 0);
    EXPECT_TRUE(w.isOpen()) << "the frame in progress still finishes";
    OpenGLwindow::keyCallback(w.handle(), GLFW_KEY_ESCAPE, 0, GLFW_RELEASE, 0);
    w.swapBuffers();
    EXPECT_FALSE(w.isOpen()) << "releasing Escape does not undo the latch";
    w.close();
    OpenGLwindow::resetInputState();
}

}  // namespace

#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include <GL/glew.h>
#include <gtest/gtest.h>

#include "gl/Handle.h"

struct GLFWwindow;

namespace orv::test {

// Makes the binary's one hidden GL 4.4 core context current, creating it on
// first use. Returns an empty string on success, otherwise why no context
// could be had.
std::string ensureGLContext();

GLFWwindow* sharedWindow();

// How many GL objects of each kind the engine's handles hold now.
using LiveGLObjects = std::array<long, gl::kindCount>;
LiveGLObjects liveGLObjects();
// One failure per kind whose count differs from before.
void expectSameLiveGLObjects(const LiveGLObjects& before, const LiveGLObjects& now);

// Base fixture for tests that issue GL calls: fails (never skips) when there
// is no context, when a test leaves GL errors behind, and when the engine
// objects a test made still hold GL objects once the fixture is destroyed.
class GLTest : public ::testing::Test {
protected:
    ~GLTest() override;
    void SetUp() override;
    void TearDown() override;

private:
    LiveGLObjects before_ = liveGLObjects();
};

// Reads RGBA8 pixels of the currently bound read framebuffer.
std::vector<std::uint8_t> readPixels(int x, int y, int width, int height);

}  // namespace orv::test

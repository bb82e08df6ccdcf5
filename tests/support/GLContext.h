#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <GL/glew.h>
#include <gtest/gtest.h>

struct GLFWwindow;

namespace orv::test {

// Makes the binary's one hidden GL 4.4 core context current, creating it on
// first use. Returns an empty string on success, otherwise why no context
// could be had.
std::string ensureGLContext();

GLFWwindow* sharedWindow();

// Base fixture for tests that issue GL calls: fails (never skips) when there
// is no context, and fails when a test leaves GL errors behind.
class GLTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

// Reads RGBA8 pixels of the currently bound read framebuffer.
std::vector<std::uint8_t> readPixels(int x, int y, int width, int height);

}  // namespace orv::test

#include <gtest/gtest.h>

#include <GLFW/glfw3.h>

#include "dev/TimeKeys.h"

using orv::dev::TimeKeys;

namespace {

// Four shots starting at 0, 20, 30 and 40 s.
const std::vector<double> starts = {0.0, 20.0, 30.0, 40.0};

TEST(TimeKeys, StepsAndRestartLeaveClampingToTheSeek)
{
    EXPECT_EQ(TimeKeys::target(GLFW_KEY_LEFT, 3.0, starts), -2.0);
    EXPECT_EQ(TimeKeys::target(GLFW_KEY_RIGHT, 38.0, starts), 43.0);
    EXPECT_EQ(TimeKeys::target(GLFW_KEY_HOME, 33.0, starts), 0.0);
    // Keys that do not move through time.
    for (int key : {GLFW_KEY_P, GLFW_KEY_F1, GLFW_KEY_W, GLFW_KEY_SPACE, GLFW_KEY_ESCAPE})
        EXPECT_FALSE(TimeKeys::target(key, 25.0, starts).has_value()) << key;
}

TEST(TimeKeys, PageUpGoesBackToTheShotStartOrJustAfterOneToTheShotBefore)
{
    EXPECT_EQ(TimeKeys::target(GLFW_KEY_PAGE_UP, 25.0, starts), 20.0);
    EXPECT_EQ(TimeKeys::target(GLFW_KEY_PAGE_UP, 20.5, starts), 0.0);
    // Landing on a start by a seek, then Page Up again: the shot before that.
    EXPECT_EQ(TimeKeys::target(GLFW_KEY_PAGE_UP, 20.0 - 1e-12, starts), 0.0);
    EXPECT_EQ(TimeKeys::target(GLFW_KEY_PAGE_UP, 30.0, starts), 20.0);
    // The first shot has none before it.
    EXPECT_EQ(TimeKeys::target(GLFW_KEY_PAGE_UP, 0.4, starts), 0.0);
}

TEST(TimeKeys, PageDownGoesToTheNextShotAndNowhereFromTheLast)
{
    EXPECT_EQ(TimeKeys::target(GLFW_KEY_PAGE_DOWN, 0.0, starts), 20.0);
    EXPECT_EQ(TimeKeys::target(GLFW_KEY_PAGE_DOWN, 29.99, starts), 30.0);
    EXPECT_FALSE(TimeKeys::target(GLFW_KEY_PAGE_DOWN, 41.0, starts).has_value());
    EXPECT_FALSE(TimeKeys::target(GLFW_KEY_PAGE_DOWN, 5.0, {0.0}).has_value());
    // A demo whose shots were not measured has one start to go back to.
    EXPECT_EQ(TimeKeys::target(GLFW_KEY_PAGE_UP, 5.0, {}), 0.0);
}

}  // namespace

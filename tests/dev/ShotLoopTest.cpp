#include <gtest/gtest.h>

#include "dev/ShotLoop.h"

using orv::demo::ShotTimes;
using orv::dev::ShotLoop;

namespace {

// Four shots starting at 0, 20, 30 and 40 s; the last ends at 50 s.
const ShotTimes shots{{0.0, 20.0, 30.0, 40.0}, 50.0};

TEST(ShotLoop, GoesBackToTheShotStartOnlyWhileOnAndOnceItsEndIsReached)
{
    ShotLoop loop;
    EXPECT_FALSE(loop.jumpBefore(31.0, shots).has_value()) << "off until L";

    loop.toggle(25.0, shots);
    ASSERT_TRUE(loop.on());
    EXPECT_EQ(loop.shot(), 1u);
    EXPECT_FALSE(loop.jumpBefore(29.99, shots).has_value());
    EXPECT_EQ(loop.jumpBefore(30.0, shots), 20.0) << "the next shot's first frame is never shown";
    EXPECT_EQ(loop.jumpBefore(33.0, shots), 20.0) << "a long frame does not carry past the start";

    // Played frame by frame it never leaves the shot.
    double time = 20.0;
    for (int frame = 0; frame < 2000; ++frame) {
        const double dt = 0.013 * (1 + frame % 5);
        time = loop.jumpBefore(time + dt, shots).value_or(time + dt);
        ASSERT_GE(time, 20.0);
        ASSERT_LT(time, 30.0);
    }

    loop.toggle(26.0, shots);
    EXPECT_FALSE(loop.on());
    EXPECT_FALSE(loop.jumpBefore(31.0, shots).has_value());
}

TEST(ShotLoop, ASeekTakesTheLoopToTheShotSoughtTo)
{
    ShotLoop loop;
    loop.toggle(5.0, shots);
    EXPECT_EQ(loop.jumpBefore(20.0, shots), 0.0);

    // Page Down lands on a start: the stage stops just short of it, but the
    // shot sought to is the one looped.
    loop.seekedTo(30.0, shots);
    EXPECT_EQ(loop.shot(), 2u);
    EXPECT_FALSE(loop.jumpBefore(30.0 - 1.0 / 60.0 + 0.001, shots).has_value());
    EXPECT_EQ(loop.jumpBefore(40.0, shots), 30.0);

    // The last shot loops at the demo's end; a time past it is the last shot's.
    loop.seekedTo(1000.0, shots);
    EXPECT_EQ(loop.shot(), 3u);
    EXPECT_EQ(loop.jumpBefore(50.0, shots), 40.0);

    // Times never measured leave no end to go back from, and nothing past the shots.
    const ShotTimes unmeasured{{0.0, 10.0}, 0.0};
    loop.seekedTo(12.0, unmeasured);
    EXPECT_FALSE(loop.jumpBefore(500.0, unmeasured).has_value());
    loop.seekedTo(5.0, shots);
    EXPECT_FALSE(loop.jumpBefore(100.0, ShotTimes{}).has_value());
}

}  // namespace

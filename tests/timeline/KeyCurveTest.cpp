#include <cmath>

#include <gtest/gtest.h>

#include "timeline/KeyCurve.h"

using orv::timeline::KeyCurve;

namespace {

TEST(KeyCurve, TwoKeysGiveOneEasedSegment)
{
    const KeyCurve curve({{0, 2}, {1, 4}});
    ASSERT_EQ(curve.controlPointCount(), 2u);
    ASSERT_EQ(curve.segmentCount(), 1u);
    const auto& s = curve.segments()[0];
    EXPECT_EQ(s.p0, glm::vec3(0, 2, 0));
    EXPECT_EQ(s.p1, glm::vec3(0.5f, 2, 0));
    EXPECT_EQ(s.p2, glm::vec3(0.5f, 4, 0));
    EXPECT_EQ(s.p3, glm::vec3(1, 4, 0));
    EXPECT_FLOAT_EQ(s.length, 1.0f);
    EXPECT_FLOAT_EQ(curve.totalLength(), 1.0f);
    EXPECT_FLOAT_EQ(curve.controlPoints()[0].outgoing.x, 0.5f);
    EXPECT_FLOAT_EQ(curve.controlPoints()[1].incoming.x, 0.5f);
    EXPECT_FALSE(curve.isDisabled());
}

TEST(KeyCurve, ValueEasesBetweenKeys)
{
    KeyCurve curve({{0, 2}, {1, 6}});
    EXPECT_FLOAT_EQ(curve.value(0.0f), 2.0f);
    EXPECT_NEAR(curve.value(0.5f), 4.0f, 1e-5f);
    EXPECT_NEAR(curve.value(0.25f), 2.0f + 4.0f * (3 * 0.0625f - 2 * 0.015625f), 1e-5f);
    EXPECT_NEAR(curve.value(0.999f), 6.0f, 1e-4f);
    EXPECT_LT(curve.value(0.999f), 6.0f);
}

TEST(KeyCurve, ReadingAtTheEndGivesTheLastKey)
{
    KeyCurve curve({{0, 1}, {0.5f, 3}, {1, 8}});
    EXPECT_FLOAT_EQ(curve.value(1.0f), 8.0f);
    EXPECT_FLOAT_EQ(curve.value(1.5f), 8.0f);
    EXPECT_FLOAT_EQ(curve.value(0.5f), 3.0f);
    EXPECT_FALSE(curve.isFinished()) << "the cursor rests on the last segment";
}

TEST(KeyCurve, KeysStretchOverTheUnitRange)
{
    // Keys from 2 to 6: fraction 0.5 falls on key 4.
    KeyCurve curve({{2, 10}, {4, 20}, {6, 30}});
    EXPECT_FLOAT_EQ(curve.totalLength(), 4.0f);
    EXPECT_NEAR(curve.value(0.5f), 20.0f, 1e-5f);
    EXPECT_NEAR(curve.value(0.75f), 25.0f, 1e-5f);
}

TEST(KeyCurve, FewerThanTwoKeys)
{
    KeyCurve single({{0.3f, 7}});
    EXPECT_EQ(single.controlPointCount(), 1u);
    EXPECT_EQ(single.segmentCount(), 0u);
    EXPECT_TRUE(single.isFinished());
    EXPECT_FLOAT_EQ(single.value(0.5f), 7.0f);

    KeyCurve none;
    EXPECT_TRUE(none.isFinished());
    EXPECT_FLOAT_EQ(none.value(0.5f), 0.0f);
}

TEST(KeyCurve, EqualKeysJumpToTheLaterValue)
{
    KeyCurve curve({{0, 1}, {0, 3}, {1, 5}});
    const float start = curve.value(0.0f);
    EXPECT_FALSE(std::isnan(start));
    EXPECT_FLOAT_EQ(start, 3.0f);
    EXPECT_NEAR(curve.value(0.5f), 4.0f, 1e-5f);

    KeyCurve middle({{0, 1}, {0.5f, 2}, {0.5f, 9}, {1, 9}});
    EXPECT_NEAR(middle.value(0.25f), 1.5f, 1e-5f);
    EXPECT_NEAR(middle.value(0.5001f), 9.0f, 1e-3f);

    KeyCurve flat({{1, 2}, {1, 4}});
    EXPECT_FLOAT_EQ(flat.value(0.3f), 4.0f);
    EXPECT_FLOAT_EQ(flat.value(1.0f), 4.0f);
}

}  // namespace

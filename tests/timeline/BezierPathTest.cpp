#include <initializer_list>
#include <vector>

#include <gtest/gtest.h>

#include <glm/geometric.hpp>

#include "timeline/BezierPath.h"
#include "support/GlmExpect.h"

using orv::timeline::BezierPath;

namespace {

using orv::test::expectNear;

// Anchors on the x axis with every handle a third of the way to its
// neighbour, so that t maps linearly to x within each segment.
BezierPath straightLine(std::initializer_list<float> anchors = {0.0f, 1.0f})
{
    const std::vector<float> x(anchors);
    BezierPath path;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const float before = i > 0 ? x[i] - (x[i] - x[i - 1]) / 3.0f : x[i];
        const float after = i + 1 < x.size() ? x[i] + (x[i + 1] - x[i]) / 3.0f : x[i];
        path.addControlPoint({x[i], 0, 0}, {before, 0, 0}, {after, 0, 0});
    }
    return path;
}

TEST(BezierPath, EmptyAndSinglePointPathsAreFinished)
{
    BezierPath path;
    EXPECT_TRUE(path.isFinished());
    path.addControlPoint({1, 2, 3}, {0, 0, 0}, {0, 0, 0});
    EXPECT_EQ(path.controlPointCount(), 1u);
    EXPECT_EQ(path.segmentCount(), 0u);
    EXPECT_TRUE(path.isFinished());
    EXPECT_FLOAT_EQ(path.progress(), 1.0f);
    expectNear(path.advance(1.0f), {1, 2, 3});
}

TEST(BezierPath, SegmentJoinsAnchorsAndHandles)
{
    BezierPath path;
    path.addControlPoint({0, 0, 0}, {-1, 0, 0}, {0, 1, 0});
    path.addControlPoint({3, 0, 0}, {3, 1, 0}, {4, 0, 0});
    path.addControlPoint({6, 0, 0}, {5, 5, 5}, {7, 0, 0});
    ASSERT_EQ(path.segmentCount(), 2u);
    const auto& s = path.segments()[1];
    expectNear(s.p0, {3, 0, 0});
    expectNear(s.p1, {4, 0, 0});
    expectNear(s.p2, {5, 5, 5});
    expectNear(s.p3, {6, 0, 0});
    expectNear(path.pointAt(0, 0.0f), {0, 0, 0});
    expectNear(path.pointAt(0, 1.0f), {3, 0, 0});
    // Bernstein form at t = 0.5: (P0 + 3 P1 + 3 P2 + P3) / 8.
    expectNear(path.pointAt(1, 0.5f), (s.p0 + 3.0f * s.p1 + 3.0f * s.p2 + s.p3) / 8.0f);
    EXPECT_NEAR(path.totalLength(), path.segments()[0].length + path.segments()[1].length, 1e-5f);
}

TEST(BezierPath, LengthIsNinetyNineChords)
{
    const BezierPath path = straightLine();
    EXPECT_NEAR(path.segments()[0].length, 0.99f, 1e-5f);
    EXPECT_NEAR(path.totalLength(), 0.99f, 1e-5f);
    expectNear(path.tangentAt(0, 0.3f), {1, 0, 0});
}

TEST(BezierPath, AdvanceMovesSpeedTimesTimeAlongTheTangent)
{
    BezierPath path = straightLine();
    path.setSpeed(2.0f);
    expectNear(path.advance(0.1f), {0.2f, 0, 0});
    EXPECT_NEAR(path.parameter(), 0.2f, 1e-6f);
    EXPECT_NEAR(path.progress(), 0.2f, 1e-5f);
    EXPECT_FALSE(path.isFinished());
}

TEST(BezierPath, ZeroTangentStepsTheParameterDirectly)
{
    BezierPath path;
    path.addControlPoint({1, 1, 1}, {1, 1, 1}, {1, 1, 1});
    path.addControlPoint({1, 1, 1}, {1, 1, 1}, {1, 1, 1});
    EXPECT_FLOAT_EQ(path.totalLength(), 0.0f);
    path.setSpeed(3.0f);
    path.advance(0.1f);
    EXPECT_NEAR(path.parameter(), 0.3f, 1e-6f);
    EXPECT_FLOAT_EQ(path.progress(), 0.0f) << "a path without length must not divide by it";
}

TEST(BezierPath, StepPastTheEndWrapsIntoTheNextSegment)
{
    BezierPath path = straightLine({0, 1, 2});
    path.setSpeed(1.0f);
    path.advance(0.9f);
    // The point is taken before the wrap: beyond P3 on the first cubic.
    const glm::vec3 beyond = path.advance(0.3f);
    expectNear(beyond, {1.2f, 0, 0});
    EXPECT_EQ(path.currentSegment(), 1u);
    EXPECT_NEAR(path.parameter(), 0.2f, 1e-5f);
    // The next step continues in the second segment from that parameter.
    expectNear(path.advance(0.1f), {1.3f, 0, 0}, 1e-4f);
}

TEST(BezierPath, FinishedPathReportsFullProgress)
{
    BezierPath path = straightLine();
    path.setSpeed(10.0f);
    path.advance(0.2f);
    EXPECT_TRUE(path.isFinished());
    EXPECT_FLOAT_EQ(path.progress(), 1.0f);
    // Further steps stay at the end instead of reading past the segments.
    expectNear(path.advance(1.0f), {1, 0, 0});
}

TEST(BezierPath, SeekPlacesTheCursorByLength)
{
    BezierPath path = straightLine({0, 1, 3});  // the second segment twice as long
    path.seek(0.5f);
    EXPECT_EQ(path.currentSegment(), 1u);
    EXPECT_NEAR(path.parameter(), 0.25f, 1e-4f);
    EXPECT_NEAR(path.progress(), 0.5f, 1e-5f);
    path.seek(0.0f);
    EXPECT_EQ(path.currentSegment(), 0u);
    EXPECT_FLOAT_EQ(path.parameter(), 0.0f);
    path.seek(1.0f);
    EXPECT_EQ(path.currentSegment(), 1u);
    EXPECT_FLOAT_EQ(path.parameter(), 1.0f);
    expectNear(path.pointAt(path.currentSegment(), path.parameter()), {3, 0, 0});
}

}  // namespace

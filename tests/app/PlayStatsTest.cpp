#include <string>

#include <gtest/gtest.h>

#include "app/PlayStats.h"

namespace {

using orv::app::PlayStats;

// Per shot: frames, median rate, the scale at its end and the range it
// moved through; shots without frames are left out of the table.
TEST(PlayStats, MediansAndScalesPerShotAndOverTheRun)
{
    PlayStats stats(3, 16);
    EXPECT_EQ(stats.medianFps(), 0.0);
    for (double seconds : {0.1, 0.1, 0.5})
        stats.add(0, seconds, 1.0);
    // A slow frame does not move a median; the scale stepped down.
    stats.add(2, 0.05, 0.8);
    stats.add(2, 0.04, 0.6);
    stats.add(2, 0.05, 0.7);
    stats.add(2, 0.25, 0.7);
    stats.add(7, 0.04, 0.7);  // past the last shot: counted in it

    const PlayStats::Shot first = stats.shot(0);
    EXPECT_EQ(first.frames, 3u);
    EXPECT_DOUBLE_EQ(first.medianFps, 10.0);
    EXPECT_EQ(first.lastScale, 1.0);
    EXPECT_EQ(stats.shot(1).frames, 0u);
    EXPECT_EQ(stats.shot(1).medianFps, 0.0);
    const PlayStats::Shot last = stats.shot(2);
    EXPECT_EQ(last.frames, 5u);
    EXPECT_DOUBLE_EQ(last.medianFps, 20.0);
    EXPECT_EQ(last.lastScale, 0.7);
    EXPECT_EQ(last.lowestScale, 0.6);
    EXPECT_EQ(last.highestScale, 0.8);

    // Eight frames: the median is halfway between 0.05 and 0.1.
    EXPECT_EQ(stats.frames(), 8u);
    EXPECT_NEAR(stats.medianFps(), 1.0 / 0.075, 1e-9);

    const std::string table = stats.table();
    EXPECT_NE(table.find("   1       3       10.00          1.00  1.00 - 1.00\n"), std::string::npos) << table;
    EXPECT_NE(table.find("   3       5       20.00          0.70  0.60 - 0.80\n"), std::string::npos) << table;
    EXPECT_EQ(table.find("\n   2 "), std::string::npos) << table;
    EXPECT_NE(table.find(" all       8       13.33\n"), std::string::npos) << table;
}

}  // namespace

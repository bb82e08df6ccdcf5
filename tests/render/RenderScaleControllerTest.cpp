#include <cmath>
#include <functional>

#include <gtest/gtest.h>

#include "render/RenderScaleController.h"

namespace {

using orv::render::RenderScaleController;

constexpr double target = 1.0 / 30.0;

// Plays `frames` frames whose time follows the scale the controller picked.
void play(RenderScaleController& controller, int frames, const std::function<double(double scale)>& cost)
{
    for (int i = 0; i < frames; ++i)
        controller.frameTook(cost(controller.scale()));
}

bool onStep(double scale)
{
    const double steps = scale / RenderScaleController::step;
    return std::abs(steps - std::round(steps)) < 1e-6;
}

// A frame costs a fixed part plus a part that goes with the pixel count.
TEST(RenderScaleController, SteadilySlowFramesStepDownAndSettleWhereTheTargetIsMet)
{
    RenderScaleController controller(30.0);
    EXPECT_EQ(controller.scale(), 1.0);
    const auto cost = [](double s) { return target * (0.2 + 1.6 * s * s); };  // 1.8 x target at full size
    play(controller, 200, cost);
    const double settled = controller.scale();
    EXPECT_LT(settled, 1.0);
    EXPECT_LE(cost(settled), target * RenderScaleController::slowFactor) << settled;
    EXPECT_GE(settled, 0.6) << "not further down than the frames asked for";
    EXPECT_TRUE(onStep(settled)) << settled;

    const unsigned changes = controller.changes();
    play(controller, 3000, cost);
    EXPECT_EQ(controller.scale(), settled);
    EXPECT_EQ(controller.changes(), changes) << "settled for good";
}

TEST(RenderScaleController, FastFramesStepBackUpToTheCeilingAndNoFurther)
{
    RenderScaleController controller(30.0);
    play(controller, 300, [](double) { return target * 4.0; });
    EXPECT_EQ(controller.scale(), RenderScaleController::minScale) << "frames that stay slow end at the floor";
    play(controller, 3000, [](double) { return target * 50.0; });
    EXPECT_EQ(controller.scale(), RenderScaleController::minScale) << "never below the floor";

    const auto cheap = [](double s) { return target * 0.5 * s * s; };
    play(controller, 200, cheap);
    EXPECT_GT(controller.scale(), RenderScaleController::minScale) << "room to spare: up again";
    play(controller, 3000, cheap);
    EXPECT_EQ(controller.scale(), 1.0);

    RenderScaleController capped(30.0, 0.6);
    EXPECT_EQ(capped.scale(), 0.6) << "starts at the ceiling";
    play(capped, 3000, cheap);
    EXPECT_EQ(capped.scale(), 0.6) << "--scale is the ceiling";
    EXPECT_EQ(capped.changes(), 0u);
}

TEST(RenderScaleController, FramesAroundTheTargetDoNotPumpTheScale)
{
    // Alternately faster and slower than the target, whatever the scale: on average just on it.
    RenderScaleController steady(30.0);
    int i = 0;
    play(steady, 3000, [&](double) { return target * (++i % 2 == 0 ? 0.75 : 1.25); });
    EXPECT_EQ(steady.changes(), 0u);

    // Just too slow at full size, fast at the next step down: a controller
    // that steps up whenever frames beat the target goes back and forth.
    RenderScaleController edge(30.0);
    const auto cost = [](double s) { return target * (0.25 + 0.87 * s * s); };  // 1.12 at 1, 1.035 at 0.95
    play(edge, 5000, cost);
    EXPECT_LT(edge.scale(), 1.0);
    EXPECT_LE(edge.changes(), 2u) << "down once (or twice) and stays";

    // A hitch now and then (a reload, the system) is not a slow demo.
    RenderScaleController hitches(30.0);
    int frame = 0;
    play(hitches, 3000, [&](double) { return ++frame % 10 == 0 ? target * 20.0 : target * 0.8; });
    EXPECT_EQ(hitches.scale(), 1.0);
    EXPECT_EQ(hitches.changes(), 0u);
}

TEST(RenderScaleController, JudgesAFreshWindowOfFramesOrOfASecondAfterEveryChange)
{
    const std::size_t window = RenderScaleController::windowFrames;
    const std::size_t settle = RenderScaleController::settleFrames;
    // Frames of 30 ms against a target of 10 ms: twenty of them span less
    // than a second, so the whole window is waited for.
    RenderScaleController quick(100.0);
    for (std::size_t i = 0; i + 1 < settle + window; ++i)
        quick.frameTook(0.03);
    EXPECT_EQ(quick.scale(), 1.0);
    quick.frameTook(0.03);
    const double first = quick.scale();
    // Three times too slow: about 1 / sqrt(3) of the size in one go, not one small step.
    EXPECT_LE(first, 0.6);
    EXPECT_GE(first, 0.5);
    for (std::size_t i = 0; i + 1 < settle + window; ++i)
        quick.frameTook(0.03);
    EXPECT_EQ(quick.scale(), first) << "the frames at the old size do not count";
    quick.frameTook(0.03);
    EXPECT_LT(quick.scale(), first);

    // Frames of 4 s against a target of 10 a second: judged after a few, not after twenty.
    RenderScaleController slow(10.0);
    for (std::size_t i = 0; i + 1 < settle + RenderScaleController::minJudgeFrames; ++i)
        slow.frameTook(4.0);
    EXPECT_EQ(slow.scale(), 1.0);
    slow.frameTook(4.0);
    EXPECT_EQ(slow.scale(), RenderScaleController::minScale) << "straight to the floor";
    EXPECT_EQ(slow.changes(), 1u);

    // Times that are no measure are passed over.
    RenderScaleController odd(30.0);
    for (int i = 0; i < 500; ++i)
        odd.frameTook(i % 2 == 0 ? std::nan("") : -1.0);
    EXPECT_EQ(odd.changes(), 0u);
}

}  // namespace

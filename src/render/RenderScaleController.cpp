#include "render/RenderScaleController.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace orv::render {

namespace {

// Whole steps, so the framebuffers come in a few sizes only; the small
// epsilon keeps 0.7 / 0.05 from landing just under 14.
double stepsDown(double scale) { return std::floor(scale / RenderScaleController::step + 1e-6); }

}  // namespace

RenderScaleController::RenderScaleController(double targetFps, double maxScale)
    : targetSeconds_(1.0 / targetFps), maxScale_(std::clamp(maxScale, minScale, 1.0)), scale_(maxScale_)
{
}

double RenderScaleController::windowMean() const
{
    // Until the window is full its frames are the first count_ entries.
    std::array<double, windowFrames> sorted = window_;
    std::sort(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(count_));
    const std::size_t quarter = count_ / 4;
    double sum = 0.0;
    for (std::size_t i = quarter; i < count_ - quarter; ++i)
        sum += sorted[i];
    return sum / static_cast<double>(count_ - 2 * quarter);
}

void RenderScaleController::moveTo(double scale)
{
    scale = std::clamp(scale, minScale, maxScale_);
    if (std::abs(scale - scale_) < 1e-9)
        return;
    scale_ = scale;
    ++changes_;
    count_ = 0;
    next_ = 0;
    skip_ = settleFrames;
    framesAtScale_ = 0;
    secondsAtScale_ = 0.0;
}

double RenderScaleController::frameTook(double seconds)
{
    if (skip_ > 0) {
        --skip_;
        return scale_;
    }
    // A frame time that is no number says nothing about the frame's cost.
    if (!std::isfinite(seconds) || seconds < 0.0)
        return scale_;
    window_[next_] = seconds;
    next_ = (next_ + 1) % windowFrames;
    count_ = std::min(count_ + 1, windowFrames);
    ++framesAtScale_;
    secondsAtScale_ += seconds;
    double spanned = 0.0;
    for (std::size_t i = 0; i < count_; ++i)
        spanned += window_[i];
    if (count_ < windowFrames && (count_ < minJudgeFrames || spanned < judgeSeconds))
        return scale_;

    const double mean = windowMean();
    if (mean > targetSeconds_ * slowFactor) {
        // Where the pixel count would meet the target, at least one step down.
        const double wanted = scale_ * std::sqrt(targetSeconds_ / mean);
        moveTo(std::min(stepsDown(wanted), stepsDown(scale_) - 1.0) * step);
    } else if (scale_ < maxScale_ && (framesAtScale_ >= windowsBeforeUp * windowFrames ||
                                      (framesAtScale_ >= windowsBeforeUp * minJudgeFrames &&
                                       secondsAtScale_ >= windowsBeforeUp * judgeSeconds))) {
        const double up = std::min((stepsDown(scale_) + 1.0) * step, maxScale_);
        const double expected = mean * (up / scale_) * (up / scale_);
        if (expected < targetSeconds_ * roomFactor)
            moveTo(up);
    }
    return scale_;
}

}  // namespace orv::render

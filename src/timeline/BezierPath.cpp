#include "timeline/BezierPath.h"

#include <glm/geometric.hpp>

namespace orv::timeline {

namespace {

// Arc length as the sum of 99 chords between samples at t = 0, 0.01, ..., 0.99;
// the last hundredth is left out on purpose, every measured length relies on it.
float measure(const BezierPath& path, std::size_t segment)
{
    float length = 0.0f;
    glm::vec3 previous = path.pointAt(segment, 0.0f);
    for (int i = 1; i < 100; ++i) {
        const glm::vec3 next = path.pointAt(segment, static_cast<float>(i) / 100.0f);
        length += glm::distance(previous, next);
        previous = next;
    }
    return length;
}

}  // namespace

void BezierPath::addControlPoint(const glm::vec3& anchor, const glm::vec3& incoming, const glm::vec3& outgoing)
{
    controlPoints_.push_back({anchor, incoming, outgoing});
    if (controlPoints_.size() < 2) {
        return;
    }
    const PathControlPoint& previous = controlPoints_[controlPoints_.size() - 2];
    segments_.push_back({previous.anchor, previous.outgoing, incoming, anchor, 0.0f});
    const float length = measure(*this, segments_.size() - 1);
    segments_.back().length = length;
    totalLength_ += length;
}

glm::vec3 BezierPath::pointAt(std::size_t segment, float t) const
{
    const PathSegment& s = segments_.at(segment);
    return s.p0 + 3.0f * t * (s.p1 - s.p0) + t * t * (3.0f * s.p0 - 6.0f * s.p1 + 3.0f * s.p2) +
           t * t * t * (-s.p0 + 3.0f * s.p1 - 3.0f * s.p2 + s.p3);
}

glm::vec3 BezierPath::tangentAt(std::size_t segment, float t) const
{
    const PathSegment& s = segments_.at(segment);
    return t * t * (-3.0f * s.p0 + 9.0f * s.p1 - 9.0f * s.p2 + 3.0f * s.p3) +
           t * (6.0f * s.p0 - 12.0f * s.p1 + 6.0f * s.p2) + (-3.0f * s.p0 + 3.0f * s.p1);
}

glm::vec3 BezierPath::advance(float dt)
{
    if (isFinished()) {
        // Nothing left to walk: stay at the end.
        if (!segments_.empty()) {
            return segments_.back().p3;
        }
        return controlPoints_.empty() ? glm::vec3(0.0f) : controlPoints_.back().anchor;
    }
    const std::size_t s = currentSegment_;
    const float d = glm::length(tangentAt(s, parameter_));
    float step = dt * speed_;
    if (d != 0.0f) {
        step /= d;
    }
    parameter_ += step;
    const glm::vec3 point = pointAt(s, parameter_);
    if (parameter_ > 1.0f) {
        ++currentSegment_;
        parameter_ -= 1.0f;
    }
    return point;
}

float BezierPath::progress() const
{
    if (isFinished()) {
        return 1.0f;
    }
    if (totalLength_ == 0.0f) {
        return 0.0f;
    }
    float covered = 0.0f;
    for (std::size_t i = 0; i < currentSegment_; ++i) {
        covered += segments_[i].length;
    }
    covered += segments_[currentSegment_].length * parameter_;
    return covered / totalLength_;
}

void BezierPath::seek(float x)
{
    const std::size_t n = segments_.size();
    currentSegment_ = 0;
    if (n == 0) {
        return;
    }
    if (x >= 1.0f) {
        // The very end of the last segment, so that a curve read at 1 gives its last value.
        currentSegment_ = static_cast<std::uint32_t>(n - 1);
        parameter_ = 1.0f;
        return;
    }
    const float target = totalLength_ * x;
    float covered = 0.0f;
    for (std::size_t i = 0; i < n; ++i) {
        const float length = segments_[i].length;
        const float reach = covered + length;
        if (reach >= target) {
            // A segment of length 0 (two keys at the same position) is a jump:
            // land on its far end.
            parameter_ = length != 0.0f ? (target - covered) / length : 1.0f;
            return;
        }
        if (totalLength_ > covered) {
            ++currentSegment_;
            covered = reach;
        }
    }
}

}  // namespace orv::timeline

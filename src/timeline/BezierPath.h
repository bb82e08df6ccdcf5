#pragma once

#include <cstdint>
#include <vector>

#include <glm/vec3.hpp>

namespace orv::timeline {

// One point of a path as modelled in the scene: the anchor the path passes
// through and the two handles that shape the curve into and out of it.
struct PathControlPoint {
    glm::vec3 anchor;
    glm::vec3 incoming;
    glm::vec3 outgoing;
};

// One cubic piece of a path; P0 and P3 are its end points.
struct PathSegment {
    glm::vec3 p0;
    glm::vec3 p1;
    glm::vec3 p2;
    glm::vec3 p3;
    float length = 0.0f;
};

// A chain of cubic Bézier segments with a cursor that only moves forward.
// The timeline flies the camera and the main particle along such paths.
class BezierPath {
public:
    void addControlPoint(const glm::vec3& anchor, const glm::vec3& incoming, const glm::vec3& outgoing);
    std::size_t controlPointCount() const { return controlPoints_.size(); }
    std::size_t segmentCount() const { return segments_.size(); }
    const std::vector<PathControlPoint>& controlPoints() const { return controlPoints_; }
    const std::vector<PathSegment>& segments() const { return segments_; }

    glm::vec3 pointAt(std::size_t segment, float t) const;
    glm::vec3 tangentAt(std::size_t segment, float t) const;

    // Moves the cursor about speed × dt units along the path and returns the
    // point reached. The point is taken before the cursor wraps into the next
    // segment, so at a segment's end it lies slightly past P3 on the same cubic.
    glm::vec3 advance(float dt);

    bool isFinished() const { return currentSegment_ >= segments_.size(); }

    // The fraction of the total length covered so far; 1 once finished.
    float progress() const;

    // Places the cursor at fraction x of the total length.
    void seek(float x);

    void setSpeed(float v) { speed_ = v; }
    float speed() const { return speed_; }
    float parameter() const { return parameter_; }
    float totalLength() const { return totalLength_; }
    std::uint32_t currentSegment() const { return currentSegment_; }

protected:
    std::vector<PathControlPoint> controlPoints_;
    std::vector<PathSegment> segments_;
    float speed_ = 5.0f;
    float parameter_ = 0.0f;
    float totalLength_ = 0.0f;
    std::uint32_t currentSegment_ = 0;
};

}  // namespace orv::timeline

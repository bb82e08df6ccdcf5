// Key curves and Bézier paths with arbitrary keys and points: NaN, infinity,
// duplicates, unsorted keys, zero-length segments, any speed and time step.

#include <cmath>
#include <vector>

#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include "FuzzInput.h"
#include "timeline/BezierPath.h"
#include "timeline/KeyCurve.h"

using orv::fuzz::ByteReader;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ByteReader in(data, size);
    const unsigned keyCount = in.next<std::uint8_t>() % 12u;
    std::vector<glm::vec2> keys;
    for (unsigned i = 0; i < keyCount; ++i) {
        const float key = in.next<float>();
        keys.emplace_back(key, in.next<float>());
    }
    orv::timeline::KeyCurve curve(keys);
    for (int i = 0; i < 4; ++i) {
        (void)curve.value(in.next<float>());
    }
    (void)curve.value(0.0f);
    (void)curve.value(1.0f);

    orv::timeline::BezierPath path;
    const unsigned pointCount = in.next<std::uint8_t>() % 8u;
    for (unsigned i = 0; i < pointCount; ++i) {
        glm::vec3 p[3];
        for (auto& v : p) {
            v = glm::vec3(in.next<float>(), in.next<float>(), in.next<float>());
        }
        path.addControlPoint(p[0], p[1], p[2]);
    }
    path.setSpeed(in.next<float>());
    path.seek(in.next<float>());
    (void)path.progress();
    const float dt = in.next<float>();
    // Bounded: a path that never finishes (speed 0, NaN) must not hang the run.
    for (int step = 0; step < 64 && !path.isFinished(); ++step) {
        (void)path.advance(dt);
        (void)path.progress();
    }
    for (std::size_t s = 0; s < path.segmentCount(); ++s) {
        (void)path.pointAt(s, 0.5f);
        (void)path.tangentAt(s, 0.5f);
    }
    return 0;
}

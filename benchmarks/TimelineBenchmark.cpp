// The per-frame motion work of the timeline: stepping along a path and
// reading the eased speed curve. Run: build with -DORV_BUILD_BENCHMARKS=ON,
// then build/<preset>/benchmarks/orv_benchmarks.
#include <benchmark/benchmark.h>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include "timeline/BezierPath.h"
#include "timeline/KeyCurve.h"

namespace {

orv::timeline::BezierPath loopingPath(int anchors)
{
    orv::timeline::BezierPath path;
    for (int i = 0; i < anchors; ++i) {
        const float x = static_cast<float>(i) * 4.0f;
        const float y = (i % 2 == 0) ? 0.0f : 3.0f;
        path.addControlPoint({x, y, 0.0f}, {x - 1.0f, y, 1.0f}, {x + 1.0f, y, -1.0f});
    }
    return path;
}

void buildPath(benchmark::State& state)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(loopingPath(static_cast<int>(state.range(0))));
    }
}
BENCHMARK(buildPath)->Arg(3)->Arg(30);

void advanceAlongPath(benchmark::State& state)
{
    auto path = loopingPath(30);
    path.setSpeed(2.0f);
    for (auto _ : state) {
        if (path.isFinished()) {
            path.seek(0.0f);
        }
        benchmark::DoNotOptimize(path.advance(1.0f / 60.0f));
    }
}
BENCHMARK(advanceAlongPath);

void readSpeedCurve(benchmark::State& state)
{
    orv::timeline::KeyCurve curve({{0.0f, 1.0f}, {0.25f, 3.0f}, {0.5f, 2.0f}, {0.75f, 4.0f}, {1.0f, 1.0f}});
    float x = 0.0f;
    for (auto _ : state) {
        x = x >= 1.0f ? 0.0f : x + 0.001f;
        benchmark::DoNotOptimize(curve.value(x));
    }
}
BENCHMARK(readSpeedCurve);

}  // namespace

// Whole frames and their passes on this machine's GL, with the C++ heap
// allocations they make (counted by AllocationCounter): the deferred
// lighting passes over the shared lit test room with the two fixed lights
// and 99 light sparks, and the bundled demo's complete frame through the
// renderer. Needs a display (xvfb-run works). Run:
//   cmake --preset bench && cmake --build --preset bench --target orv_benchmarks
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/benchmarks/orv_benchmarks --benchmark_filter=Frame
#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "AllocationCounter.h"
#include "render/DeferredRenderGeometry.h"
#include "render/Renderer.h"
#include "render/Target.h"
#include "render/TargetNames.h"
#include "scene/Particle.h"
#include "support/DemoRig.h"
#include "support/GLContext.h"
#include "support/LitRoom.h"

namespace {

using Clock = std::chrono::steady_clock;

// Allocations per frame and the median frame, as counters next to the mean.
struct FrameCounters {
    std::vector<double> seconds;
    std::size_t allocationsBefore = 0;

    explicit FrameCounters(std::size_t frames) { seconds.reserve(frames); }
    void start() { allocationsBefore = orv::bench::allocationCount(); }
    void report(benchmark::State& state)
    {
        const double frames = static_cast<double>(state.iterations());
        state.counters["allocations_per_frame"] =
            static_cast<double>(orv::bench::allocationCount() - allocationsBefore) / frames;
        std::sort(seconds.begin(), seconds.end());
        if (!seconds.empty())
            state.counters["median_ms"] = seconds[seconds.size() / 2] * 1000.0;
    }
};

void deferredLighting(benchmark::State& state)
{
    if (!orv::test::ensureGLContext().empty()) {
        state.SkipWithError("no GL context");
        return;
    }
    orv::test::LitRoom room(320, 240);
    auto& particle = *room.rig.particle;
    particle.setSpawnParticleCount(40.0f);
    particle.setSpawnLightSourceCount(40.0f);
    particle.setSpawnOffsetMs(10.0);
    particle.setLifetimeMs(60000.0);
    room.placeParticle({0.0f, 1.5f, 1.5f});
    // Warm up: enough light sparks for the 99 the pass takes, every cache filled.
    room.playFrames(5, 0.02);
    FrameCounters counters(static_cast<std::size_t>(state.max_iterations));
    counters.start();
    for (auto _ : state) {
        const auto begin = Clock::now();
        room.sparks->update(0.02);
        room.drawFrame();
        glFinish();
        counters.seconds.push_back(std::chrono::duration<double>(Clock::now() - begin).count());
    }
    counters.report(state);
    state.counters["lights"] = static_cast<double>(room.geometry->lightsDrawn());
}
BENCHMARK(deferredLighting)->Iterations(100)->Unit(benchmark::kMillisecond);

// The demo's frame at a size from its window file (argument 2 = 0, as a
// plain start) or from an override over it (1, as `--size`): the passes
// ask the window for its size every frame, and neither way may allocate.
void demoFrame(benchmark::State& state)
{
    if (!orv::test::ensureGLContext().empty()) {
        state.SkipWithError("no GL context");
        return;
    }
    using SizeFrom = orv::test::DemoRig::SizeFrom;
    orv::test::DemoRig demo(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
                            state.range(2) == 0 ? SizeFrom::windowFile : SizeFrom::override);
    if (demo.window->width() != state.range(0) || demo.window->height() != state.range(1)) {
        state.SkipWithError("the window does not have the size asked for");
        return;
    }
    for (int i = 0; i < 5; ++i)
        demo.frame(1.0 / 30.0);
    FrameCounters counters(static_cast<std::size_t>(state.max_iterations));
    counters.start();
    for (auto _ : state) {
        const auto begin = Clock::now();
        demo.frame(1.0 / 30.0);
        glFinish();
        counters.seconds.push_back(std::chrono::duration<double>(Clock::now() - begin).count());
    }
    counters.report(state);
}
BENCHMARK(demoFrame)->Args({320, 180, 0})->Args({320, 180, 1})->Iterations(100)->Unit(benchmark::kMillisecond);
BENCHMARK(demoFrame)->Args({1024, 768, 0})->Args({1024, 768, 1})->Iterations(300)->Unit(benchmark::kMillisecond);

// One drawn frame a second across the whole demo at 1024 x 768, the steps in
// between taken without drawing: the median frame of all its shots.
void demoAcrossShots(benchmark::State& state)
{
    if (!orv::test::ensureGLContext().empty()) {
        state.SkipWithError("no GL context");
        return;
    }
    orv::test::DemoRig demo(1024, 768);
    constexpr double step = 1.0 / 30.0;
    FrameCounters counters(static_cast<std::size_t>(state.max_iterations));
    std::vector<std::vector<double>> byShot(demo.timeline->shotCount());
    counters.start();
    for (auto _ : state) {
        state.PauseTiming();
        demo.scene->advance(29 * step);
        glFinish();
        state.ResumeTiming();
        const auto begin = Clock::now();
        demo.frame(step);
        glFinish();
        const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
        counters.seconds.push_back(seconds);
        byShot[demo.timeline->cameraShot()].push_back(seconds);
    }
    counters.report(state);
    for (std::size_t shot = 0; shot < byShot.size(); ++shot) {
        auto& times = byShot[shot];
        if (times.empty())
            continue;
        std::sort(times.begin(), times.end());
        state.counters["shot" + std::to_string(shot + 1) + "_median_ms"] = times[times.size() / 2] * 1000.0;
    }
}
BENCHMARK(demoAcrossShots)->Iterations(84)->Unit(benchmark::kMillisecond);

// What the sparks cost: frames of the swarming shot (from 52 s on) at
// 1024 x 768 as they are (argument 1), and the same frames with the spark
// pass switched off, so that the sparks neither draw nor light (argument 0).
void demoSparks(benchmark::State& state)
{
    if (!orv::test::ensureGLContext().empty()) {
        state.SkipWithError("no GL context");
        return;
    }
    orv::test::DemoRig demo(1024, 768);
    constexpr double step = 1.0 / 30.0;
    demo.demo->advanceTo(52.0);
    const std::vector<std::string> noSparks = {std::string(orv::render::targets::particleSystem)};
    if (state.range(0) == 0)
        demo.scene->setOverrides(&noSparks);
    const auto frame = [&] {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        demo.scene->frame(step);
        glFinish();
    };
    // The first frames drawn after the silent ones make the GL driver compile
    // the shader variants of the shot's states; its compiler allocates through
    // the same operator new, so they would count as the frame's allocations.
    for (int i = 0; i < 3; ++i)
        frame();
    FrameCounters counters(static_cast<std::size_t>(state.max_iterations));
    counters.start();
    for (auto _ : state) {
        const auto begin = Clock::now();
        frame();
        counters.seconds.push_back(std::chrono::duration<double>(Clock::now() - begin).count());
    }
    counters.report(state);
    const auto* geometry = dynamic_cast<orv::render::DeferredRenderGeometry*>(
        demo.renderer->target(std::string(orv::render::targets::deferredRenderGeometry)));
    if (geometry != nullptr)
        state.counters["lights"] = static_cast<double>(geometry->lightsDrawn());
}
BENCHMARK(demoSparks)->Arg(0)->Arg(1)->Iterations(30)->Unit(benchmark::kMillisecond);

// Each pass of the demo's frame alone, in frame order, each finished before
// the next starts: where a frame's time goes.
void demoPasses(benchmark::State& state)
{
    if (!orv::test::ensureGLContext().empty()) {
        state.SkipWithError("no GL context");
        return;
    }
    orv::test::DemoRig demo(1024, 768);
    for (int i = 0; i < 5; ++i)
        demo.frame(1.0 / 30.0);
    std::vector<double> total(orv::render::targets::renderOrder.size(), 0.0);
    for (auto _ : state) {
        demo.scene->advance(1.0 / 30.0);
        glFinish();
        for (std::size_t i = 0; i < total.size(); ++i) {
            orv::render::Target* target = demo.renderer->target(std::string(orv::render::targets::renderOrder[i]));
            const auto begin = Clock::now();
            if (target->isEnabled())
                target->draw(*demo.scene, *target);
            glFinish();
            total[i] += std::chrono::duration<double>(Clock::now() - begin).count();
        }
    }
    for (std::size_t i = 0; i < total.size(); ++i)
        state.counters[std::string(orv::render::targets::renderOrder[i]) + "_ms"] =
            total[i] * 1000.0 / static_cast<double>(state.iterations());
}
BENCHMARK(demoPasses)->Iterations(20)->Unit(benchmark::kMillisecond);

}  // namespace

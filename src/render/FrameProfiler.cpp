#include "render/FrameProfiler.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace orv::render {

namespace {

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

std::string number(double value)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%.4f", value);
    return text;
}

// Where the geometry pass stands in the frame, found when compiling.
constexpr std::size_t geometryPass = static_cast<std::size_t>(
    std::find(targets::renderOrder.begin(), targets::renderOrder.end(), targets::deferredRenderGeometry) -
    targets::renderOrder.begin());
static_assert(geometryPass < targets::renderOrder.size());

}  // namespace

FrameProfiler::FrameProfiler(std::size_t expectedFrames)
{
    for (auto& frame : queries_) {
        for (auto& query : frame)
            query = gl::QueryHandle::create();
    }
    frames_.reserve(expectedFrames);
}

FrameProfiler::~FrameProfiler() = default;

void FrameProfiler::stamp(std::size_t slot)
{
    if (!inFrame_)
        return;
    glQueryCounter(queries_[current_][slot].name(), GL_TIMESTAMP);
    stamped_[current_][slot] = true;
}

void FrameProfiler::beginFrame()
{
    // The oldest frame in the ring is reused: collect it first (by now its
    // results are normally there, so this rarely waits).
    if (pending_[current_])
        collect(current_);
    stamped_[current_].fill(false);
    inFrame_ = true;
    cpuStart_ = std::chrono::steady_clock::now();
}

void FrameProfiler::markPass(std::size_t pass) { stamp(pass); }

void FrameProfiler::markPresent() { stamp(presentStart); }

void FrameProfiler::markGeometryStep(GeometryStep step) { stamp(firstStepSlot + static_cast<std::size_t>(step)); }

void FrameProfiler::endFrame()
{
    stamp(frameEnd);
    cpuMs_[current_] = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - cpuStart_).count();
    pending_[current_] = true;
    inFrame_ = false;
    current_ = (current_ + 1) % framesInFlight;
}

void FrameProfiler::collect(std::size_t ring)
{
    std::array<GLuint64, slotsPerFrame> times{};
    for (std::size_t slot = 0; slot < slotsPerFrame; ++slot) {
        if (stamped_[ring][slot])
            glGetQueryObjectui64v(queries_[ring][slot].name(), GL_QUERY_RESULT, &times[slot]);
    }
    const auto span = [&](std::size_t from, std::size_t to) {
        return stamped_[ring][from] && stamped_[ring][to] && times[to] > times[from]
                   ? static_cast<double>(times[to] - times[from]) / 1.0e6
                   : 0.0;
    };
    Frame frame;
    for (std::size_t column = 0; column < columnCount; ++column)
        frame.passMs[column] = span(column, column + 1);
    // Each step runs from its mark to the next one that was made; the
    // pass's start stands for the fill's mark, the next pass's start (or the
    // frame's end) closes the last step.
    stamped_[ring][firstStepSlot] = stamped_[ring][geometryPass];
    times[firstStepSlot] = times[geometryPass];
    for (std::size_t step = 0; step < geometryStepCount; ++step) {
        const std::size_t from = firstStepSlot + step;
        if (!stamped_[ring][from])
            continue;
        std::size_t to = from + 1;
        while (to < slotsPerFrame && !stamped_[ring][to])
            ++to;
        frame.geometryMs[step] = span(from, to < slotsPerFrame ? to : geometryPass + 1);
    }
    frame.lightLoopMs = frame.geometryMs[static_cast<std::size_t>(GeometryStep::LightLoop)];
    frame.cpuMs = cpuMs_[ring];
    frames_.push_back(frame);
    pending_[ring] = false;
}

void FrameProfiler::finish()
{
    for (std::size_t k = 0; k < framesInFlight; ++k) {
        const std::size_t ring = (current_ + k) % framesInFlight;
        if (pending_[ring])
            collect(ring);
    }
}

std::string FrameProfiler::table() const
{
    std::vector<double> gpuTotals;
    for (const Frame& frame : frames_) {
        double total = 0.0;
        for (double ms : frame.passMs)
            total += ms;
        gpuTotals.push_back(total);
    }
    const double medianTotal = percentile(gpuTotals, 0.5);
    std::ostringstream out;
    char line[160];
    std::snprintf(line, sizeof(line), "%-26s %10s %10s %8s\n", "pass (GPU)", "median ms", "p95 ms", "share");
    out << line;
    const auto row = [&](const std::string& name, const std::vector<double>& values) {
        const double median = percentile(values, 0.5);
        std::snprintf(line, sizeof(line), "%-26s %10.2f %10.2f %7.1f%%\n", name.c_str(), median,
                      percentile(values, 0.95), medianTotal > 0.0 ? 100.0 * median / medianTotal : 0.0);
        out << line;
    };
    for (std::size_t column = 0; column < columnCount; ++column) {
        std::vector<double> values;
        for (const Frame& frame : frames_)
            values.push_back(frame.passMs[column]);
        row(std::string(columnName(column)), values);
    }
    for (std::size_t step = 0; step < geometryStepCount; ++step) {
        std::vector<double> values;
        for (const Frame& frame : frames_)
            values.push_back(frame.geometryMs[step]);
        std::string name = "  " + std::string(geometryStepNames[step]);
        std::replace(name.begin(), name.end(), '_', ' ');
        row(name + (step == 0 ? " (in geometry)" : ""), values);
    }
    std::vector<double> cpu;
    for (const Frame& frame : frames_)
        cpu.push_back(frame.cpuMs);
    row("frame (GPU, all passes)", gpuTotals);
    std::snprintf(line, sizeof(line), "%-26s %10.2f %10.2f\n", "engine work (CPU)", percentile(cpu, 0.5),
                  percentile(cpu, 0.95));
    out << line << frames_.size() << " frames\n";
    return out.str();
}

std::string FrameProfiler::json() const
{
    std::ostringstream out;
    out << "{\n  \"passes\": [";
    for (std::size_t column = 0; column < columnCount; ++column)
        out << (column ? ", " : "") << '"' << columnName(column) << '"';
    out << "],\n  \"frames\": [\n";
    for (std::size_t i = 0; i < frames_.size(); ++i) {
        const Frame& frame = frames_[i];
        out << "    {\"frame\": " << i << ", \"gpu_ms\": {";
        for (std::size_t column = 0; column < columnCount; ++column)
            out << (column ? ", " : "") << '"' << columnName(column) << "\": " << number(frame.passMs[column]);
        out << "}, \"geometry_ms\": {";
        for (std::size_t step = 0; step < geometryStepCount; ++step)
            out << (step ? ", " : "") << '"' << geometryStepNames[step] << "\": " << number(frame.geometryMs[step]);
        out << "}, \"light_loop_ms\": " << number(frame.lightLoopMs) << ", \"cpu_ms\": " << number(frame.cpuMs)
            << "}" << (i + 1 < frames_.size() ? "," : "") << "\n";
    }
    out << "  ]\n}\n";
    return out.str();
}

}  // namespace orv::render

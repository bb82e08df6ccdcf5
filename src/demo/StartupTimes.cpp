#include "demo/StartupTimes.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace orv::demo {

StartupTimes::StartupTimes() : last_(Clock::now()), lastCpuMs_(processCpuMs()) {}

double StartupTimes::processCpuMs()
{
    timespec used{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
    return static_cast<double>(used.tv_sec) * 1e3 + static_cast<double>(used.tv_nsec) / 1e6;
}

void StartupTimes::mark(std::string name)
{
    const Clock::time_point now = Clock::now();
    const double cpu = processCpuMs();
    phases_.push_back({std::move(name), std::chrono::duration<double, std::milli>(now - last_).count(),
                       cpu - lastCpuMs_});
    last_ = now;
    lastCpuMs_ = cpu;
}

void StartupTimes::detail(std::string name, double ms) { phases_.push_back({std::move(name), ms, -1.0, true}); }

void StartupTimes::append(const StartupTimes& steps)
{
    phases_.insert(phases_.end(), steps.phases_.begin(), steps.phases_.end());
    last_ = Clock::now();
    lastCpuMs_ = processCpuMs();
}

double StartupTimes::totalMs() const
{
    double total = 0.0;
    for (const Phase& phase : phases_)
        if (!phase.detail)
            total += phase.ms;
    return total;
}

double StartupTimes::totalCpuMs() const
{
    double total = 0.0;
    for (const Phase& phase : phases_)
        if (!phase.detail)
            total += phase.cpuMs;
    return total;
}

bool StartupTimes::requested()
{
    const char* value = std::getenv("ORV_STARTUP_TIMES");
    return value != nullptr && value[0] != '\0' && std::strcmp(value, "0") != 0;
}

void StartupTimes::print(std::ostream& out) const
{
    char line[160];
    for (const Phase& phase : phases_) {
        char cpu[16] = "       -";
        if (!phase.detail)
            std::snprintf(cpu, sizeof(cpu), "%8.1f", phase.cpuMs);
        std::snprintf(line, sizeof(line), "startup: %8.1f ms %s cpu  %s%s\n", phase.ms, cpu,
                      phase.detail ? "  of which " : "", phase.name.c_str());
        out << line;
    }
    std::snprintf(line, sizeof(line), "startup: %8.1f ms %8.1f cpu  total before the first frame\n", totalMs(),
                  totalCpuMs());
    out << line << std::flush;
}

}  // namespace orv::demo

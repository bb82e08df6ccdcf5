#include "demo/StartupTimes.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace orv::demo {

StartupTimes::StartupTimes() : last_(Clock::now()) {}

void StartupTimes::mark(std::string name)
{
    const Clock::time_point now = Clock::now();
    phases_.push_back({std::move(name), std::chrono::duration<double, std::milli>(now - last_).count()});
    last_ = now;
}

void StartupTimes::detail(std::string name, double ms) { phases_.push_back({std::move(name), ms, true}); }

void StartupTimes::append(const StartupTimes& steps)
{
    phases_.insert(phases_.end(), steps.phases_.begin(), steps.phases_.end());
    last_ = Clock::now();
}

double StartupTimes::totalMs() const
{
    double total = 0.0;
    for (const Phase& phase : phases_)
        if (!phase.detail)
            total += phase.ms;
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
        std::snprintf(line, sizeof(line), "startup: %8.1f ms  %s%s\n", phase.ms, phase.detail ? "  of which " : "",
                      phase.name.c_str());
        out << line;
    }
    std::snprintf(line, sizeof(line), "startup: %8.1f ms  total before the first frame\n", totalMs());
    out << line << std::flush;
}

}  // namespace orv::demo

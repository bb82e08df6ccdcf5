#pragma once

#include <chrono>
#include <ostream>
#include <string>
#include <vector>

namespace orv::demo {

// Wall time of the steps of a start, each from the end of the one before,
// for finding where the time to the first frame goes. Cheap enough to keep
// always; only printed when asked for (ORV_STARTUP_TIMES=1).
class StartupTimes {
public:
    using Clock = std::chrono::steady_clock;

    struct Phase {
        std::string name;
        double ms = 0.0;
        // CPU time of the whole process (every thread, the GL driver's too)
        // in the same span: on a busy machine it varies far less than the wall time.
        double cpuMs = 0.0;
        // Part of the phase before it, not a step of its own.
        bool detail = false;
    };

    StartupTimes();

    // Closes the phase that ran since the last mark (or since construction).
    void mark(std::string name);
    // A part of the last phase measured elsewhere (e.g. the image decoding
    // inside the model loading); not counted again in the total.
    void detail(std::string name, double ms);
    // CPU time the process has used since it started.
    static double processCpuMs();
    // Another record's phases, as steps of this one (its time since this
    // one's last mark is taken to be theirs).
    void append(const StartupTimes& steps);
    // Starts the next phase now, dropping the time since the last mark.
    void restart() { last_ = Clock::now(); }

    const std::vector<Phase>& phases() const { return phases_; }
    double totalMs() const;
    double totalCpuMs() const;

    // Whether the environment asks for the times (ORV_STARTUP_TIMES set to
    // anything but empty or "0").
    static bool requested();
    // One "startup: <ms> ms <cpu ms> cpu  <phase>" line per phase, then the total.
    void print(std::ostream& out) const;

private:
    std::vector<Phase> phases_;
    Clock::time_point last_;
    double lastCpuMs_ = 0.0;
};

}  // namespace orv::demo

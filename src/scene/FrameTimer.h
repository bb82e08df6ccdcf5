#pragma once

namespace orv::scene {

// Measures the time between frames with GLFW's clock.
class FrameTimer {
public:
    FrameTimer();

    // Seconds since the previous read (or construction); restarts the measurement.
    double elapsed();

private:
    double last_;
};

}  // namespace orv::scene

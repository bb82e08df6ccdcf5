#pragma once

namespace orv::app {

// The start-up sequence, the frame loop hand-over and the shut-down, run
// from the demo folder.
class Application {
public:
    // Returns the process exit status.
    int run();
};

}  // namespace orv::app

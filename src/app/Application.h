#pragma once

#include <string>

namespace orv::app {

// The start-up sequence, the hand-over to the frame loop and the shut-down.
// Runs from the demo folder: every file name is relative to it.
class Application {
public:
    // Plays the demo; returns the process exit status.
    int run();

private:
    int play();
};

// Writes a diagnostic as exactly one line on standard error.
void reportLine(const std::string& text);

}  // namespace orv::app

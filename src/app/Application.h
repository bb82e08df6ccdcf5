#pragma once

#include <string>

#include "app/Options.h"
#include "demo/StartupTimes.h"

namespace orv::gl {
class ProgramManager;
}
namespace orv::view {
class OpenGLwindow;
}

namespace orv::app {

// The start-up sequence, the hand-over to the frame loop and the shut-down.
// Runs from the demo folder: every file name is relative to it.
class Application {
public:
    explicit Application(Options options = {});

    // Plays the demo (or captures it, as the options say); returns the process exit status.
    int run();

private:
    int start();
    int play(view::OpenGLwindow& window, gl::ProgramManager& programs);

    Options options_;
    demo::StartupTimes times_;
};

// Writes a diagnostic as exactly one line on standard error.
void reportLine(const std::string& text);

}  // namespace orv::app

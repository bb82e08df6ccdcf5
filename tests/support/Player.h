#pragma once

#include <filesystem>
#include <string>

namespace orv::test {

struct PlayerRun {
    int exitCode = -1;       // -1 when the player did not exit normally
    int signal = 0;          // the signal that ended it, if any
    bool timedOut = false;   // it had to be killed
    bool escaped = false;    // it was still running when Escape was sent
    std::string out;
    std::string err;
};

// Starts the orv player in a folder on the current X display. With
// escapeAfterSeconds > 0 it waits for the window named title, lets it run for
// that long and sends it Escape. The player is killed after limitSeconds.
// The program cache is off (ORV_PROGRAM_CACHE=0) unless envPrefix turns it on.
// envPrefix goes before the player's command line (e.g. "env -u DISPLAY"),
// arguments after it (already quoted for the shell where needed).
PlayerRun runPlayer(const std::filesystem::path& folder, double escapeAfterSeconds = 0.0,
                    const std::string& title = "orv", int limitSeconds = 120, const std::string& envPrefix = "",
                    const std::string& arguments = "");

}  // namespace orv::test

#include "support/Player.h"

#include <csignal>
#include <fstream>
#include <sstream>

#include <sys/wait.h>
#include <unistd.h>

#include "support/Scratch.h"

namespace orv::test {

namespace {

std::string slurp(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string quoted(const std::string& text)
{
    std::string result = "'";
    for (char c : text) {
        result += (c == '\'') ? std::string("'\\''") : std::string(1, c);
    }
    return result + "'";
}

}  // namespace

PlayerRun runPlayer(const std::filesystem::path& folder, double escapeAfterSeconds, const std::string& title,
                    int limitSeconds, const std::string& envPrefix, const std::string& arguments)
{
    ScratchDir logs;
    const auto out = logs.path() / "out";
    const auto err = logs.path() / "err";
    const auto status = logs.path() / "status";
    const auto escaped = logs.path() / "escaped";

    // The shell reports the player's own exit status, or 128 + signal. The
    // user's program cache is left alone unless a test asks for a cache.
    std::ostringstream script;
    script << "cd " << quoted(folder.string()) << " || exit 99; export ORV_PROGRAM_CACHE=0; "
           << envPrefix << " timeout -s KILL " << limitSeconds << " " << quoted(ORV_PLAYER) << " " << arguments << " >" << quoted(out.string())
           << " 2>" << quoted(err.string()) << " & player=$!; ";
    if (escapeAfterSeconds > 0.0) {
        script << "id=$(timeout " << limitSeconds << " xdotool search --sync --onlyvisible --name "
               << quoted("^" + title + "$") << " 2>/dev/null | head -n 1); "
               << "sleep " << escapeAfterSeconds << "; "
               << "if [ -n \"$id\" ] && kill -0 $player 2>/dev/null; then "
               << "xdotool key --window \"$id\" Escape >/dev/null 2>&1; touch " << quoted(escaped.string()) << "; fi; ";
    }
    script << "wait $player; echo $? >" << quoted(status.string()) << "; ";
    if (escapeAfterSeconds > 0.0) {
        // xdotool presses keys of a focused window through the server itself;
        // the player is gone before the release could reach it, so release
        // Escape here or the server keeps repeating it into the next window.
        script << "xdotool keyup Escape >/dev/null 2>&1";
    }

    PlayerRun run;
    const int shell = std::system(("bash -c " + quoted(script.str())).c_str());
    (void)shell;
    run.escaped = std::filesystem::exists(escaped);
    run.out = slurp(out);
    run.err = slurp(err);
    const int code = std::stoi("0" + slurp(status));
    if (code == 137) {
        run.timedOut = true;
        run.signal = SIGKILL;
    } else if (code > 128) {
        run.signal = code - 128;
    } else {
        run.exitCode = code;
    }
    return run;
}

}  // namespace orv::test

#pragma once

#include <ostream>
#include <set>
#include <string>

#include "problem/Report.h"

namespace orv::config {
struct NodeTree;
}  // namespace orv::config
namespace orv::problem {
struct DemoConfig;
}  // namespace orv::problem

namespace orv::check {

class ModelChecker;

// Checks a whole demo folder without a window or a GPU and reports every
// problem found: the configuration files, every file they name, the GLSL
// programs, the models the player asks for, the path markers and the shots.
class DemoChecker {
public:
    // Runs in the demo folder, which must be the working directory.
    problem::Report run();

    // orv --check: every problem as one line on err, then, when none is an
    // error, one summary line on out; the exit status (1 when there is an error).
    static int checkFolder(const std::string& folder, std::ostream& out, std::ostream& err);

private:
    void programs(const problem::DemoConfig& config, problem::Report& report);
    void scene(const problem::DemoConfig& config, ModelChecker& models, problem::Report& report);
    void shots(const problem::DemoConfig& config, const config::NodeTree& root, problem::Report& report);
    void media(ModelChecker& images, problem::Report& report);

    // Every file looked at, once however many entries name it.
    std::set<std::string> files_;
};

}  // namespace orv::check

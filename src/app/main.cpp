#include "app/Application.h"
#include "app/HugePageHeap.h"
#include "app/Options.h"

#include <filesystem>
#include <iostream>
#include <system_error>

#include "check/DemoChecker.h"

namespace {

// The installed demo sits at a fixed place relative to the installed player
// (ORV_INSTALLED_DEMO, from the build), so one build installs under any
// prefix: cmake --install --prefix, or the package's /usr.
std::filesystem::path installedDemo()
{
    std::error_code error;
    const std::filesystem::path player = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return {};
    return (player.parent_path() / ORV_INSTALLED_DEMO).lexically_normal();
}

}  // namespace

int main(int argc, char** argv)
{
    // Room for every texture and framebuffer of a start at 1024 x 768, and
    // more; address space only until used.
    orv::app::HugePageHeap::reserve(std::size_t{512} << 20);
    const orv::app::ParsedOptions parsed = orv::app::parseOptions(argc, argv, {ORV_VERSION, installedDemo()});
    if (!parsed.options)
        return parsed.exitCode;
    if (parsed.options->check)
        return orv::check::DemoChecker::checkFolder(parsed.options->demoDir, std::cout, std::cerr);
    return orv::app::Application(*parsed.options).run();
}

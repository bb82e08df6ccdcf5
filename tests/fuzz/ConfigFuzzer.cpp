// One configuration file of a demo (ORV_FUZZ_FILE) read as far as its loader
// goes without drawing: the checker runs the loaders' own reading steps and
// its shape checks over a copy of the bundled demo's configuration, with the
// input in place of that one file. Every problem it reports must name its
// file and say something: an author is never left with an empty line.

#include <cstdlib>
#include <filesystem>

#include "FuzzInput.h"
#include "check/ConfigChecker.h"
#include "problem/Report.h"

namespace {

std::filesystem::path scratch;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    orv::fuzz::silenceWarnings();
    namespace fs = std::filesystem;
    scratch = fs::temp_directory_path() / ("orv-fuzz-config-" + std::to_string(::getpid()));
    fs::create_directories(scratch);
    fs::copy(fs::path(ORV_SOURCE_DIR) / "demo" / "config", scratch / "config", fs::copy_options::overwrite_existing);
    fs::current_path(scratch);
    std::atexit([] {
        std::error_code ignored;
        fs::remove_all(scratch, ignored);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::ofstream(ORV_FUZZ_FILE, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    orv::problem::Report report;
    orv::check::ConfigChecker checker(report);
    (void)checker.run();
    for (const auto& problem : report.problems()) {
        if (problem.file.empty() || problem.what.empty() || problem.text().empty()) {
            std::abort();
        }
    }
    return 0;
}

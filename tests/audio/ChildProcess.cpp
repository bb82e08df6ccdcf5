#include "ChildProcess.h"

#include <cstdlib>
#include <iostream>

#include <unistd.h>

#include <gtest/gtest.h>

namespace orv::test {

namespace {

// Far above what any case needs; a hanging device open ends here instead of
// blocking the test run.
constexpr unsigned childTimeLimitSeconds = 30;

}  // namespace

void ChildChecks::expect(bool holds, const std::string& what)
{
    if (!holds) {
        failed_ = true;
        std::cerr << "check failed: " << what << std::endl;
    }
}

void runInChild(const char* drivers, const std::function<void(ChildChecks&)>& body, const char* stderrPattern)
{
    // Re-executes the test binary for this one test, so the child starts with
    // no audio library state and no threads.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            alarm(childTimeLimitSeconds);
            if (drivers != nullptr) {
                setenv("ALSOFT_DRIVERS", drivers, 1);
            }
            ChildChecks checks;
            body(checks);
            std::exit(checks.failed() ? 1 : 0);
        },
        testing::ExitedWithCode(0), stderrPattern);
}

int lineCount(const std::string& text)
{
    int count = 0;
    for (char c : text) {
        count += c == '\n' ? 1 : 0;
    }
    return count;
}

}  // namespace orv::test

#pragma once

#include <functional>
#include <string>

namespace orv::test {

// Collects the checks made inside a child process, where test assertions
// cannot reach the parent: a failed check is printed on the child's standard
// error, and the child's exit status says whether all of them held.
class ChildChecks {
public:
    void expect(bool holds, const std::string& what);
    bool failed() const { return failed_; }

private:
    bool failed_ = false;
};

// Runs body in a fresh child process whose audio library sees only the given
// output backends (ALSOFT_DRIVERS: "null" is OpenAL Soft's silent device, an
// unknown name leaves no device at all; nullptr leaves the environment as it
// is). The audio library reads that setting once per process, hence the
// child. The test fails when a check fails, when the child does not finish
// within a bounded time, or when the child's standard error outside what the
// body captured does not match stderrPattern (by default anything does).
void runInChild(const char* drivers, const std::function<void(ChildChecks&)>& body, const char* stderrPattern = "");

// Number of line ends in text.
int lineCount(const std::string& text);

}  // namespace orv::test

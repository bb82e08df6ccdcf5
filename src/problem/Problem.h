#pragma once

#include <string>

#include <yaml-cpp/yaml.h>

namespace orv::problem {

// One thing wrong with a demo, worded once for both the checker and the
// player: "file:line:column: what is wrong (what to do)".
struct Problem {
    enum class Severity { Error, Warning };

    std::string file;
    // 1-based; 0 when the problem belongs to the whole file.
    int line = 0;
    int column = 0;
    std::string what;
    // Empty when there is nothing better to say than the problem itself.
    std::string todo;
    Severity severity = Severity::Error;

    // A problem at a YAML library position (0-based, or null for none).
    static Problem at(const std::string& file, const YAML::Mark& mark, std::string what, std::string todo = {});

    bool isError() const { return severity == Severity::Error; }
    std::string text() const;
};

}  // namespace orv::problem

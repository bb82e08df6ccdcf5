#include "problem/Diagnosis.h"

#include <array>
#include <utility>

namespace orv::problem {

Problem Diagnosis::of(const std::string& file, const std::exception& error)
{
    if (const auto* yaml = dynamic_cast<const YAML::Exception*>(&error)) {
        std::string message = yaml->msg;
        // A file the library cannot open is named in the line's own place already.
        if (message.rfind("bad file", 0) == 0)
            message = "bad file";
        if (dynamic_cast<const YAML::ParserException*>(&error) != nullptr)
            return Problem::at(file, yaml->mark, message, "fix the YAML syntax there");
        return Problem::at(file, yaml->mark, message, hintFor(message));
    }
    std::string message = error.what();
    // Loaders that know their file put it first; the line names it once.
    const std::string prefix = file + ": ";
    if (message.rfind(prefix, 0) == 0)
        message.erase(0, prefix.size());
    Problem problem;
    problem.file = file;
    problem.what = message;
    problem.todo = hintFor(message);
    return problem;
}

std::string Diagnosis::hintFor(const std::string& message)
{
    static const std::array<std::pair<const char*, const char*>, 7> hints = {{
        {"cannot import", "fix the model file, or the \"path\" that names it"},
        {"bad file", "the file is missing or cannot be read; every demo needs it"},
        {"bad conversion", "a required key is missing here or its value has the wrong type; see docs/authoring.md"},
        {"invalid node", "this entry must be a map of keys, not a list"},
        {"operator[] call on a scalar", "the file must hold a map of keys, not a single value"},
        {"non-empty list of shots", "give \"shots\" one map per shot"},
        {"not groups of three", "every path point is three markers: the point and its \"_in\" and \"_out\" handles"},
    }};
    for (const auto& [start, hint] : hints) {
        if (message.find(start) != std::string::npos)
            return hint;
    }
    return {};
}

}  // namespace orv::problem

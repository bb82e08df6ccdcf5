#include "problem/Problem.h"

namespace orv::problem {

Problem Problem::at(const std::string& file, const YAML::Mark& mark, std::string what, std::string todo)
{
    Problem problem;
    problem.file = file;
    if (!mark.is_null()) {
        problem.line = mark.line + 1;
        problem.column = mark.column + 1;
    }
    problem.what = std::move(what);
    problem.todo = std::move(todo);
    return problem;
}

std::string Problem::text() const
{
    std::string line = file;
    if (this->line > 0)
        line += ":" + std::to_string(this->line) + ":" + std::to_string(column);
    line += ": ";
    if (severity == Severity::Warning)
        line += "warning: ";
    line += what;
    if (!todo.empty())
        line += " (" + todo + ")";
    for (char& c : line) {
        if (c == '\n' || c == '\r')
            c = ' ';
    }
    return line;
}

}  // namespace orv::problem

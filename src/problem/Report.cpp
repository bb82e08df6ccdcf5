#include "problem/Report.h"

#include <algorithm>

namespace orv::problem {

void Report::add(Problem problem)
{
    // One mistake reached by two checks (a model file named by two entries,
    // a shader shared by programs) is one line.
    const std::string text = problem.text();
    for (const Problem& known : problems_) {
        if (known.text() == text)
            return;
    }
    problems_.push_back(std::move(problem));
}

void Report::error(const std::string& file, const YAML::Mark& mark, std::string what, std::string todo)
{
    add(Problem::at(file, mark, std::move(what), std::move(todo)));
}

void Report::warn(const std::string& file, const YAML::Mark& mark, std::string what, std::string todo)
{
    Problem problem = Problem::at(file, mark, std::move(what), std::move(todo));
    problem.severity = Problem::Severity::Warning;
    add(std::move(problem));
}

std::size_t Report::errors() const
{
    return static_cast<std::size_t>(
        std::count_if(problems_.begin(), problems_.end(), [](const Problem& p) { return p.isError(); }));
}

void Report::print(std::ostream& out) const
{
    for (const Problem& problem : problems_)
        out << problem.text() << '\n';
    out.flush();
}

}  // namespace orv::problem

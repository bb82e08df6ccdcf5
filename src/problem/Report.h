#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "problem/Problem.h"

namespace orv::problem {

// Every problem found in a demo, in the order the checks found them.
class Report {
public:
    void add(Problem problem);
    void error(const std::string& file, const YAML::Mark& mark, std::string what, std::string todo = {});
    void warn(const std::string& file, const YAML::Mark& mark, std::string what, std::string todo = {});

    const std::vector<Problem>& problems() const { return problems_; }
    std::size_t errors() const;
    std::size_t warnings() const { return problems_.size() - errors(); }

    // One line per problem.
    void print(std::ostream& out) const;

private:
    std::vector<Problem> problems_;
};

}  // namespace orv::problem

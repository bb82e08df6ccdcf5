#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include <yaml-cpp/yaml.h>

#include "problem/Report.h"

namespace orv::check {

// Type checks of one configuration file's values, each failure one line of
// the report at the value's position. Every check says whether the value
// passed, so that callers only look inside values of the right shape.
class YamlShape {
public:
    YamlShape(problem::Report& report, std::string file) : report_(report), file_(std::move(file)) {}

    const std::string& file() const { return file_; }
    problem::Report& report() { return report_; }

    bool isMap(const YAML::Node& node, const std::string& what);
    bool isList(const YAML::Node& node, const std::string& what);
    // Warns about every key that is not one of known.
    void knownKeys(const YAML::Node& map, std::initializer_list<const char*> known, const std::string& where);

    // Missing optional values pass.
    bool optionalBool(const YAML::Node& map, const char* key);
    bool optionalString(const YAML::Node& map, const char* key);
    bool number(const YAML::Node& node, const std::string& what);
    bool integer(const YAML::Node& node, const std::string& what);
    // A list of names; the names that are strings, each with its position.
    std::vector<std::pair<std::string, YAML::Mark>> names(const YAML::Node& map, const char* key);
    // A list of [key, value] pairs with keys from 0 to 1 in ascending order;
    // the pairs, or nothing after a fault.
    std::vector<std::pair<float, float>> keyCurve(const YAML::Node& list, const std::string& what, std::size_t width);

    void error(const YAML::Mark& mark, std::string what, std::string todo = {});
    void warn(const YAML::Mark& mark, std::string what, std::string todo = {});

private:
    problem::Report& report_;
    std::string file_;
};

}  // namespace orv::check

#pragma once

#include <string>

#include <yaml-cpp/yaml.h>

namespace orv::config {

// The string under key, which must be there: a missing key raises the
// library's "bad conversion" at the map's position, as a value that is not
// a string does.
inline std::string requiredString(const YAML::Node& map, const char* key)
{
    const YAML::Node value = map[key];
    if (!value.IsDefined())
        throw YAML::TypedBadConversion<std::string>(map.Mark());
    return value.as<std::string>();
}

}  // namespace orv::config

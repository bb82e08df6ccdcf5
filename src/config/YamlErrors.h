#pragma once

#include <string>
#include <utility>

#include <yaml-cpp/yaml.h>

namespace orv::config {

// Runs work and lets a YAML error leave as the same kind of YAML exception,
// its message ending in " in " and the file name, so that the one line the
// start-up prints says which file is at fault. "bad file" already names it.
template <typename Work>
decltype(auto) namingFile(const std::string& fileName, Work&& work)
{
    try {
        return std::forward<Work>(work)();
    } catch (const YAML::BadFile&) {
        throw;
    } catch (const YAML::ParserException& error) {
        throw YAML::ParserException(error.mark, error.msg + " in " + fileName);
    } catch (const YAML::RepresentationException& error) {
        throw YAML::RepresentationException(error.mark, error.msg + " in " + fileName);
    } catch (const YAML::Exception& error) {
        throw YAML::Exception(error.mark, error.msg + " in " + fileName);
    }
}

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

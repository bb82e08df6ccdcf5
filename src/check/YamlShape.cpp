#include "check/YamlShape.h"

#include <algorithm>

namespace orv::check {

namespace {

bool isScalarOf(const YAML::Node& node, auto& value)
{
    return node.IsScalar() && YAML::convert<std::remove_reference_t<decltype(value)>>::decode(node, value);
}

}  // namespace

void YamlShape::error(const YAML::Mark& mark, std::string what, std::string todo)
{
    report_.error(file_, mark, std::move(what), std::move(todo));
}

void YamlShape::warn(const YAML::Mark& mark, std::string what, std::string todo)
{
    report_.warn(file_, mark, std::move(what), std::move(todo));
}

bool YamlShape::isMap(const YAML::Node& node, const std::string& what)
{
    if (node.IsMap())
        return true;
    error(node.Mark(), what + " is not a map of keys", "write it as \"key: value\" lines");
    return false;
}

bool YamlShape::isList(const YAML::Node& node, const std::string& what)
{
    if (node.IsSequence())
        return true;
    error(node.Mark(), what + " is not a list", "write it as [a, b, ...] or as \"- \" lines");
    return false;
}

void YamlShape::knownKeys(const YAML::Node& map, std::initializer_list<const char*> known, const std::string& where)
{
    for (const auto& entry : map) {
        const std::string key = entry.first.Scalar();
        if (std::none_of(known.begin(), known.end(), [&](const char* k) { return key == k; })) {
            std::string list;
            for (const char* k : known)
                list += std::string(list.empty() ? "" : ", ") + k;
            warn(entry.first.Mark(), "unknown key \"" + key + "\" in " + where + "; it is ignored",
                 "known keys: " + list);
        }
    }
}

bool YamlShape::optionalBool(const YAML::Node& map, const char* key)
{
    const YAML::Node value = map[key];
    bool flag = false;
    if (!value.IsDefined() || isScalarOf(value, flag))
        return true;
    error(value.Mark(), "\"" + std::string(key) + "\" is not true or false",
          "the player takes its default instead; write true or false");
    return false;
}

bool YamlShape::optionalString(const YAML::Node& map, const char* key)
{
    const YAML::Node value = map[key];
    if (!value.IsDefined() || value.IsScalar())
        return true;
    error(value.Mark(), "\"" + std::string(key) + "\" is not a single value", "write one name or path");
    return false;
}

bool YamlShape::number(const YAML::Node& node, const std::string& what)
{
    float value = 0.0f;
    if (isScalarOf(node, value))
        return true;
    error(node.Mark(), what + " is not a number", "write a number such as 0.5");
    return false;
}

bool YamlShape::integer(const YAML::Node& node, const std::string& what)
{
    int value = 0;
    if (isScalarOf(node, value))
        return true;
    error(node.Mark(), what + " is not a whole number", "write a whole number such as 720");
    return false;
}

std::vector<std::pair<std::string, YAML::Mark>> YamlShape::names(const YAML::Node& map, const char* key)
{
    std::vector<std::pair<std::string, YAML::Mark>> found;
    const YAML::Node list = map[key];
    if (!list.IsDefined() || list.IsNull())
        return found;
    if (!isList(list, "\"" + std::string(key) + "\""))
        return found;
    for (const auto& element : list) {
        if (element.IsScalar())
            found.emplace_back(element.Scalar(), element.Mark());
        else
            error(element.Mark(), "an element of \"" + std::string(key) + "\" is not a name", "write plain names");
    }
    return found;
}

std::vector<std::pair<float, float>> YamlShape::keyCurve(const YAML::Node& list, const std::string& what,
                                                         std::size_t width)
{
    std::vector<std::pair<float, float>> keys;
    if (!list.IsDefined() || list.IsNull())
        return keys;
    if (!isList(list, what))
        return {};
    const std::string shape = width == 2 ? "[key, value]" : "[key, x, y, z]";
    float previous = 0.0f;
    for (const auto& entry : list) {
        if (!entry.IsSequence() || entry.size() != width) {
            error(entry.Mark(), "an entry of " + what + " is not " + shape, "write each entry as " + shape);
            return {};
        }
        for (std::size_t i = 0; i < width; ++i) {
            if (!number(entry[i], "a value in " + what))
                return {};
        }
        const float key = entry[0].as<float>();
        if (key < 0.0f || key > 1.0f) {
            error(entry[0].Mark(), "key " + entry[0].Scalar() + " of " + what + " is outside 0 to 1",
                  "keys are fractions of the path: 0 at its start, 1 at its end");
            return {};
        }
        if (!keys.empty() && key < previous) {
            error(entry[0].Mark(), "key " + entry[0].Scalar() + " of " + what + " comes after a larger key",
                  "list the entries in ascending key order");
            return {};
        }
        previous = key;
        keys.emplace_back(key, entry[width - 1].as<float>());
    }
    return keys;
}

}  // namespace orv::check

#include "dev/Bookmarks.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include <glm/gtc/matrix_inverse.hpp>
#include <yaml-cpp/yaml.h>

#include "demo/Demo.h"
#include "problem/Diagnosis.h"
#include "scene/PerspectiveCamera.h"
#include "scene/SceneObject.h"
#include "timeline/Timeline.h"

namespace orv::dev {

namespace {

constexpr const char* header =
    "# Camera bookmarks, added with C in `orv --dev`. Points are in the scene\n"
    "# file's own coordinates (before its root node's transform): put a path\n"
    "# marker at `position` in the 3D tool to start or pass a shot there.\n"
    "bookmarks:\n";

// To a tenth of a millimetre (or millisecond), which is closer than anyone places a marker.
std::string number(double value)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof(text), std::round(value * 1e4) / 1e4);
    return std::string(text, result.ptr);
}

std::string point(const glm::vec3& p) { return "[" + number(p.x) + ", " + number(p.y) + ", " + number(p.z) + "]"; }

glm::vec3 readPoint(const YAML::Node& node)
{
    if (!node.IsSequence() || node.size() != 3)
        throw YAML::RepresentationException(node.Mark(), "a point must be [x, y, z]");
    return {node[0].as<float>(), node[1].as<float>(), node[2].as<float>()};
}

}  // namespace

Bookmarks::Bookmarks(std::string fileName) : fileName_(std::move(fileName))
{
    if (!std::filesystem::exists(fileName_))
        return;
    problem::Diagnosis::reading(fileName_, [&] {
        const YAML::Node list = YAML::LoadFile(fileName_)["bookmarks"];
        if (!list)
            return;
        if (!list.IsSequence())
            throw YAML::RepresentationException(list.Mark(), "\"bookmarks\" must be a list");
        for (const YAML::Node& entry : list) {
            Bookmark bookmark;
            bookmark.position = readPoint(entry["position"]);
            bookmark.lookAt = readPoint(entry["look_at"]);
            bookmark.time = entry["time"].as<double>(0.0);
            bookmark.shot = entry["shot"].as<std::size_t>(1);
            bookmarks_.push_back(bookmark);
        }
    });
}

glm::vec3 Bookmarks::toFile(const glm::mat4& root, const glm::vec3& world)
{
    return glm::vec3(glm::inverse(root) * glm::vec4(world, 1.0f));
}

glm::vec3 Bookmarks::toWorld(const glm::mat4& root, const glm::vec3& file)
{
    return glm::vec3(root * glm::vec4(file, 1.0f));
}

Bookmarks::Bookmark Bookmarks::add(demo::Demo& stage)
{
    const scene::PerspectiveCamera& camera = stage.timeline().camera();
    // On its rails the camera looks at the timeline's point; flying, one step ahead.
    const glm::vec3 lookAt = camera.isOnRails() ? camera.target() : camera.position() + camera.front();
    const glm::mat4 root = stage.root()->modelMatrix();
    Bookmark bookmark;
    bookmark.position = toFile(root, camera.position());
    bookmark.lookAt = toFile(root, lookAt);
    bookmark.time = stage.time();
    bookmark.shot = stage.shotAt(stage.time()) + 1;

    const bool fresh = !std::filesystem::exists(fileName_) || std::filesystem::file_size(fileName_) == 0;
    std::ofstream out(fileName_, std::ios::binary | std::ios::app);
    if (fresh)
        out << header;
    out << "  - time: " << number(bookmark.time) << "\n"
        << "    shot: " << bookmark.shot << "\n"
        << "    position: " << point(bookmark.position) << "\n"
        << "    look_at: " << point(bookmark.lookAt) << "\n"
        << "    # the look-at point in world coordinates, as the timeline's look_at keys take it\n"
        << "    look_at_world: " << point(lookAt) << "\n";
    out.close();
    if (!out)
        throw std::runtime_error(fileName_ + ": cannot be written");
    bookmarks_.push_back(bookmark);
    return bookmarks_.back();
}

void Bookmarks::visit(const Bookmark& bookmark, demo::Demo& stage)
{
    const glm::mat4 root = stage.root()->modelMatrix();
    stage.timeline().camera().flyFrom(toWorld(root, bookmark.position), toWorld(root, bookmark.lookAt));
}

}  // namespace orv::dev

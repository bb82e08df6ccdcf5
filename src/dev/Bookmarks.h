#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

namespace orv::demo {
class Demo;
}

namespace orv::dev {

// Camera places the author keeps while flying through the demo, in a file
// beside the demo's configuration. Points are in the scene file's own
// coordinates (before its root node's transform), the ones a 3D tool shows
// for the path markers, so a marker can be put where a bookmark says.
class Bookmarks {
public:
    struct Bookmark {
        glm::vec3 position{0.0f};
        glm::vec3 lookAt{0.0f};
        double time = 0.0;
        std::size_t shot = 0;  // counted from 1, as the author reads it
    };

    // Reads the file when there is one; throws std::runtime_error with one
    // line naming it (and the line) when it does not read as bookmarks.
    explicit Bookmarks(std::string fileName);

    const std::string& fileName() const { return fileName_; }
    const std::vector<Bookmark>& all() const { return bookmarks_; }

    // Stores where the stage's camera is now and adds it to the end of the
    // file (which is made when there is none; the rest of it is left as it
    // is). Returns a copy of the bookmark; throws std::runtime_error naming the file
    // when it cannot be written.
    Bookmark add(demo::Demo& stage);
    // Puts the stage's camera, off its rails, at a bookmark.
    static void visit(const Bookmark& bookmark, demo::Demo& stage);

    // Between world coordinates and the scene file's, through the scene root's model matrix.
    static glm::vec3 toFile(const glm::mat4& root, const glm::vec3& world);
    static glm::vec3 toWorld(const glm::mat4& root, const glm::vec3& file);

private:
    std::string fileName_;
    std::vector<Bookmark> bookmarks_;
};

}  // namespace orv::dev

#pragma once

#include <filesystem>
#include <string>

namespace orv::test {

// A fresh folder under the system's temporary directory, removed again when
// the object goes. Tests write their configuration and model files into it.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // Writes text to a file below the folder (creating sub-folders) and returns its full path.
    std::filesystem::path write(const std::string& relative, const std::string& text) const;
    // The whole text of a file below the folder ("" when there is none).
    std::string read(const std::string& relative) const;
    // Copies a folder's contents into this one: a demo to break without harm.
    void copyFrom(const std::filesystem::path& folder) const;

private:
    std::filesystem::path path_;
};

// Makes a folder the working directory for as long as the object lives.
class WorkingDir {
public:
    explicit WorkingDir(const std::filesystem::path& dir);
    ~WorkingDir();
    WorkingDir(const WorkingDir&) = delete;
    WorkingDir& operator=(const WorkingDir&) = delete;

private:
    std::filesystem::path previous_;
};

}  // namespace orv::test

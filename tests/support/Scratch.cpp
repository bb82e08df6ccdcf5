#include "support/Scratch.h"

#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace orv::test {

ScratchDir::ScratchDir()
{
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto candidate = std::filesystem::temp_directory_path() / ("orv-test-" + std::to_string(random()));
        if (std::filesystem::create_directory(candidate)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a scratch folder");
}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path ScratchDir::write(const std::string& relative, const std::string& text) const
{
    const auto file = path_ / relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out << text;
    if (!out) {
        throw std::runtime_error("cannot write " + file.string());
    }
    return file;
}

std::string ScratchDir::read(const std::string& relative) const
{
    std::ifstream in(path_ / relative, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void ScratchDir::copyFrom(const std::filesystem::path& folder) const
{
    std::filesystem::copy(folder, path_, std::filesystem::copy_options::recursive);
}

WorkingDir::WorkingDir(const std::filesystem::path& dir) : previous_(std::filesystem::current_path())
{
    std::filesystem::current_path(dir);
}

WorkingDir::~WorkingDir()
{
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
}

}  // namespace orv::test

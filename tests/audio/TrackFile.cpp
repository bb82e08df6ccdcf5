#include "TrackFile.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace orv::test {

const std::string& musicTrackPath()
{
    static const std::string path = std::string(ORV_SOURCE_DIR) + "/demo/assets/sounds/finish.mp3";
    return path;
}

std::vector<unsigned char> readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace orv::test

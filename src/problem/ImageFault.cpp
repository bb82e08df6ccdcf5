#include "problem/ImageFault.h"

#include <cstdio>
#include <filesystem>

namespace orv::problem {

Problem ImageFault::of(const std::string& path, unsigned devilError)
{
    char code[16];
    std::snprintf(code, sizeof(code), "0x%x", devilError);
    std::error_code error;
    Problem problem;
    problem.file = path;
    problem.what = std::filesystem::exists(path, error)
                       ? "cannot load the image (DevIL error " + std::string(code) + ")"
                       : "the image file does not exist";
    problem.todo = "the player draws it plain white; give a PNG, JPEG or TIFF file at this path";
    return problem;
}

}  // namespace orv::problem

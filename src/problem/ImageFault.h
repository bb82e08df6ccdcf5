#pragma once

#include <string>

#include "problem/Problem.h"

namespace orv::problem {

// The line for an image that DevIL cannot load: the player prints it and
// goes on with a white texture, the checker reports it.
class ImageFault {
public:
    static Problem of(const std::string& path, unsigned devilError);
};

}  // namespace orv::problem

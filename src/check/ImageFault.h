#pragma once

#include <string>

#include "check/Problem.h"

namespace orv::check {

// The line for an image that DevIL cannot load: the player prints it and
// goes on with a white texture, the checker reports it.
class ImageFault {
public:
    static Problem of(const std::string& path, unsigned devilError);
};

}  // namespace orv::check

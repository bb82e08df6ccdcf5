#pragma once

#include <exception>
#include <stdexcept>
#include <string>

#include "problem/Problem.h"

namespace orv::problem {

// Turns what a loader raised while reading a file into the problem line the
// author sees, with the position the YAML library knows and a hint on what
// to do. The player prints the same line for the error that stops it, so
// the checker and the player never word one mistake in two ways.
class Diagnosis {
public:
    static Problem of(const std::string& file, const std::exception& error);

    // What to do about a message of the YAML library or of a loader; empty
    // when there is nothing to add.
    static std::string hintFor(const std::string& message);

    // Runs one step of reading a file; whatever it raises comes out as a
    // runtime error carrying the problem line for that file.
    template <typename Step>
    static decltype(auto) reading(const std::string& file, Step&& step)
    {
        try {
            return step();
        } catch (const std::exception& error) {
            throw std::runtime_error(of(file, error).text());
        }
    }
};

}  // namespace orv::problem

#pragma once

#include <string>
#include <vector>

#include "problem/Problem.h"

namespace orv::problem {

// What the renderer asks of one GL program of the catalogue: the uniforms
// its passes look up (an undeclared one stops the player), the fragment
// outputs it writes into, and the transform-feedback outputs it captures.
struct PassNeeds {
    std::string program;
    std::vector<std::string> uniforms;
    std::size_t fragmentOutputs = 0;
    std::vector<std::string> varyings;

    // Uniforms that every mesh drawn by a pass, or the pass itself, sets
    // only where a shader declares them: a catalogue lists them for every
    // program of such a pass, whether its shaders use them or not.
    static bool isOptional(const std::string& uniform);

    // Uniforms a pass sets only where the program lists them, so that its
    // shaders may do without: a shader that declares one the catalogue
    // leaves out reads 0 from it.
    static const std::vector<std::string>& setWhenListed(const std::string& program);

    // The lines for a program the renderer asks for that the catalogue
    // lacks, and for a uniform a pass sets that the program does not list
    // (at the program's entry): both stop the player.
    static Problem missingProgram(const std::string& catalogue, const std::string& program);
    static Problem missingUniform(const std::string& catalogue, const YAML::Mark& entry, const std::string& program,
                                  const std::string& uniform);

    // Every program the renderer uses, in no particular order.
    static const std::vector<PassNeeds>& all();
};

}  // namespace orv::problem

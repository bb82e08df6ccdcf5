#pragma once

#include <cstddef>

namespace orv::bench {

// Every C++ heap allocation of the process (operator new in all its forms)
// since the program started. The GL driver's own C allocations are not counted.
std::size_t allocationCount();

}  // namespace orv::bench

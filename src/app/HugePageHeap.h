#pragma once

#include <cstddef>

namespace orv::app {

// The start of the player is mostly memory being touched for the first time:
// a software GL zero-fills every texture and framebuffer it makes (well over
// a hundred megabytes at 1024 x 768), and the page faults of that memory cost
// more than the zeroing. This puts the blocks the GL allocates on a heap that
// the kernel backs with 2 MiB pages where it can (transparent huge pages,
// asked for per range), so one fault serves 512 small pages' worth.
class HugePageHeap {
public:
    // Grows the heap by about `bytes` of address space (nothing is touched)
    // and asks for huge pages on it; blocks are then carved from it while it
    // has room, however large, and freed memory stays on the heap. Call first
    // in main, before any library allocates much. False when the allocator
    // or the kernel refuses (the player then runs as it would have, on small
    // pages).
    static bool reserve(std::size_t bytes);
};

}  // namespace orv::app

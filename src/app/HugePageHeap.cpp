#include "app/HugePageHeap.h"

#include <cstdint>
#include <cstdlib>

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

namespace orv::app {

namespace {

constexpr std::uintptr_t hugePage = std::uintptr_t{2} << 20;
// glibc's own default for the space added on top of each heap growth.
constexpr int defaultTopPad = 128 * 1024;

}  // namespace

bool HugePageHeap::reserve(std::size_t bytes)
{
    // Once the heap is full, blocks the size of a framebuffer would otherwise
    // each get a mapping of their own (glibc's largest threshold is 32 MiB),
    // and trimming would hand freed memory back to be faulted in again.
    if (mallopt(M_MMAP_THRESHOLD, 32 << 20) == 0 ||
        mallopt(M_TRIM_THRESHOLD, static_cast<int>(bytes)) == 0 || mallopt(M_TOP_PAD, static_cast<int>(bytes)) == 0)
        return false;
    const auto before = reinterpret_cast<std::uintptr_t>(sbrk(0));
    // More than the heap has free, so that it grows now, by the top pad.
    void* probe = std::malloc(hugePage);
    std::free(probe);
    const auto after = reinterpret_cast<std::uintptr_t>(sbrk(0));
    mallopt(M_TOP_PAD, defaultTopPad);
    const std::uintptr_t start = (before + hugePage - 1) & ~(hugePage - 1);
    const std::uintptr_t end = after & ~(hugePage - 1);
    if (probe == nullptr || end <= start)
        return false;
    return madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE) == 0;
}

}  // namespace orv::app

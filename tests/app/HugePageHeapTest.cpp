#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "app/HugePageHeap.h"

namespace {

// The flags of the mapping that holds address, from /proc/self/smaps; empty
// when no mapping holds it.
std::string flagsOfMappingAt(const void* address)
{
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    std::ifstream smaps("/proc/self/smaps");
    std::string line;
    bool inside = false;
    while (std::getline(smaps, line)) {
        std::uintptr_t start = 0;
        std::uintptr_t end = 0;
        char dash = 0;
        std::istringstream range(line);
        if (range >> std::hex >> start >> dash >> end && dash == '-' && line.find(':') > line.find(' ')) {
            inside = start <= at && at < end;
        } else if (inside && line.rfind("VmFlags:", 0) == 0) {
            return line;
        }
    }
    return {};
}

bool advised(const void* block, std::size_t size)
{
    // The heap's start need not fall on a huge page; a block's last byte does
    // lie in the advised range.
    return flagsOfMappingAt(static_cast<const char*>(block) + size - 1).find(" hg") != std::string::npos;
}

// Run in a child of its own, as it changes how the whole process allocates.
// Framebuffer-sized blocks, one above glibc's usual mapping threshold, land
// in the range advised for huge pages, and so does a block allocated after
// they were freed (the heap keeps what it grew by).
TEST(HugePageHeap, FramebufferSizedBlocksComeFromTheAdvisedHeap)
{
    // A fresh process: one forked from this one would start from a heap that
    // earlier tests have already grown and left free blocks in.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            if (!orv::app::HugePageHeap::reserve(std::size_t{64} << 20))
                std::exit(2);
            const std::size_t size = std::size_t{6} << 20;
            const std::size_t large = std::size_t{20} << 20;
            void* block = std::malloc(size);
            void* largeBlock = std::malloc(large);
            const bool first = advised(block, size) && advised(largeBlock, large);
            std::free(largeBlock);
            std::free(block);
            void* again = std::malloc(large);
            const bool second = advised(again, large);
            std::exit(!first ? 3 : !second ? 4 : 0);
        },
        testing::ExitedWithCode(0), "");
}

}  // namespace

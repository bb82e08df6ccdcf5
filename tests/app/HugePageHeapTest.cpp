#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "app/HugePageHeap.h"
#include "support/Sanitizer.h"

namespace {

// Whether the mapping that holds the block's last byte (the heap's start need
// not fall on a huge page) is advised for huge pages, from /proc/self/smaps.
bool advised(const void* block, std::size_t size)
{
    const auto at = reinterpret_cast<std::uintptr_t>(block) + size - 1;
    std::ifstream smaps("/proc/self/smaps");
    bool inside = false;
    for (std::string line; std::getline(smaps, line);) {
        if (line.rfind("VmFlags:", 0) == 0 && inside)
            return line.find(" hg") != std::string::npos;
        // A mapping's first line: "start-end perms ...", in hexadecimal.
        if (const auto dash = line.find('-'); dash != std::string::npos && line.find(' ') > dash) {
            inside = std::stoull(line.substr(0, dash), nullptr, 16) <= at &&
                     at < std::stoull(line.substr(dash + 1), nullptr, 16);
        }
    }
    return false;
}

// Framebuffer-sized blocks, one above glibc's usual mapping threshold, land
// in the range advised for huge pages, and so does a block allocated after
// they were freed (the heap keeps what it grew by).
TEST(HugePageHeap, FramebufferSizedBlocksComeFromTheAdvisedHeap)
{
    if (orv::test::underAddressSanitizer)
        GTEST_SKIP() << "the sanitizer's allocator is not glibc's heap";
    // A fresh process, as it changes how the whole process allocates: a fork
    // would start from a heap that earlier tests have grown.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const std::size_t small = std::size_t{6} << 20;
            const std::size_t large = std::size_t{20} << 20;
            if (!orv::app::HugePageHeap::reserve(std::size_t{64} << 20))
                std::exit(2);
            void* block = std::malloc(small);
            void* largeBlock = std::malloc(large);
            const bool first = advised(block, small) && advised(largeBlock, large);
            std::free(largeBlock);
            std::free(block);
            std::exit(!first ? 3 : !advised(std::malloc(large), large) ? 4 : 0);
        },
        testing::ExitedWithCode(0), "");
}

}  // namespace

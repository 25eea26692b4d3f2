// The machine's memory as the block budget sees it.

#include <gtest/gtest.h>

#include <cstdint>

#include "platform/physicalmemory.h"

namespace kvo {
namespace {

TEST(PhysicalMemory, TheMachineSaysHowMuchItHas) {
    const std::uint64_t bytes = PhysicalMemoryBytes();
    // Any machine that runs the tests has more than 64 MiB and less than a pebibyte; a page count
    // mistaken for bytes, or bytes multiplied twice, falls outside.
    EXPECT_GE(bytes, std::uint64_t{64} << 20);
    EXPECT_LT(bytes, std::uint64_t{1} << 50);
}

}  // namespace
}  // namespace kvo

// Progress told from inside a block: forward only, and never the block's start as work done.

#include "convert/sharedprogress.h"

#include <gtest/gtest.h>

#include <vector>

namespace kvo {
namespace {

TEST(SharedProgress, AShortBlockNeverReportsItsStartAsWorkDone) {
    std::vector<std::uint64_t> told;
    const ProgressFn listener = [&told](std::uint64_t position) { told.push_back(position); };
    SharedProgress progress(listener);
    // A 60-byte block at 100 whose reading makes the first quarter: 1% steps pass no byte at first.
    const CodecProgress reading = progress.forBlock(100, 60, 0.0, 0.25);
    for (int step = 1; step <= 100; ++step) {
        reading(step / 100.0);
    }
    ASSERT_FALSE(told.empty());
    EXPECT_GT(told.front(), 100u);
    for (std::size_t i = 1; i < told.size(); ++i) {
        EXPECT_GT(told[i], told[i - 1]);
    }
    EXPECT_EQ(told.back(), 115u);
}

}  // namespace
}  // namespace kvo

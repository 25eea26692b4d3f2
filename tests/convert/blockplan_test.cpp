#include "convert/blockplan.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace kvo {
namespace {

TEST(BlockPlan, EqualBlocksDropTheRemainder) {
    EXPECT_EQ(EqualBlocks(6005, 6000), (BlockPlan{6000, 1, 0}));
    EXPECT_EQ(EqualBlocks(72, 24), (BlockPlan{24, 3, 0}));
    EXPECT_EQ(EqualBlocks(5, 0).blockCount(), 0u);
}

TEST(BlockPlan, CoveringBlocksCarryEveryWholeRecord) {
    // 100 records in blocks of 30: 30 30 30 and a final 10, too few alone, joined to the last.
    const BlockPlan joined = CoveringBlocks(600 + 5, 180);
    EXPECT_EQ(joined, (BlockPlan{180, 2, 240}));
    EXPECT_EQ(joined.coveredBytes(), 600u);
    // 100 records in blocks of 40: 40 40 and a final 20 of its own.
    EXPECT_EQ(CoveringBlocks(600, 240), (BlockPlan{240, 2, 120}));
    // A block larger than the data: one shorter block with everything.
    EXPECT_EQ(CoveringBlocks(600, 6000), (BlockPlan{6000, 0, 600}));
}

TEST(BlockPlan, DefaultBlocksPreferOneBlockThenEvenSplits) {
    EXPECT_EQ(DefaultBlocks(6005, 6000), (BlockPlan{6000, 1, 0}));
    // 1000 records, at most 300 per block: 4 blocks of 250 split them evenly.
    EXPECT_EQ(DefaultBlocks(6000, 1800), (BlockPlan{1500, 4, 0}));
    // 997 records (a prime), at most 300 per block: 4 blocks, 3 of 250 and one of 247.
    const BlockPlan prime = DefaultBlocks(997 * 6 + 3, 1800);
    EXPECT_EQ(prime, (BlockPlan{1500, 3, 247 * 6}));
    EXPECT_EQ(prime.coveredBytes(), 997u * 6);
    // 2 x 499 records: the only even splits are far below the bound, so covering blocks instead.
    const BlockPlan awkward = DefaultBlocks(998 * 6, 1800);
    EXPECT_EQ(awkward.blockCount(), 4u);
    EXPECT_EQ(awkward.coveredBytes(), 998u * 6);
    EXPECT_LE(awkward.blockSize, 1800u);
}

// Bounds too small for a codable block must neither divide by zero nor plan blocks of fewer
// than 12 records, which compression would then refuse.
TEST(BlockPlan, TinyBoundsStillGiveCodableBlocks) {
    for (const std::uint64_t bound : {0u, 5u, 100u}) {
        SCOPED_TRACE(bound);
        const BlockPlan plan = DefaultBlocks(600, bound);
        EXPECT_GE(plan.blockSize, kMinBlockSize);
        EXPECT_TRUE(plan.lastBlockSize == 0 || plan.lastBlockSize >= kMinBlockSize);
        EXPECT_EQ(plan.coveredBytes(), 600u);
    }
    EXPECT_THROW(CoveringBlocks(600, 0), std::invalid_argument);
    EXPECT_THROW(CoveringBlocks(600, 66), std::invalid_argument);
}

}  // namespace
}  // namespace kvo

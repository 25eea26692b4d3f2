#include "codec/block_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "codec/block_format.h"
#include "codec/kvoarchiver.h"
#include "codec/reference_codec.h"
#include "record_maker.h"

namespace kvo {
namespace {

using testing::compressedBlock;
using testing::LeadPattern;
using testing::makeBlock;

// Decodes the block in stretches of the given sizes, cycled; empty when the decoder refuses.
T1DimByteArr inStretches(const T1DimByteArr& block, const std::vector<std::size_t>& sizes) {
    BlockDecoder decoder;
    if (!decoder.open(block.data(), block.size())) {
        return {};
    }
    T1DimByteArr out(decoder.records() * kRecordSize);
    for (std::size_t s = 0; decoder.remaining() > 0; ++s) {
        const std::size_t done = decoder.records() - decoder.remaining();
        const std::size_t count = std::min(sizes[s % sizes.size()], decoder.remaining());
        if (!decoder.next(out.data() + done * kRecordSize, count)) {
            return {};
        }
    }
    return out;
}

T1DimByteArr referenceRestore(T1DimByteArr block) {
    return reference::RestoreBlock(block) < 0 ? T1DimByteArr{} : block;
}

// A code may give its LeadBytes across two stretches, and learning may end inside one: any
// cutting of the block must give the reference's records.
TEST(BlockDecoder, AnyStretchesGiveTheReferenceRecords) {
    const std::vector<std::vector<std::size_t>> plans = {
        {1}, {5}, {13}, {7, 1, 250}, {BlockDecoder::kStretchRecords}, {100000}};
    std::uint32_t seed = 1;
    for (const auto pattern : {LeadPattern::Random, LeadPattern::SmallAlphabet,
                               LeadPattern::Periodic, LeadPattern::NoisyPeriodic,
                               LeadPattern::Zeros, LeadPattern::Constant, LeadPattern::Bursty}) {
        const T1DimByteArr records = makeBlock(20000, pattern, seed++);
        const T1DimByteArr block = compressedBlock(records);
        for (const auto& plan : plans) {
            EXPECT_EQ(inStretches(block, plan), records) << static_cast<int>(pattern);
        }
    }
}

// An opening with bytes of 128 or more only the plain dictionary defines; damage in the code
// stream must be found whichever stretch it falls in.
TEST(BlockDecoder, UnusualOpeningsAndDamagedCodesMatchTheReference) {
    const T1DimByteArr block = compressedBlock(makeBlock(3000, LeadPattern::Periodic, 7));
    const auto view = codec::viewBlock(block.data(), block.size());
    ASSERT_TRUE(view);
    const auto codesAt = static_cast<std::size_t>(view->codes - block.data());
    std::mt19937 rng(11);
    for (int trial = 0; trial < 200; ++trial) {
        T1DimByteArr damaged = block;
        const std::size_t at =
            trial < 12 ? static_cast<std::size_t>(trial) : rng() % view->codeCount;
        damaged[codesAt + at] = static_cast<std::uint8_t>(128 + rng() % 128);
        const T1DimByteArr expected = referenceRestore(damaged);
        EXPECT_EQ(inStretches(damaged, {1}), expected) << at;
        EXPECT_EQ(inStretches(damaged, {97}), expected) << at;
    }
}

TEST(BlockDecoder, LeftoverCodesAndOverlongStretchesAreRefused) {
    const T1DimByteArr records = makeBlock(500, LeadPattern::NoisyPeriodic, 3);
    T1DimByteArr block = compressedBlock(records);
    const auto view = codec::viewBlock(block.data(), block.size());
    ASSERT_TRUE(view);
    // One more code than the records need: every stretch but the last still decodes.
    const auto codesEnd = static_cast<std::size_t>(view->codes - block.data()) + view->codeCount;
    const auto lengthAt = static_cast<std::size_t>(view->codes - block.data()) - 4;
    block.insert(block.begin() + static_cast<std::ptrdiff_t>(codesEnd), std::uint8_t{5});
    codec::writeU32(block.data() + lengthAt, static_cast<std::uint32_t>(view->codeCount + 1));
    BlockDecoder decoder;
    ASSERT_TRUE(decoder.open(block.data(), block.size()));
    T1DimByteArr out(records.size());
    EXPECT_TRUE(decoder.next(out.data(), 499));
    EXPECT_FALSE(decoder.next(out.data() + 499 * kRecordSize, 1));

    const T1DimByteArr intact = compressedBlock(records);
    ASSERT_TRUE(decoder.open(intact.data(), intact.size()));
    EXPECT_FALSE(decoder.next(out.data(), 501));
    EXPECT_TRUE(decoder.next(out.data(), 500));
    EXPECT_EQ(out, records);
}

// Batches are what a file restore writes: together exactly the block's records, none larger than
// the batch, and a sink that stops the work fails it.
TEST(BlockDecoder, BatchesHandOnTheRecordsInOrder) {
    const T1DimByteArr records = makeBlock(2 * kBatchRecords + 777, LeadPattern::Bursty, 5);
    const T1DimByteArr block = compressedBlock(records);
    for (const bool showProgress : {false, true}) {
        T1DimByteArr batch;
        T1DimByteArr joined;
        std::size_t largest = 0;
        const CodecProgress progress = [](double) {};
        const std::int64_t length = RestoreBlockInBatches(
            block.data(), block.size(), batch,
            [&](const std::uint8_t* part, std::size_t bytes) {
                largest = std::max(largest, bytes);
                joined.insert(joined.end(), part, part + bytes);
                return true;
            },
            showProgress ? &progress : nullptr);
        EXPECT_EQ(length, static_cast<std::int64_t>(records.size()));
        EXPECT_EQ(joined, records);
        EXPECT_LE(largest, kBatchRecords * kRecordSize);
    }
    T1DimByteArr batch;
    int calls = 0;
    EXPECT_EQ(
        RestoreBlockInBatches(block.data(), block.size(), batch,
                              [&calls](const std::uint8_t*, std::size_t) { return ++calls < 2; }),
        -1);
    EXPECT_EQ(calls, 2);
}

}  // namespace
}  // namespace kvo

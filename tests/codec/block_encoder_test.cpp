#include "codec/block_encoder.h"

#include <gtest/gtest.h>

#include <vector>

#include "codec/kvoarchiver.h"
#include "codec/reference_codec.h"
#include "record_maker.h"

namespace kvo {
namespace {

using testing::LeadPattern;
using testing::makeBlock;
using testing::makeLongRunBlock;

T1DimByteArr referenceBlock(T1DimByteArr records) {
    const std::int32_t length = reference::CompressBlock(records, 0);
    records.resize(length < 0 ? 0 : static_cast<std::size_t>(length));
    return records;
}

// Encodes the records handed over in stretches of the given sizes, cycled, with `encoder` and
// `block` reused from earlier calls; empty when the encoder refuses.
T1DimByteArr inStretches(BlockEncoder& encoder, T1DimByteArr& block, const T1DimByteArr& records,
                         const std::vector<std::size_t>& sizes) {
    const std::size_t n = records.size() / kRecordSize;
    encoder.start(n, block);
    for (std::size_t done = 0, s = 0; done < n; ++s) {
        const std::size_t count = std::min(sizes[s % sizes.size()], n - done);
        encoder.add(records.data() + done * kRecordSize, count);
        done += count;
    }
    const std::int32_t length = encoder.finish();
    if (length < 0) {
        return {};
    }
    return T1DimByteArr(block.begin(), block.begin() + length);
}

// Runs may close, or reach their count limit, right at a stretch's edge; one encoder and one
// block serve blocks of every size in turn, larger and smaller, as a file's blocks do.
TEST(BlockEncoder, AnyStretchesGiveTheReferenceBlock) {
    const std::vector<std::vector<std::size_t>> plans = {{1}, {5}, {13}, {7, 1, 250}, {100000}};
    std::vector<T1DimByteArr> inputs;
    std::uint32_t seed = 1;
    for (const auto pattern : {LeadPattern::Random, LeadPattern::SmallAlphabet,
                               LeadPattern::Periodic, LeadPattern::NoisyPeriodic,
                               LeadPattern::Zeros, LeadPattern::Constant, LeadPattern::Bursty}) {
        inputs.push_back(makeBlock(seed % 2 ? 20000 : 700, pattern, seed));
        ++seed;
    }
    inputs.push_back(makeLongRunBlock(200000, 5));
    inputs.push_back(makeBlock(12, LeadPattern::Random, 9));
    std::vector<T1DimByteArr> expected;
    for (const auto& input : inputs) {
        expected.push_back(referenceBlock(input));
    }
    BlockEncoder encoder;
    T1DimByteArr block;
    for (const auto& plan : plans) {
        for (std::size_t i = 0; i < inputs.size(); ++i) {
            EXPECT_EQ(inStretches(encoder, block, inputs[i], plan), expected[i])
                << i << " in stretches of " << plan[0];
        }
    }
}

// A refused block must not spoil the next one the same encoder codes.
TEST(BlockEncoder, RefusesUncodableAndShortBlocksAndRecovers) {
    BlockEncoder encoder;
    T1DimByteArr block;
    T1DimByteArr uncodable = makeBlock(3000, LeadPattern::Periodic, 4);
    uncodable[2999 * kRecordSize] = 200;
    EXPECT_TRUE(inStretches(encoder, block, uncodable, {64}).empty());
    EXPECT_TRUE(inStretches(encoder, block, makeBlock(11, LeadPattern::Zeros, 1), {4}).empty());
    const T1DimByteArr records = makeBlock(3000, LeadPattern::NoisyPeriodic, 4);
    // Records short of the announced count, or past it, never make a block.
    encoder.start(2999, block);
    encoder.add(records.data(), 2000);
    encoder.add(records.data() + 2000 * kRecordSize, 1000);
    EXPECT_LT(encoder.finish(), 0);
    encoder.start(3000, block);
    encoder.add(records.data(), 2999);
    EXPECT_LT(encoder.finish(), 0);
    EXPECT_EQ(inStretches(encoder, block, records, {64}), referenceBlock(records));
}

}  // namespace
}  // namespace kvo

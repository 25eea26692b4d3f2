#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

#include "codec/kvoarchiver.h"
#include "codec/lex_index.h"
#include "codec/reference_codec.h"
#include "record_maker.h"

namespace kvo {
namespace {

using testing::LeadPattern;
using testing::makeBlock;

// Drives the plain and the indexed dictionary through the same learning steps over a stream and
// compares every search result and every definition on the way. The hinted search gets both the
// previous result (the usual, often right, hint) and an arbitrary earlier code.
void expectSameDictionary(const std::vector<std::uint8_t>& stream, std::uint32_t seed) {
    std::mt19937 rng(seed);
    TLzwLex plain;
    codec::LexIndex indexed;
    plain.smalbuffer.Add(stream.data(), kWindowSize);
    std::uint8_t previous = 0;
    for (std::size_t q = 0; q + kWindowSize < stream.size(); ++q) {
        const std::uint8_t* w = &stream[q];
        const codec::LexMatch full = indexed.longestStringCode(w);
        const codec::LexMatch cut = indexed.longestStringCodeCut(w);
        ASSERT_EQ(full.code, plain.LongestStringCode()) << q;
        ASSERT_EQ(full.length, plain.getlength(full.code)) << q;
        ASSERT_EQ(cut.code, plain.LongestStringCode_cut()) << q;
        ASSERT_EQ(cut.length, plain.getlength(cut.code)) << q;
        for (const std::uint8_t hint : {previous, static_cast<std::uint8_t>(rng() % 256)}) {
            const codec::LexMatch hinted = indexed.longestStringCodeCutFrom(w, hint);
            ASSERT_EQ(hinted.code, cut.code) << q << " hint " << int{hint};
            ASSERT_EQ(hinted.length, cut.length) << q;
        }
        previous = cut.code;
        if (!indexed.full()) {
            plain.Expand(plain.LongestStringCode());
            indexed.learn(w);
            const auto code = static_cast<std::uint8_t>(plain.freerow - 1);
            ASSERT_EQ(indexed.freerow(), plain.freerow);
            ASSERT_EQ(indexed.length(code), plain.getlength(code));
            ASSERT_EQ(indexed.row(code), plain.fLex[code - kFirstDictionaryCode]);
        }
        plain.smalbuffer.Add(&stream[q + kWindowSize], 1);
    }
}

TEST(Equivalence, IndexedSearchMatchesPlainScan) {
    std::mt19937 rng(7);
    for (int round = 0; round < 60; ++round) {
        const auto block = makeBlock(600, static_cast<LeadPattern>(round % 7), rng());
        expectSameDictionary(testing::leadBytesOf(block), rng());
    }
    // Windows with zeros sprinkled in, where hidden strings and duplicates abound.
    for (int round = 0; round < 20; ++round) {
        std::vector<std::uint8_t> stream(800);
        for (auto& b : stream)
            b = rng() % 3 == 0 ? 0 : static_cast<std::uint8_t>(1 + rng() % 2);
        expectSameDictionary(stream, rng());
    }
}

TEST(Equivalence, HintedSearchReadsOnlyTheWindow) {
    // A constant stream fills the dictionary with strings up to 12 bytes long; no hint, however
    // long its string, may make the search read past the 12 window bytes.
    codec::LexIndex indexed;
    const std::vector<std::uint8_t> sevens(kWindowSize, 7);
    while (!indexed.full())
        indexed.learn(sevens.data());
    const auto window = std::make_unique<std::uint8_t[]>(kWindowSize);
    std::fill_n(window.get(), kWindowSize, std::uint8_t{7});
    const codec::LexMatch cut = indexed.longestStringCodeCut(window.get());
    EXPECT_EQ(cut.length, 11);
    for (int hint = 0; hint < 256; ++hint) {
        const codec::LexMatch hinted =
            indexed.longestStringCodeCutFrom(window.get(), static_cast<std::uint8_t>(hint));
        EXPECT_EQ(hinted.code, cut.code) << hint;
    }
}

TEST(Equivalence, FastBlocksEqualReferenceBlocksAndRoundTrip) {
    std::mt19937 rng(2024);
    for (int round = 0; round < 140; ++round) {
        const auto pattern = static_cast<LeadPattern>(round % 7);
        const std::size_t n = round < 70 ? 12 + rng() % 300 : 300 + rng() % 6000;
        const T1DimByteArr records = makeBlock(n, pattern, rng());
        T1DimByteArr fast = records;
        T1DimByteArr slow = records;
        const std::int32_t length = CompressBlock(fast, 0);
        ASSERT_EQ(length, reference::CompressBlock(slow, 0)) << round;
        ASSERT_GT(length, 0);
        fast.resize(static_cast<std::size_t>(length));
        slow.resize(static_cast<std::size_t>(length));
        ASSERT_EQ(fast, slow) << round;
        ASSERT_EQ(RestoreBlock(fast), static_cast<std::int32_t>(records.size()));
        ASSERT_EQ(fast, records) << round;
        ASSERT_EQ(reference::RestoreBlock(slow), static_cast<std::int32_t>(records.size()));
        ASSERT_EQ(slow, records) << round;
    }
}

TEST(Equivalence, LongBlocksAndLongRunsMatchReference) {
    for (std::uint32_t seed = 1; seed <= 4; ++seed) {
        const T1DimByteArr records = testing::makeLongRunBlock(150000 + seed * 1013, seed);
        T1DimByteArr fast = records;
        T1DimByteArr slow = records;
        const std::int32_t length = CompressBlock(fast, 0);
        ASSERT_EQ(length, reference::CompressBlock(slow, 0)) << seed;
        fast.resize(static_cast<std::size_t>(length));
        slow.resize(static_cast<std::size_t>(length));
        ASSERT_EQ(fast, slow) << seed;
        ASSERT_EQ(RestoreBlock(fast), static_cast<std::int32_t>(records.size()));
        EXPECT_EQ(fast, records) << seed;
    }
    for (const auto pattern : {LeadPattern::NoisyPeriodic, LeadPattern::Random, LeadPattern::Zeros,
                               LeadPattern::Constant}) {
        const T1DimByteArr records = makeBlock(300000, pattern, 5);
        T1DimByteArr buffer = records;
        const std::int32_t length = CompressBlock(buffer, 0);
        ASSERT_GT(length, 0);
        buffer.resize(static_cast<std::size_t>(length));
        ASSERT_EQ(RestoreBlock(buffer), static_cast<std::int32_t>(records.size()));
        EXPECT_EQ(buffer, records);
    }
}

}  // namespace
}  // namespace kvo

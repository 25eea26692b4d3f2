#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <vector>

#include "codec/block_format.h"
#include "codec/kvoarchiver.h"
#include "codec/reference_codec.h"
#include "record_maker.h"

namespace kvo {
namespace {

using testing::compressedBlock;
using testing::Fields;
using testing::LeadPattern;
using testing::makeBlock;
using testing::makeRecords;

// A damaged block must fail the same way in both implementations and leave the buffer alone.
void expectRejected(const T1DimByteArr& block, const char* what) {
    for (auto restore : {&RestoreBlock, &reference::RestoreBlock}) {
        T1DimByteArr buffer = block;
        EXPECT_EQ(restore(buffer), -1) << what;
        EXPECT_EQ(buffer, block) << what;
    }
}

TEST(BlockSafety, CompressRefusesWhatItCannotCodeAndLeavesBufferAlone) {
    const T1DimByteArr eleven = makeRecords(11, [](std::size_t) { return Fields{1, 2, 3, 4}; });
    T1DimByteArr buffer = eleven;
    EXPECT_EQ(CompressBlock(buffer, 0), -1);
    EXPECT_EQ(buffer, eleven);

    T1DimByteArr high = makeBlock(500, LeadPattern::Periodic, 3);
    high[417 * kRecordSize] = 128;
    EXPECT_EQ(FindUncodableLeadByte(high.data(), 500), 417);
    EXPECT_EQ(FindUncodableLeadByte(high.data(), 417), -1);
    buffer = high;
    EXPECT_EQ(CompressBlock(buffer, 0), -1);
    EXPECT_EQ(buffer, high);
    EXPECT_EQ(reference::CompressBlock(buffer, 0), -1);
    EXPECT_EQ(buffer, high);

    const T1DimByteArr twenty = makeBlock(20, LeadPattern::Random, 4);
    for (std::int32_t bad : {-6, 121, 71}) {
        buffer = twenty;
        EXPECT_EQ(CompressBlock(buffer, bad), -1) << bad;
        EXPECT_EQ(buffer, twenty);
    }
    // Only the first byteCount bytes make up the block.
    buffer = twenty;
    const std::int32_t length = CompressBlock(buffer, 77);
    ASSERT_GT(length, 0);
    buffer.resize(static_cast<std::size_t>(length));
    ASSERT_EQ(RestoreBlock(buffer), 72);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), twenty.begin()));
}

TEST(BlockSafety, BlockLongerThanRecordsGrowsTheBuffer) {
    std::mt19937 rng(11);
    const T1DimByteArr records = makeRecords(3000, [&](std::size_t) {
        return Fields{static_cast<std::uint8_t>(rng() % 128), static_cast<std::uint8_t>(rng()),
                      static_cast<std::uint16_t>(rng()), static_cast<std::uint16_t>(rng())};
    });
    T1DimByteArr buffer = records;
    const std::int32_t length = CompressBlock(buffer, 0);
    EXPECT_GT(length, 6 * 3000);
    EXPECT_LE(length, 16 + 9 * 3000);
    ASSERT_GE(buffer.size(), static_cast<std::size_t>(length));
    buffer.resize(static_cast<std::size_t>(length));
    T1DimByteArr viaReference = records;
    ASSERT_EQ(reference::CompressBlock(viaReference, 0), length);
    viaReference.resize(static_cast<std::size_t>(length));
    EXPECT_EQ(buffer, viaReference);
    ASSERT_EQ(RestoreBlock(buffer), 18000);
    EXPECT_EQ(buffer, records);
}

TEST(BlockSafety, MalformedSectionLengthsAreRejected) {
    const T1DimByteArr block = compressedBlock(makeBlock(40, LeadPattern::Periodic, 5));
    EXPECT_EQ(StoredBlockLength(block.data(), block.size()),
              static_cast<std::int64_t>(block.size()));
    for (std::size_t cut = 0; cut < block.size(); ++cut) {
        const T1DimByteArr truncated(block.begin(),
                                     block.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_EQ(StoredBlockLength(truncated.data(), truncated.size()), -1) << cut;
        expectRejected(truncated, "truncated");
    }
    EXPECT_EQ(StoredBlockLength(nullptr, 0), -1);

    // Hand-made blocks: FirstWord bytes, SecondByte pairs, code stream, SecondWord pairs.
    const auto build = [](std::vector<std::uint8_t> secondBytes, std::vector<std::uint8_t> codes,
                          std::vector<std::uint8_t> words, std::uint32_t firstWordBytes) {
        const std::array<const std::vector<std::uint8_t>*, 3> sections{&secondBytes, &codes,
                                                                       &words};
        std::size_t total = 4 + std::size_t{firstWordBytes};
        for (const auto* section : sections) {
            total += 4 + section->size();
        }
        // Sized once up front: growing it piece by piece trips a false overflow warning of GCC 12
        // at -O3.
        T1DimByteArr b(total, 0x55);
        codec::writeU32(b.data(), firstWordBytes);
        std::size_t at = 4 + std::size_t{firstWordBytes};
        for (const auto* section : sections) {
            codec::writeU32(&b[at], static_cast<std::uint32_t>(section->size()));
            std::copy(section->begin(), section->end(),
                      b.begin() + static_cast<std::ptrdiff_t>(at + 4));
            at += 4 + section->size();
        }
        return b;
    };
    const std::vector<std::uint8_t> raw12{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    const T1DimByteArr good = build({7, 12}, raw12, {1, 0, 12, 0}, 24);
    T1DimByteArr restored = good;
    ASSERT_EQ(RestoreBlock(restored), 72);

    expectRejected(build({7, 12}, raw12, {1, 0, 12, 0}, 23), "odd section 1");
    expectRejected(build({7, 12, 0}, raw12, {1, 0, 12, 0}, 24), "half a byte pair");
    expectRejected(build({7, 12}, raw12, {1, 0, 12, 0, 0, 0}, 24), "half a word pair");
    expectRejected(build({7, 12}, {1, 2, 3}, {1, 0, 12, 0}, 24), "code section short");
    expectRejected(build({7, 11}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, {1, 0, 11, 0}, 22),
                   "eleven records");
    expectRejected(build({7, 13}, raw12, {1, 0, 12, 0}, 24), "counts add to n + 1");
    expectRejected(build({7, 12}, raw12, {1, 0, 11, 0}, 24), "word counts short");
    std::vector<std::uint8_t> thirteen = raw12;
    thirteen.push_back(5);
    expectRejected(build({7, 12}, thirteen, {1, 0, 12, 0}, 24), "one LeadByte too many");
    std::vector<std::uint8_t> undefined = raw12;
    undefined.push_back(200);  // a code nobody defined, even where it would add nothing
    expectRejected(build({7, 12}, undefined, {1, 0, 12, 0}, 24), "undefined code");
    undefined.push_back(5);
    expectRejected(build({7, 13}, undefined, {1, 0, 13, 0}, 26), "undefined code, n + 1");
    T1DimByteArr huge = good;
    codec::writeU32(huge.data() + 28, 0xFFFFFFF0u);
    expectRejected(huge, "length past the end");

    // Zero-count pairs add nothing; bytes behind the block are ignored.
    T1DimByteArr padded = build({9, 0, 7, 12, 8, 0}, raw12, {1, 0, 0, 0, 1, 0, 12, 0}, 24);
    padded.resize(padded.size() + 100, 0);
    ASSERT_EQ(RestoreBlock(padded), 72);
    EXPECT_EQ(padded, restored);
}

TEST(BlockSafety, RawOpeningWithUncodableBytesDecodesLikeThePlainModel) {
    // Never written by CompressBlock, but the plain dictionary defines what it restores to:
    // the fallback to window byte 200 defines code 128 as the one-byte string 200.
    T1DimByteArr block(4);
    codec::writeU32(block.data(), 28);
    for (std::uint8_t i = 0; i < 14; ++i)
        block.insert(block.end(), {i, 0});
    block.insert(block.end(), {2, 0, 0, 0, 9, 14, 14, 0, 0, 0});
    block.insert(block.end(), {200, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 5, 128});
    block.insert(block.end(), {4, 0, 0, 0, 0, 0, 14, 0});
    const std::vector<std::uint8_t> lead{200, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 5, 200};
    for (auto restore : {&RestoreBlock, &reference::RestoreBlock}) {
        T1DimByteArr buffer = block;
        ASSERT_EQ(restore(buffer), 84);
        EXPECT_EQ(testing::leadBytesOf(buffer), lead);
        EXPECT_EQ(buffer[13 * kRecordSize + 2], 13);  // FirstWord of the last record
    }
}

TEST(BlockSafety, RandomlyDamagedBlocksBehaveLikeTheReference) {
    std::mt19937 rng(99);
    for (int round = 0; round < 300; ++round) {
        const auto pattern = static_cast<LeadPattern>(round % 7);
        T1DimByteArr block = compressedBlock(makeBlock(12 + rng() % 400, pattern, rng()));
        const int flips = 1 + static_cast<int>(rng() % 4);
        for (int f = 0; f < flips; ++f) {
            block[rng() % block.size()] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
        }
        T1DimByteArr fast = block;
        T1DimByteArr slow = block;
        const std::int32_t fastResult = RestoreBlock(fast);
        EXPECT_EQ(fastResult, reference::RestoreBlock(slow)) << round;
        EXPECT_EQ(fast, slow) << round;
        if (fastResult < 0) {
            EXPECT_EQ(fast, block) << round;
        }
        // Restoring into the caller's memory agrees, and never writes past the room it is given.
        const std::size_t room = fastResult < 0 ? 6000 : static_cast<std::size_t>(fastResult);
        T1DimByteArr into(room + 1, 0xEE);
        EXPECT_EQ(RestoreBlockTo(block.data(), block.size(), into.data(), room), fastResult)
            << round;
        EXPECT_EQ(into.back(), 0xEE) << round;
        if (fastResult > 0) {
            EXPECT_TRUE(std::equal(fast.begin(), fast.end(), into.begin())) << round;
            EXPECT_EQ(RestoreBlockTo(block.data(), block.size(), into.data(), room - 1), -1);
        }
    }
}

// How many LeadBytes a code stream stands for, by the plain model; 0 when it holds a code the
// dictionary lacks at that point.
std::size_t decodedLength(const std::vector<std::uint8_t>& codes) {
    TLzwLex lex;
    lex.smalbuffer.Add(codes.data(), 12);
    std::size_t produced = 12;
    for (std::size_t i = 12; i < codes.size(); ++i) {
        const std::uint8_t length = lex.getlength(codes[i]);
        if (length == 0)
            return 0;
        for (std::uint8_t j = 0; j < length; ++j, ++produced) {
            lex.Expand(lex.LongestStringCode());
            const std::uint8_t leadByte = lex.Getsymbol(codes[i], j);
            lex.smalbuffer.Add(&leadByte, 1);
        }
    }
    return produced;
}

// Framed blocks around random code streams, so the decoders themselves meet streams no encoder
// wrote: literals, early and late dictionary codes, sometimes uncodable bytes in the opening.
TEST(BlockSafety, RandomCodeStreamsDecodeLikeTheReference) {
    std::mt19937 rng(4242);
    int restored = 0;
    for (int round = 0; round < 800; ++round) {
        std::vector<std::uint8_t> codes(12 + rng() % 200);
        const bool highOpening = round % 5 == 0;
        for (std::size_t i = 0; i < codes.size(); ++i) {
            // Past the opening, code 128 + r is defined once r + 1 LeadBytes have been learned.
            const std::size_t learned = i < 13 ? 1 : std::min<std::size_t>(i - 12, 128);
            const bool dictionary = i < 12 ? highOpening && rng() % 3 == 0 : rng() % 3 == 0;
            codes[i] =
                static_cast<std::uint8_t>(dictionary ? 128 + rng() % learned : 1 + rng() % 3);
        }
        // Mostly the length the stream decodes to, sometimes one off.
        const std::size_t decoded = decodedLength(codes);
        const std::size_t n = std::max<std::size_t>(decoded == 0 ? codes.size() : decoded, 12) +
                              (round % 7 == 0 ? 1 : 0);
        T1DimByteArr block(4);
        codec::writeU32(block.data(), static_cast<std::uint32_t>(2 * n));
        block.resize(4 + 2 * n, 0x11);
        std::vector<std::uint8_t> secondBytes;
        for (std::size_t left = n; left > 0;) {
            const std::size_t count = std::min<std::size_t>(left, 1 + rng() % 255);
            secondBytes.insert(secondBytes.end(), {static_cast<std::uint8_t>(rng()),
                                                   static_cast<std::uint8_t>(count)});
            left -= count;
        }
        std::vector<std::uint8_t> secondWords{7, 0, static_cast<std::uint8_t>(n),
                                              static_cast<std::uint8_t>(n >> 8)};
        for (const auto* section : {&secondBytes, &codes, &secondWords}) {
            const std::size_t at = block.size();
            block.resize(at + 4);
            codec::writeU32(&block[at], static_cast<std::uint32_t>(section->size()));
            block.insert(block.end(), section->begin(), section->end());
        }
        T1DimByteArr fast = block;
        T1DimByteArr slow = block;
        const std::int32_t result = RestoreBlock(fast);
        ASSERT_EQ(result, reference::RestoreBlock(slow)) << round;
        ASSERT_EQ(fast, slow) << round;
        restored += result > 0;
    }
    EXPECT_GT(restored, 200);  // enough streams decode for the comparison to mean something
}

}  // namespace
}  // namespace kvo

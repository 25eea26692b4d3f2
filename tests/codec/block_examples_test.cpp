#include <gtest/gtest.h>

#include <vector>

#include "codec/block_format.h"
#include "codec/kvoarchiver.h"
#include "codec/lead_coder.h"
#include "codec/reference_codec.h"
#include "record_maker.h"

namespace kvo {
namespace {

using testing::Fields;
using testing::makeRecords;
using Bytes = std::vector<std::uint8_t>;

using Compressor = std::int32_t (*)(T1DimByteArr&, std::int32_t);
struct Codec {
    const char* name;
    Compressor compress;
    std::int32_t (*restore)(T1DimByteArr&);
};
const Codec kCodecs[] = {{"fast", &CompressBlock, &RestoreBlock},
                         {"reference", &reference::CompressBlock, &reference::RestoreBlock}};

Bytes compressed(const Codec& codec, T1DimByteArr records) {
    const std::int32_t length = codec.compress(records, 0);
    EXPECT_GT(length, 0) << codec.name;
    if (length <= 0)
        return {};
    records.resize(static_cast<std::size_t>(length));
    return records;
}

struct Sections {
    Bytes firstWords, secondBytes, codes, secondWords;
};

Sections split(const Bytes& block) {
    Sections s;
    std::size_t pos = 0;
    for (Bytes* section : {&s.firstWords, &s.secondBytes, &s.codes, &s.secondWords}) {
        const std::size_t length = codec::readU32(&block.at(pos));
        section->assign(block.begin() + static_cast<std::ptrdiff_t>(pos + 4),
                        block.begin() + static_cast<std::ptrdiff_t>(pos + 4 + length));
        pos += 4 + length;
    }
    EXPECT_EQ(pos, block.size());
    return s;
}

TEST(BlockExamples, TwelveRecordBlockIsFiftyEightBytesAndRestores) {
    const T1DimByteArr records = makeRecords(12, [](std::size_t i) {
        return Fields{static_cast<std::uint8_t>(i + 1), 7, static_cast<std::uint16_t>(0x0100 + i),
                      0x1234};
    });
    Bytes expected{0x18, 0, 0, 0};
    for (std::uint8_t i = 0; i < 12; ++i) {
        expected.push_back(i);
        expected.push_back(1);
    }
    for (std::uint8_t b : {2, 0, 0, 0, 7, 12, 12, 0, 0, 0})
        expected.push_back(b);
    for (std::uint8_t i = 1; i <= 12; ++i)
        expected.push_back(i);
    for (std::uint8_t b : {4, 0, 0, 0, 0x34, 0x12, 12, 0})
        expected.push_back(b);
    ASSERT_EQ(expected.size(), 58u);
    for (const Codec& codec : kCodecs) {
        const Bytes block = compressed(codec, records);
        EXPECT_EQ(block, expected) << codec.name;
        T1DimByteArr buffer = block;
        EXPECT_EQ(codec.restore(buffer), 72) << codec.name;
        EXPECT_EQ(buffer, records) << codec.name;
    }
}

TEST(BlockExamples, FortyTwoRepeatingLeadBytesGiveThirtyOneCodeBytes) {
    const T1DimByteArr records = makeRecords(42, [](std::size_t i) {
        return Fields{static_cast<std::uint8_t>(i % 3 + 1), 0, 0, 0};
    });
    const Bytes expected{1,   2,   3,   1,   2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3, 128,
                         130, 132, 135, 139, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3};
    for (const Codec& codec : kCodecs) {
        const Sections s = split(compressed(codec, records));
        EXPECT_EQ(s.codes, expected) << codec.name;
        EXPECT_EQ(s.secondBytes, (Bytes{0, 42})) << codec.name;
        EXPECT_EQ(s.secondWords, (Bytes{0, 0, 42, 0})) << codec.name;
    }
    T1DimByteArr decoded(42 * kRecordSize);
    ASSERT_TRUE(codec::decodeLeadBytes(expected.data(), expected.size(), 42, decoded.data()));
    EXPECT_EQ(decoded, records);
    // The code stream alone must not decode to a different record count.
    EXPECT_FALSE(codec::decodeLeadBytes(expected.data(), expected.size(), 41, decoded.data()));
    EXPECT_FALSE(codec::decodeLeadBytes(expected.data(), expected.size(), 43, decoded.data()));
}

TEST(BlockExamples, ShortBlocksAreRawAndTwentyFiveHasOneLiteralCode) {
    for (std::size_t n = 12; n <= 25; ++n) {
        const T1DimByteArr records = makeRecords(n, [](std::size_t i) {
            return Fields{static_cast<std::uint8_t>(i % 2 + 5), 0, 0, 0};
        });
        for (const Codec& codec : kCodecs) {
            const Sections s = split(compressed(codec, records));
            // Up to 24 records the code stream is the LeadBytes as they are; at 25 it is
            // 12 raw, one literal (no code is old enough yet) and 12 raw.
            EXPECT_EQ(s.codes, testing::leadBytesOf(records)) << codec.name << " n=" << n;
        }
    }
}

TEST(BlockExamples, ZeroLeadBytesStayLiteralsAndTrailingPartialRecordIsDropped) {
    T1DimByteArr records = makeRecords(1000, [](std::size_t i) {
        return Fields{0, 1, static_cast<std::uint16_t>(i), 2};
    });
    const T1DimByteArr whole = records;
    records.insert(records.end(), {9, 9, 9});
    for (const Codec& codec : kCodecs) {
        T1DimByteArr buffer = records;
        const std::int32_t length = codec.compress(buffer, 0);
        ASSERT_GT(length, 0);
        buffer.resize(static_cast<std::size_t>(length));
        EXPECT_EQ(split(buffer).codes, Bytes(1000, 0)) << codec.name;
        EXPECT_EQ(codec.restore(buffer), 6000);
        EXPECT_EQ(buffer, whole) << codec.name;
    }
}

TEST(BlockExamples, RunsSplitAtTheirCountLimits) {
    const T1DimByteArr bytes300 = makeRecords(300, [](std::size_t) {
        return Fields{1, 0xAB, 0, 0x0102};
    });
    const Sections s300 = split(compressed(kCodecs[0], bytes300));
    EXPECT_EQ(s300.secondBytes, (Bytes{0xAB, 255, 0xAB, 45}));
    EXPECT_EQ(s300.secondWords, (Bytes{0x02, 0x01, 44, 1}));

    const T1DimByteArr words70000 = makeRecords(70000, [](std::size_t) {
        return Fields{1, 3, 0, 0xBEEF};
    });
    const Sections s70000 = split(compressed(kCodecs[0], words70000));
    EXPECT_EQ(s70000.secondWords, (Bytes{0xEF, 0xBE, 0xFF, 0xFF, 0xEF, 0xBE, 0x71, 0x11}));
    EXPECT_EQ(s70000.secondBytes.size(), 2u * (70000 / 255 + 1));
    EXPECT_EQ(s70000.secondBytes.back(), 70000 % 255);

    // Fields that change at every record: 2n and 4n bytes of pairs.
    const T1DimByteArr changing = makeRecords(100, [](std::size_t i) {
        return Fields{1, static_cast<std::uint8_t>(i), 0, static_cast<std::uint16_t>(i * 3)};
    });
    const Sections sc = split(compressed(kCodecs[0], changing));
    EXPECT_EQ(sc.secondBytes.size(), 200u);
    EXPECT_EQ(sc.secondWords.size(), 400u);
}

}  // namespace
}  // namespace kvo

// Salvaging a damaged compressed file: every block that decodes is kept at its place, each gap is
// reported, and for every truncation and every bit flip of a small three-block file the blocks
// the damage did not touch come back byte for byte where they belong.

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>

#include "codec/block_format.h"
#include "codec/kvoarchiver.h"
#include "convert/convertfile.h"
#include "convert/salvagefile.h"
#include "convert/storedblocks.h"
#include "model/fileformat.h"
#include "sweepfile.h"
#include "testfiles.h"

namespace kvo {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kPassportLength = 24;
constexpr std::uint64_t kBlockRecords = 40;
constexpr std::uint64_t kBlockBytes = kBlockRecords * kRecordSize;
constexpr std::uint64_t kBlocks = 3;

struct Salvaged {
    std::optional<std::string> output;  // none: nothing could be saved
    SalvageReport report;
};

class Salvage : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ =
            test::CleanFolder(std::string("salvage-") +
                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        auto file = test::MakeSweepFile(folder_, kPassportLength, kBlocks, kBlockRecords, 17);
        original_ = std::move(file.original);
        compressed_ = std::move(file.compressed);
        for (std::size_t at = kPassportLength; at < compressed_.size();) {
            const auto* bytes = reinterpret_cast<const std::uint8_t*>(compressed_.data());
            const auto stored = StoredBlockLength(bytes + at, compressed_.size() - at);
            blocks_.emplace_back(at, at + static_cast<std::size_t>(stored));
            at += static_cast<std::size_t>(stored);
        }
        ASSERT_EQ(blocks_.size(), kBlocks);
    }

    Salvaged Run(const std::string& damaged) {
        test::WriteBytes(folder_ / "a.kvox", damaged);
        auto source = FileStream::OpenRead((folder_ / "a.kvox").string());
        Salvaged result;
        try {
            const std::uint32_t passportLength = ReadPassportLength(source);
            result.report =
                SalvageFile(source, passportLength, (folder_ / "a.kvo").string(), nullptr);
        } catch (const ConvertError&) {
            EXPECT_EQ(test::EntriesIn(folder_), 1u) << "a failed salvage left a file behind";
            return result;
        }
        result.output = test::ReadBytes(folder_ / "a.kvo");
        fs::remove(folder_ / "a.kvo");
        return result;
    }

    std::string OriginalBlock(std::size_t block) const {
        return original_.substr(kPassportLength + block * kBlockBytes, kBlockBytes);
    }

    // Every block whose stored bytes lie in [0, intactEnd) apart from `damagedAt` must be back at
    // its own place.
    void ExpectIntactBlocksKept(const Salvaged& salvaged, std::size_t intactEnd,
                                std::optional<std::size_t> damagedAt, const std::string& what) {
        std::size_t intact = 0;
        for (std::size_t block = 0; block < kBlocks; ++block) {
            const auto [start, end] = blocks_[block];
            const bool touched =
                end > intactEnd || (damagedAt && *damagedAt >= start && *damagedAt < end);
            if (touched) {
                continue;
            }
            ++intact;
            ASSERT_TRUE(salvaged.output) << what << ": block " << block << " was intact";
            EXPECT_EQ(salvaged.output->substr(kPassportLength + block * kBlockBytes, kBlockBytes),
                      OriginalBlock(block))
                << what << ": block " << block;
        }
        if (salvaged.output && salvaged.report.gaps.empty() && intact == kBlocks) {
            EXPECT_EQ(salvaged.output->substr(kPassportLength),
                      original_.substr(kPassportLength, salvaged.output->size() - kPassportLength))
                << what;
        }
    }

    fs::path folder_;
    std::string original_;
    std::string compressed_;
    std::vector<std::pair<std::size_t, std::size_t>> blocks_;
};

TEST_F(Salvage, ASoundFileComesBackWhole) {
    const Salvaged salvaged = Run(compressed_);
    EXPECT_EQ(salvaged.output, original_);
    EXPECT_TRUE(salvaged.report.gaps.empty());
    EXPECT_EQ(salvaged.report.blocksRestored, kBlocks);
}

TEST_F(Salvage, ADamagedBlockBecomesZeroRecordsAndIsReported) {
    std::string damaged = compressed_;
    // A SecondWord run count of the middle block: its lengths still hold together.
    damaged[blocks_[1].second - 2] = static_cast<char>(damaged[blocks_[1].second - 2] ^ 0x10);
    const Salvaged salvaged = Run(damaged);
    ASSERT_TRUE(salvaged.output);
    ASSERT_EQ(salvaged.report.gaps.size(), 1u);
    const SalvageGap& gap = salvaged.report.gaps[0];
    EXPECT_EQ(gap.block, 1u);
    EXPECT_EQ(gap.fileStart, blocks_[1].first);
    EXPECT_EQ(gap.fileEnd, blocks_[1].second);
    EXPECT_EQ(gap.firstRecord, kBlockRecords);
    EXPECT_EQ(gap.records, kBlockRecords);
    EXPECT_TRUE(gap.filled);
    std::string expected = original_;
    std::fill_n(expected.begin() + kPassportLength + kBlockBytes, kBlockBytes, '\0');
    EXPECT_EQ(*salvaged.output, expected);
}

TEST_F(Salvage, ACountBothRunSectionsConfirmIsFilledWhateverTheCodeSection) {
    // The code section of the middle block replaced: longer than its count, then shorter than
    // its 12 raw LeadBytes. Both run sections still add up to 40 and the next block starts
    // where its lengths end.
    const auto [start, end] = blocks_[1];
    std::size_t codesAt = start;
    for (int section = 0; section < 2; ++section) {
        codesAt += 4 + codec::readU32(reinterpret_cast<const std::uint8_t*>(&compressed_[codesAt]));
    }
    const std::uint32_t codes =
        codec::readU32(reinterpret_cast<const std::uint8_t*>(&compressed_[codesAt]));
    for (const std::size_t length : {std::size_t{kBlockRecords + 1}, std::size_t{11}}) {
        std::string word(4, '\0');
        codec::writeU32(reinterpret_cast<std::uint8_t*>(word.data()),
                        static_cast<std::uint32_t>(length));
        const std::string damaged = compressed_.substr(0, codesAt) + word +
                                    std::string(length, '\x05') +
                                    compressed_.substr(codesAt + 4 + codes);
        const Salvaged salvaged = Run(damaged);
        ASSERT_TRUE(salvaged.output) << length;
        ASSERT_EQ(salvaged.report.gaps.size(), 1u) << length;
        EXPECT_TRUE(salvaged.report.gaps[0].filled) << length;
        EXPECT_EQ(salvaged.report.gaps[0].records, kBlockRecords) << length;
        std::string expected = original_;
        std::fill_n(expected.begin() + kPassportLength + kBlockBytes, kBlockBytes, '\0');
        EXPECT_EQ(*salvaged.output, expected) << length;
    }
}

TEST_F(Salvage, BrokenLengthsAreSkippedToTheNextWholeBlock) {
    std::string damaged = compressed_;
    // The record count of the first block: nothing tells where its sections end but the search.
    damaged[kPassportLength + 2] = static_cast<char>(0x7F);
    const Salvaged salvaged = Run(damaged);
    ASSERT_TRUE(salvaged.output);
    ASSERT_EQ(salvaged.report.gaps.size(), 1u);
    EXPECT_EQ(salvaged.report.gaps[0].fileEnd, blocks_[1].first);
    // The later lengths lead exactly to the next block, so the count is known after all.
    EXPECT_EQ(salvaged.report.gaps[0].records, kBlockRecords);
    ExpectIntactBlocksKept(salvaged, compressed_.size(), kPassportLength + 2, "first count");

    // Garbage where the blocks were, then the last block: nothing to count the lost records by.
    std::string garbage = compressed_;
    std::fill(garbage.begin() + kPassportLength, garbage.begin() + blocks_[2].first - 5, '\xEE');
    const Salvaged skipped = Run(garbage);
    ASSERT_TRUE(skipped.output);
    ASSERT_EQ(skipped.report.gaps.size(), 1u);
    EXPECT_FALSE(skipped.report.gaps[0].filled);
    EXPECT_EQ(skipped.output->substr(kPassportLength), OriginalBlock(2));
}

TEST_F(Salvage, NothingToSaveWritesNothing) {
    std::string damaged = compressed_.substr(0, blocks_[0].second - 1);
    EXPECT_FALSE(Run(damaged).output);
    EXPECT_EQ(Run(compressed_.substr(0, kPassportLength)).output,
              original_.substr(0, kPassportLength));
}

TEST_F(Salvage, EveryTruncationKeepsTheWholeBlocks) {
    std::size_t saved = 0;
    for (std::size_t length = 0; length < compressed_.size(); ++length) {
        const Salvaged salvaged = Run(compressed_.substr(0, length));
        saved += salvaged.output ? 1 : 0;
        ExpectIntactBlocksKept(salvaged, length, std::nullopt, "cut at " + std::to_string(length));
        if (::testing::Test::HasFailure()) {
            return;
        }
    }
    std::cout << "truncations of " << compressed_.size() << " bytes: " << saved
              << " salvaged in part\n";
}

TEST_F(Salvage, EveryBitFlipKeepsTheBlocksItDidNotTouch) {
    std::size_t exact = 0;
    std::size_t withGaps = 0;
    for (std::size_t at = 0; at < compressed_.size(); ++at) {
        // Where the data begin is the passport's word alone; damage there moves everything.
        if (at >= kPassportLengthOffset && at < kPassportLengthOffset + 4) {
            continue;
        }
        std::string damaged = compressed_;
        damaged[at] = static_cast<char>(damaged[at] ^ (1 << (at % 8)));
        const Salvaged salvaged = Run(damaged);
        ExpectIntactBlocksKept(salvaged, compressed_.size(), at, "flip at " + std::to_string(at));
        if (::testing::Test::HasFailure()) {
            return;
        }
        if (salvaged.output && salvaged.report.gaps.empty()) {
            EXPECT_EQ(salvaged.output->size(), original_.size()) << at;
            ++exact;
        } else {
            ++withGaps;
        }
    }
    std::cout << "bit flips in " << compressed_.size() << " bytes: " << exact
              << " restored whole (values may differ), " << withGaps << " with gaps reported\n";
}

// A block a sound writer may produce although ours never does: 12 records with 12 different
// SecondWords and one more SecondWord pair of count 0, which adds nothing.
std::string BlockWithZeroCountPair(std::string& records) {
    std::string block;
    const auto word = [&block](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            block += static_cast<char>(v >> (8 * i));
        }
    };
    word(24);
    for (int i = 0; i < 12; ++i) {
        block += {static_cast<char>(i), '\x01'};
    }
    word(2);
    block += {'\x07', '\x0C'};
    word(12);
    for (int i = 0; i < 12; ++i) {
        block += static_cast<char>(i + 1);
    }
    word(13 * 4);
    for (int i = 0; i < 12; ++i) {
        block += {static_cast<char>(0x30 + i), '\x12', '\x01', '\x00'};
    }
    block += {'\x77', '\x77', '\x00', '\x00'};
    for (int i = 0; i < 12; ++i) {
        records += {static_cast<char>(i + 1),    '\x07', static_cast<char>(i), '\x01',
                    static_cast<char>(0x30 + i), '\x12'};
    }
    return block;
}

TEST(SalvageValid, ZeroCountPairsRestoreTestAndSalvage) {
    const auto folder = test::CleanFolder("salvage-zero-count");
    std::string records;
    const std::string passport = test::Passport(kPassportLength);
    const std::string block = BlockWithZeroCountPair(records);
    test::WriteBytes(folder / "a.kvox", passport + block + block);
    auto source = FileStream::OpenRead((folder / "a.kvox").string());
    EXPECT_EQ(TestFile(source, kPassportLength, nullptr).blocks, 2u);
    RestoreFile(source, kPassportLength, (folder / "a.kvo").string(), nullptr);
    EXPECT_EQ(test::ReadBytes(folder / "a.kvo"), passport + records + records);
    fs::remove(folder / "a.kvo");
    const SalvageReport report =
        SalvageFile(source, kPassportLength, (folder / "a.kvo").string(), nullptr);
    EXPECT_TRUE(report.gaps.empty());
    EXPECT_EQ(report.blocksRestored, 2u);
    EXPECT_EQ(test::ReadBytes(folder / "a.kvo"), passport + records + records);
}

TEST(SalvageValid, ABlockThatDecodesIsNotGivenUpForOneInsideIt) {
    const auto folder = test::CleanFolder("salvage-decoy");
    // The FirstWords of the first block hold a whole block of 12 records; a block whose lengths
    // are broken follows it, then a sound one.
    const auto compress = [](const std::string& records) {
        T1DimByteArr block;
        EXPECT_GT(CompressRecords(reinterpret_cast<const std::uint8_t*>(records.data()),
                                  records.size() / kRecordSize, block),
                  0);
        return std::string(block.begin(), block.end());
    };
    const std::string decoy = compress(test::Records(12, 8));
    std::string first = test::Records(60, 5);
    ASSERT_LE(decoy.size(), 120u);
    for (std::size_t i = 0; i < decoy.size(); ++i) {
        first[i / 2 * kRecordSize + kFirstWordOffset + i % 2] = decoy[i];
    }
    const std::string last = test::Records(40, 6);
    std::string broken = compress(test::Records(40, 7));
    broken[3] = '\x7F';
    const std::string passport = test::Passport(kPassportLength);
    test::WriteBytes(folder / "a.kvox", passport + compress(first) + broken + compress(last));
    auto source = FileStream::OpenRead((folder / "a.kvox").string());
    const SalvageReport report =
        SalvageFile(source, kPassportLength, (folder / "a.kvo").string(), nullptr);
    EXPECT_EQ(report.blocksRestored, 2u);
    ASSERT_EQ(report.gaps.size(), 1u);
    EXPECT_EQ(report.gaps[0].block, 1u);
    EXPECT_EQ(report.gaps[0].firstRecord, 60u);
    const std::string output = test::ReadBytes(folder / "a.kvo");
    EXPECT_EQ(output.substr(0, passport.size() + first.size()), passport + first);
    EXPECT_EQ(output.substr(output.size() - last.size()), last);
}

}  // namespace
}  // namespace kvo

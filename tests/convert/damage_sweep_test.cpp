// Every way of cutting a small compressed file short and a bit flip at every byte: the restore
// gives back the original, or reports the damage and leaves no file. The format carries no
// checksum, so a flipped value byte can also restore to altered records; the sweep checks that
// such a flip never changes the file's shape or anything beyond the values it stands for.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "codec/block_format.h"
#include "codec/kvoarchiver.h"
#include "convert/convertfile.h"
#include "convert/storedblocks.h"
#include "model/fileformat.h"
#include "sweepfile.h"
#include "testfiles.h"

namespace kvo {
namespace {

namespace fs = std::filesystem;
using codec::kLengthFieldSize;

constexpr std::uint32_t kPassportLength = 24;
constexpr std::uint64_t kBlockRecords = 40;
constexpr std::uint64_t kBlockBytes = kBlockRecords * kRecordSize;
constexpr std::uint64_t kBlocks = 3;

// What a byte of the compressed file stands for.
enum class Role {
    Passport,        // any passport byte but its length field
    PassportLength,  // where the data begin
    LengthWord,      // a section length
    FirstWord,       // stored as it is: maps to one byte of the restored file
    RunCount,        // a count of a SecondByte or SecondWord run pair
    Value,           // a run value or a LeadByte code
};

struct ByteRole {
    Role role = Role::Passport;
    std::uint64_t restoredOffset = 0;  // Passport and FirstWord: the byte it becomes
};

std::vector<ByteRole> Roles(const std::string& compressed) {
    std::vector<ByteRole> roles(compressed.size());
    for (std::size_t at = 0; at < kPassportLength; ++at) {
        const bool lengthField = at >= kPassportLengthOffset && at < kPassportLengthOffset + 4;
        roles[at] = {lengthField ? Role::PassportLength : Role::Passport, at};
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(compressed.data());
    std::size_t at = kPassportLength;
    for (std::uint64_t block = 0; at < compressed.size(); ++block) {
        for (std::size_t section = 0; section < codec::kSectionCount; ++section) {
            const std::uint32_t length = codec::readU32(bytes + at);
            for (std::size_t i = 0; i < kLengthFieldSize; ++i) {
                roles[at++].role = Role::LengthWord;
            }
            for (std::size_t i = 0; i < length; ++i, ++at) {
                switch (section) {
                    case 0:
                        roles[at] = {Role::FirstWord, kPassportLength + block * kBlockBytes +
                                                          i / 2 * kRecordSize + kFirstWordOffset +
                                                          i % 2};
                        break;
                    case 1:
                        roles[at].role = i % 2 == 1 ? Role::RunCount : Role::Value;
                        break;
                    case 3:
                        roles[at].role = i % 4 >= 2 ? Role::RunCount : Role::Value;
                        break;
                    default:
                        roles[at].role = Role::Value;
                }
            }
        }
    }
    return roles;
}

struct Outcome {
    std::optional<std::string> restored;  // none: the damage was reported
};

class DamageSweep : public ::testing::Test {
  protected:
    void SetUp() override {
        // A folder per test: ctest runs the tests side by side.
        folder_ =
            test::CleanFolder(std::string("damage-sweep-") +
                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        auto file = test::MakeSweepFile(folder_, kPassportLength, kBlocks, kBlockRecords, 11);
        original_ = std::move(file.original);
        compressed_ = std::move(file.compressed);
    }

    // Restores `damaged` as the programs do: the passport length is read from the file itself.
    Outcome Restore(const std::string& damaged) {
        test::WriteBytes(folder_ / "a.kvox", damaged);
        auto source = FileStream::OpenRead((folder_ / "a.kvox").string());
        try {
            const std::uint32_t passportLength = ReadPassportLength(source);
            RestoreFile(source, passportLength, (folder_ / "a.kvo").string(), nullptr);
        } catch (const ConvertError& error) {
            EXPECT_NE(std::string(error.what()), "");
            EXPECT_EQ(test::EntriesIn(folder_), 1u) << "a failed restore left a file behind";
            return {};
        }
        std::string restored = test::ReadBytes(folder_ / "a.kvo");
        fs::remove(folder_ / "a.kvo");
        return {std::move(restored)};
    }

    fs::path folder_;
    std::string original_;
    std::string compressed_;
};

TEST_F(DamageSweep, EveryTruncationRestoresWholeBlocksOrIsReported) {
    // Where each block ends in the compressed file, and the restored size up to there.
    std::vector<std::pair<std::size_t, std::size_t>> blockEnds{{kPassportLength, kPassportLength}};
    for (std::size_t at = kPassportLength; at < compressed_.size();) {
        at += static_cast<std::size_t>(
            StoredBlockLength(reinterpret_cast<const std::uint8_t*>(compressed_.data()) + at,
                              compressed_.size() - at));
        blockEnds.emplace_back(at, blockEnds.back().second + kBlockBytes);
    }
    ASSERT_EQ(blockEnds.size(), kBlocks + 1);
    ASSERT_EQ(blockEnds.back().first, compressed_.size());

    std::size_t wholeBlocks = 0;
    std::size_t reported = 0;
    for (std::size_t length = 0; length < compressed_.size(); ++length) {
        const Outcome outcome = Restore(compressed_.substr(0, length));
        if (!outcome.restored) {
            ++reported;
            continue;
        }
        ++wholeBlocks;
        // The format has no block count: a file cut between blocks is a shorter sound file.
        const auto end = std::find_if(blockEnds.begin(), blockEnds.end(),
                                      [length](const auto& e) { return e.first == length; });
        ASSERT_NE(end, blockEnds.end()) << "a file cut at " << length << " was restored";
        EXPECT_EQ(*outcome.restored, original_.substr(0, end->second)) << length;
    }
    EXPECT_EQ(wholeBlocks, kBlocks);
    std::cout << "truncations of " << compressed_.size() << " bytes: " << reported
              << " reported as damaged, " << wholeBlocks << " cut between blocks restored\n";
    EXPECT_EQ(Restore(compressed_).restored, original_);
}

TEST_F(DamageSweep, EveryBitFlipIsReportedOrChangesOnlyWhatItStandsFor) {
    const std::vector<ByteRole> roles = Roles(compressed_);
    std::size_t exact = 0;
    std::size_t reported = 0;
    std::size_t altered = 0;
    for (std::size_t at = 0; at < compressed_.size(); ++at) {
        std::string damaged = compressed_;
        damaged[at] = static_cast<char>(damaged[at] ^ (1 << (at % 8)));
        const Outcome outcome = Restore(damaged);
        const ByteRole role = roles[at];
        if (!outcome.restored) {
            ++reported;
            EXPECT_NE(role.role, Role::Passport) << at;
            EXPECT_NE(role.role, Role::FirstWord) << at;
            continue;
        }
        EXPECT_NE(role.role, Role::PassportLength) << at;
        EXPECT_NE(role.role, Role::LengthWord) << at;
        EXPECT_NE(role.role, Role::RunCount) << at;
        ASSERT_EQ(outcome.restored->size(), original_.size()) << at;
        if (*outcome.restored == original_) {
            ++exact;
            continue;
        }
        ++altered;
        if (role.role == Role::Passport || role.role == Role::FirstWord) {
            std::string expected = original_;
            expected[role.restoredOffset] = damaged[at];
            EXPECT_EQ(*outcome.restored, expected) << at;
        }
    }
    std::cout << "bit flips in " << compressed_.size() << " bytes: " << exact
              << " restored exactly, " << reported << " reported as damaged, " << altered
              << " restored with the flipped values (no checksum in the format)\n";
}

}  // namespace
}  // namespace kvo

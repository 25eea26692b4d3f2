// The reader's block index against kvox -t over a damage corpus: every truncation of a
// three-block file, a flipped bit at every byte, zeroed stretches and zeros behind the blocks.
// Both must refuse the same files and name the same damaged block in the same words.

#include <gtest/gtest.h>

#include <string>

#include "codec/kvoarchiver.h"
#include "sweepfile.h"
#include "testfiles.h"
#include "verdicts.h"

namespace kvo::test {
namespace {

constexpr std::uint32_t kPassportLength = 24;

class IndexSweep : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = CleanFolder(std::string("index-sweep-") +
                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        compressed_ = MakeSweepFile(folder_, kPassportLength, 3, 40, 11).compressed;
    }

    // The verdicts on `damaged`, one and two threads each; true when they all agree.
    Verdict Expect(const std::string& damaged, const std::string& what) {
        const auto path = (folder_ / "a.kvox").string();
        WriteBytes(path, damaged);
        const Verdict tested = TestVerdict(path, 1);
        for (const unsigned threads : {1u, 2u}) {
            EXPECT_EQ(ReaderVerdict(path, threads), tested) << what << ", " << threads;
        }
        EXPECT_EQ(TestVerdict(path, 2), tested) << what;
        return tested;
    }

    // Where each block begins, and the end of the last.
    std::vector<std::size_t> BlockStarts() const {
        std::vector<std::size_t> starts{kPassportLength};
        while (starts.back() < compressed_.size()) {
            starts.push_back(
                starts.back() +
                static_cast<std::size_t>(StoredBlockLength(
                    reinterpret_cast<const std::uint8_t*>(compressed_.data()) + starts.back(),
                    compressed_.size() - starts.back())));
        }
        return starts;
    }

    std::filesystem::path folder_;
    std::string compressed_;
};

TEST_F(IndexSweep, EveryTruncationGetsTheSameVerdict) {
    std::size_t damaged = 0;
    for (std::size_t length = 0; length <= compressed_.size(); ++length) {
        damaged += Expect(compressed_.substr(0, length), "cut at " + std::to_string(length))
                       .failure.has_value();
    }
    EXPECT_GT(damaged, compressed_.size() / 2);
}

TEST_F(IndexSweep, EveryBitFlipGetsTheSameVerdict) {
    for (std::size_t at = 0; at < compressed_.size(); ++at) {
        std::string damaged = compressed_;
        damaged[at] = static_cast<char>(damaged[at] ^ (1 << (at % 8)));
        Expect(damaged, "flip at " + std::to_string(at));
    }
}

TEST_F(IndexSweep, ZeroedBlocksAndZerosBehindThemAreNamed) {
    const std::vector<std::size_t> starts = BlockStarts();
    ASSERT_EQ(starts.size(), 4u);
    for (std::size_t block = 0; block < 3; ++block) {
        std::string zeroed = compressed_;
        std::fill(zeroed.begin() + static_cast<std::ptrdiff_t>(starts[block]),
                  zeroed.begin() + static_cast<std::ptrdiff_t>(starts[block + 1]), '\0');
        const Verdict verdict = Expect(zeroed, "block " + std::to_string(block) + " zeroed");
        EXPECT_EQ(verdict.failure, ConvertError::Kind::Damaged);
        EXPECT_EQ(verdict.block, block);
        // Just its length words, and 16 zero bytes in the middle of a block.
        std::string words = compressed_;
        std::fill_n(words.begin() + static_cast<std::ptrdiff_t>(starts[block]), 16, '\0');
        EXPECT_EQ(Expect(words, "block " + std::to_string(block) + " words").block, block);
        std::string middle = compressed_;
        std::fill_n(middle.begin() + static_cast<std::ptrdiff_t>(starts[block] + 40), 16, '\0');
        Expect(middle, "block " + std::to_string(block) + " middle");
    }
    for (const std::size_t zeros : {1, 15, 16, 32, 100000}) {
        const Verdict verdict =
            Expect(compressed_ + std::string(zeros, '\0'), std::to_string(zeros) + " zeros");
        EXPECT_EQ(verdict.failure, ConvertError::Kind::Damaged);
        EXPECT_EQ(verdict.block, 3u);
    }
    EXPECT_EQ(Expect(compressed_, "sound").blocks, 3u);
}

}  // namespace
}  // namespace kvo::test

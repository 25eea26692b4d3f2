// A recording larger than the default block bound whose record count has no divisor to split it.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "cli/kvox.h"
#include "convert/storedblocks.h"
#include "synth/kvosynth.h"
#include "testfiles.h"

namespace kvo::cli {
namespace {

namespace fs = std::filesystem;

// Compares two files in pieces, so that neither is held in memory whole.
bool SameContents(const fs::path& a, const fs::path& b, std::uint64_t length) {
    auto first = FileStream::OpenRead(a.string());
    auto second = FileStream::OpenRead(b.string());
    std::vector<char> x(1 << 20);
    std::vector<char> y(1 << 20);
    while (length > 0) {
        const auto part = static_cast<std::size_t>(std::min<std::uint64_t>(length, x.size()));
        first.readExact(x.data(), part);
        second.readExact(y.data(), part);
        if (x != y) {
            return false;
        }
        length -= part;
    }
    return true;
}

TEST(KvoxLarge, PrimeRecordCountAboveTheBlockBoundKeepsEveryRecord) {
    constexpr std::uint64_t kPrimeRecords = 11184829;  // 67108974 bytes, just above 64 MiB
    const auto folder = test::CleanFolder("kvox-large");
    const auto source = folder / "big.kvo";
    synth::writeRecording(source.string(), synth::Kind::TipTiming, kPrimeRecords, 3);
    {
        std::ofstream(source, std::ios::binary | std::ios::app) << "\x01\x02";  // partial record
    }
    std::ostringstream out;
    std::ostringstream err;
    const Console console{out, err, false};
    ASSERT_EQ(RunKvox({"-T2", source.string()}, console), kExitWarning) << err.str();

    {  // closed before the folder goes: Windows keeps a folder with an open file in it
        auto compressed = FileStream::OpenRead((folder / "big.kvox").string());
        const auto stored = WalkStoredBlocks(compressed, ReadPassportLength(compressed));
        EXPECT_EQ(stored.records, kPrimeRecords);
        EXPECT_EQ(stored.blocks, 2u);
        EXPECT_LE(stored.firstBlockRecords * 6, std::uint64_t{64} << 20);
    }

    const auto restored = folder / "restored.kvo";
    ASSERT_EQ(RunKvox({"-T2", "-o", restored.string(), (folder / "big.kvox").string()}, console),
              kExitSuccess)
        << err.str();
    EXPECT_EQ(fs::file_size(restored), fs::file_size(source) - 2);
    EXPECT_TRUE(SameContents(source, restored, fs::file_size(restored)));
    fs::remove_all(folder);
}

}  // namespace
}  // namespace kvo::cli

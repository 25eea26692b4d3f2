#include "convert/convertfile.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <vector>

#include "convert/storedblocks.h"
#include "synth/kvosynth.h"
#include "testfiles.h"

namespace kvo {
namespace {

namespace fs = std::filesystem;
using test::Passport;
using test::ReadBytes;
using test::Records;
using test::WriteBytes;

struct Converted {
    ConvertReport report;
    std::string bytes;
};

Converted Compress(const fs::path& source, std::uint32_t passportLength, const BlockPlan& plan,
                   const fs::path& target, unsigned threads = 1) {
    auto stream = FileStream::OpenRead(source.string());
    const auto report =
        CompressFile(stream, passportLength, plan, target.string(), nullptr, threads);
    return {report, ReadBytes(target)};
}

Converted Restore(const fs::path& source, std::uint32_t passportLength, const fs::path& target,
                  unsigned threads = 1) {
    auto stream = FileStream::OpenRead(source.string());
    const auto report = RestoreFile(stream, passportLength, target.string(), nullptr, threads);
    return {report, ReadBytes(target)};
}

TEST(ConvertFile, RoundTripsWithEveryPlanAndThreadCount) {
    const auto folder = test::CleanFolder("convert-roundtrip");
    const std::string passport = Passport(40);
    const std::string data = Records(1000, 1);
    WriteBytes(folder / "a.kvo", passport + data + "xyz");  // a trailing partial record

    for (const BlockPlan& plan : {EqualBlocks(6003, 6000), EqualBlocks(6003, 1200),
                                  CoveringBlocks(6003, 1800), DefaultBlocks(6003, 1800)}) {
        const auto one = Compress(folder / "a.kvo", 40, plan, folder / "a.kvox", 1);
        EXPECT_EQ(one.report.blocks, plan.blockCount());
        EXPECT_EQ(one.report.droppedBytes, 6003 - plan.coveredBytes());
        EXPECT_EQ(one.report.bytesWritten, one.bytes.size());
        EXPECT_EQ(one.bytes.substr(0, 40), passport);
        EXPECT_LT(one.bytes.size(), passport.size() + data.size());

        const auto four = Compress(folder / "a.kvo", 40, plan, folder / "b.kvox", 4);
        EXPECT_EQ(four.bytes, one.bytes);

        for (const unsigned threads : {1u, 3u}) {
            const auto restored = Restore(folder / "a.kvox", 40, folder / "c.kvo", threads);
            EXPECT_EQ(restored.bytes, passport + data.substr(0, plan.coveredBytes()));
            EXPECT_EQ(restored.report.blocks, plan.blockCount());
            EXPECT_EQ(restored.report.bytesRead, one.bytes.size());
        }
    }
    // Only the two outputs and the sources: no temporary files left behind.
    EXPECT_EQ(test::EntriesIn(folder), 4u);
}

TEST(ConvertFile, RoundTripsEverySyntheticKind) {
    const auto folder = test::CleanFolder("convert-kinds");
    for (const auto kind : {synth::Kind::TipTiming, synth::Kind::Random, synth::Kind::Constant,
                            synth::Kind::Zeros, synth::Kind::Runs}) {
        const auto recording = synth::makeRecording(kind, 20000, 5);
        const std::string bytes(recording.begin(), recording.end());
        WriteBytes(folder / "k.kvo", bytes);
        auto source = FileStream::OpenRead((folder / "k.kvo").string());
        const std::uint32_t passportLength = ReadPassportLength(source);
        const auto plan = CoveringBlocks(bytes.size() - passportLength, 6 * 7000);
        const auto compressed =
            Compress(folder / "k.kvo", passportLength, plan, folder / "k.kvox", 2);
        EXPECT_EQ(compressed.report.blocks, 3u);
        EXPECT_EQ(Restore(folder / "k.kvox", passportLength, folder / "r.kvo").bytes, bytes)
            << synth::kindName(kind);
    }
}

TEST(ConvertFile, SmallestBlockAndTrailingBytes) {
    const auto folder = test::CleanFolder("convert-small");
    const std::string passport = Passport(24);
    WriteBytes(folder / "twelve.kvo", passport + Records(12, 2));
    const auto twelve = Compress(folder / "twelve.kvo", 24, EqualBlocks(72, 72), folder / "t.kvox");
    EXPECT_EQ(twelve.report.blocks, 1u);
    EXPECT_EQ(Restore(folder / "t.kvox", 24, folder / "t.kvo").bytes,
              ReadBytes(folder / "twelve.kvo"));

    const std::string data = Records(1000, 3);
    WriteBytes(folder / "odd.kvo", passport + data + "12345");
    const auto odd = Compress(folder / "odd.kvo", 24, EqualBlocks(6005, 6000), folder / "o.kvox");
    EXPECT_EQ(odd.report.blocks, 1u);
    EXPECT_EQ(odd.report.droppedBytes, 5u);
    EXPECT_EQ(Restore(folder / "o.kvox", 24, folder / "o.kvo").bytes, passport + data);
}

TEST(ConvertFile, EmptyDataAreaGivesThePassportAlone) {
    const auto folder = test::CleanFolder("convert-empty");
    const std::string passport = Passport(30);
    WriteBytes(folder / "e.kvo", passport);
    const auto compressed = Compress(folder / "e.kvo", 30, EqualBlocks(0, 0), folder / "e.kvox");
    EXPECT_TRUE(compressed.report.noData);
    EXPECT_EQ(compressed.report.blocks, 0u);
    EXPECT_EQ(compressed.bytes, passport);
    const auto restored = Restore(folder / "e.kvox", 30, folder / "r.kvo");
    EXPECT_TRUE(restored.report.noData);
    EXPECT_EQ(restored.bytes, passport);
}

TEST(ConvertFile, RewindsTheSourceAndReportsProgress) {
    const auto folder = test::CleanFolder("convert-again");
    WriteBytes(folder / "a.kvo", Passport(24) + Records(300, 4));
    auto source = FileStream::OpenRead((folder / "a.kvo").string());
    source.seek(100);  // wherever an earlier run or an inspection left it

    std::vector<std::uint64_t> positions;
    const ProgressFn progress = [&positions](std::uint64_t at) { positions.push_back(at); };
    const auto plan = EqualBlocks(1800, 600);
    CompressFile(source, 24, plan, (folder / "1.kvox").string(), progress);
    // Every block's end is told, in order; positions inside a block may come between.
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    for (const std::uint64_t end : {624u, 1224u, 1824u}) {
        EXPECT_NE(std::find(positions.begin(), positions.end(), end), positions.end()) << end;
    }
    EXPECT_EQ(positions.back(), 1824u);
    CompressFile(source, 24, plan, (folder / "2.kvox").string(), nullptr, 2);
    EXPECT_EQ(ReadBytes(folder / "1.kvox"), ReadBytes(folder / "2.kvox"));

    auto compressed = FileStream::OpenRead((folder / "1.kvox").string());
    positions.clear();
    const auto checked = TestFile(compressed, 24, progress, 2);
    EXPECT_EQ(checked.blocks, 3u);
    EXPECT_EQ(positions.back(), compressed.size());
}

// A single large block still moves the progress: the codec tells it in steps of at most 1%.
TEST(ConvertFile, ProgressMovesInsideASingleBlock) {
    const auto folder = test::CleanFolder("convert-one-block");
    constexpr std::uint64_t kRecords = 200000;
    WriteBytes(folder / "a.kvo", Passport(24) + Records(kRecords, 6));
    for (const unsigned threads : {1u, 2u}) {
        auto source = FileStream::OpenRead((folder / "a.kvo").string());
        std::vector<std::uint64_t> positions;
        const ProgressFn progress = [&positions](std::uint64_t at) { positions.push_back(at); };
        CompressFile(source, 24, EqualBlocks(kRecords * 6, kRecords * 6),
                     (folder / "a.kvox").string(), progress, threads);
        EXPECT_GE(positions.size(), 100u);
        EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
        EXPECT_EQ(positions.back(), 24 + kRecords * 6);

        // The bar moves while the one stored block is still being read, not only once it is
        // restored.
        auto compressed = FileStream::OpenRead((folder / "a.kvox").string());
        positions.clear();
        std::uint64_t readAtFirstReport = 0;
        const ProgressFn restoreProgress = [&](std::uint64_t at) {
            if (positions.empty()) {
                readAtFirstReport = compressed.position();
            }
            positions.push_back(at);
        };
        RestoreFile(compressed, 24, (folder / "r.kvo").string(), restoreProgress, threads);
        EXPECT_LT(readAtFirstReport, compressed.size() / 10);
        EXPECT_GE(positions.size(), 100u);
        EXPECT_GT(positions.front(), 24u);  // moves on from the start, never reports it
        EXPECT_EQ(positions.back(), compressed.size());
        EXPECT_EQ(ReadBytes(folder / "r.kvo"), ReadBytes(folder / "a.kvo"));
        std::filesystem::remove(folder / "a.kvox");
        std::filesystem::remove(folder / "r.kvo");
    }
}

}  // namespace
}  // namespace kvo

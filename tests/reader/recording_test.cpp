// The reader over compressed files of blocks with differing record counts, recordings, damaged
// and cut-short files, and passports.

#include "reader/recording.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "codec/kvoarchiver.h"
#include "convert/convertfile.h"
#include "model/fileformat.h"
#include "testfiles.h"

namespace kvo::reader {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kPassportLength = 40;

std::string CompressedBlock(const std::string& records) {
    T1DimByteArr buffer(records.begin(), records.end());
    const std::int32_t length = CompressBlock(buffer, 0);
    EXPECT_GT(length, 0);
    return {buffer.begin(), buffer.begin() + length};
}

// A compressed file whose blocks hold the given record counts, as another writer may cut them.
struct Blocks {
    fs::path path;
    std::string records;               // every record, in file order
    std::vector<std::size_t> offsets;  // of each block in the file
    std::string bytes;
};

Blocks WriteBlocks(const fs::path& folder, const std::vector<std::uint64_t>& counts) {
    Blocks file{folder / "blocks.kvox", "", {}, test::Passport(kPassportLength)};
    std::uint32_t seed = 1;
    for (const std::uint64_t count : counts) {
        const std::string records = test::Records(count, seed++);
        file.offsets.push_back(file.bytes.size());
        file.bytes += CompressedBlock(records);
        file.records += records;
    }
    test::WriteBytes(file.path, file.bytes);
    return file;
}

std::string Read(Recording& recording, std::uint64_t first, std::uint64_t count) {
    std::string out(count * kRecordSize, '\0');
    recording.read(first, count, reinterpret_cast<std::uint8_t*>(out.data()));
    return out;
}

const std::vector<std::uint64_t> kCounts{12, 1000, 25, 317, 4000, 24, 600};

TEST(RecordingIndex, WalksBlocksOfDifferingRecordCounts) {
    const auto file = WriteBlocks(test::CleanFolder("reader-index"), kCounts);
    auto recording = Recording::Open(file.path.string());
    EXPECT_EQ(recording.kind(), FileKind::Compressed);
    EXPECT_EQ(recording.passportLength(), kPassportLength);
    ASSERT_EQ(recording.blocks().size(), kCounts.size());
    std::uint64_t first = 0;
    for (std::size_t i = 0; i < kCounts.size(); ++i) {
        const BlockEntry& entry = recording.blocks()[i];
        EXPECT_EQ(entry.offset, file.offsets[i]);
        const std::size_t next = i + 1 < kCounts.size() ? file.offsets[i + 1] : file.bytes.size();
        EXPECT_EQ(entry.storedLength, next - file.offsets[i]);
        EXPECT_EQ(entry.firstRecord, first);
        EXPECT_EQ(entry.records, kCounts[i]);
        first += kCounts[i];
    }
    EXPECT_EQ(recording.recordCount(), first);
    EXPECT_EQ(recording.partialRecordBytes(), 0u);
    EXPECT_FALSE(recording.damagedBlock());
    EXPECT_EQ(recording.blocksDecoded(), 0u);  // the index decodes nothing
}

TEST(RecordingRead, SlicesAcrossBlockEdgesMatchTheRecords) {
    const auto file = WriteBlocks(test::CleanFolder("reader-slices"), kCounts);
    for (const unsigned threads : {1u, 3u}) {
        auto recording = Recording::Open(file.path.string());
        recording.setThreads(threads);
        const std::uint64_t total = recording.recordCount();
        EXPECT_EQ(Read(recording, 0, total), file.records);
        std::mt19937_64 random(threads);
        for (int i = 0; i < 200; ++i) {
            const std::uint64_t first = random() % total;
            const std::uint64_t count = random() % (total - first + 1);
            ASSERT_EQ(Read(recording, first, count),
                      file.records.substr(first * kRecordSize, count * kRecordSize))
                << first << " + " << count;
        }
        // Every edge, one record either side.
        for (const BlockEntry& entry : recording.blocks()) {
            if (entry.firstRecord != 0) {
                EXPECT_EQ(Read(recording, entry.firstRecord - 1, 2),
                          file.records.substr((entry.firstRecord - 1) * kRecordSize, 12));
            }
        }
        EXPECT_THROW(Read(recording, total, 1), std::out_of_range);
        EXPECT_THROW(Read(recording, 1, total), std::out_of_range);
        EXPECT_EQ(Read(recording, total, 0), "");
    }
}

TEST(RecordingRead, DecodesOnlyTheBlocksItNeedsAndEachOnceWhenSequential) {
    const auto file = WriteBlocks(test::CleanFolder("reader-cost"), kCounts);
    auto recording = Recording::Open(file.path.string());
    Read(recording, 1100, 5);  // inside block 3
    EXPECT_EQ(recording.blocksDecoded(), 1u);
    Read(recording, 1105, 100);  // the same block, kept from the last read
    EXPECT_EQ(recording.blocksDecoded(), 1u);

    auto sequential = Recording::Open(file.path.string());
    std::string all;
    for (std::uint64_t at = 0; at < sequential.recordCount(); at += 7) {
        all += Read(sequential, at, std::min<std::uint64_t>(7, sequential.recordCount() - at));
    }
    EXPECT_EQ(all, file.records);
    EXPECT_EQ(sequential.blocksDecoded(), kCounts.size());
}

TEST(RecordingRead, VisitsEveryBlockInOrder) {
    const auto file = WriteBlocks(test::CleanFolder("reader-visit"), kCounts);
    auto recording = Recording::Open(file.path.string());
    recording.setThreads(2);
    std::string visited;
    std::vector<std::uint64_t> firsts;
    recording.visitBlocks([&](const BlockEntry& entry, const std::uint8_t* records) {
        firsts.push_back(entry.firstRecord);
        visited.append(reinterpret_cast<const char*>(records), entry.records * kRecordSize);
    });
    EXPECT_EQ(visited, file.records);
    EXPECT_EQ(firsts.size(), kCounts.size());
}

TEST(RecordingRead, ReadsARecordingWithAPartialRecord) {
    const auto folder = test::CleanFolder("reader-kvo");
    const std::string records = test::Records(5000, 9);
    test::WriteBytes(folder / "a.kvo", test::Passport(kPassportLength) + records + "abc");
    auto recording = Recording::Open((folder / "a.kvo").string());
    EXPECT_EQ(recording.kind(), FileKind::Recording);
    EXPECT_EQ(recording.recordCount(), 5000u);
    EXPECT_EQ(recording.partialRecordBytes(), 3u);
    ASSERT_EQ(recording.blocks().size(), 1u);
    EXPECT_EQ(recording.blocks()[0].offset, kPassportLength);
    EXPECT_EQ(Read(recording, 0, 5000), records);
    EXPECT_EQ(Read(recording, 4990, 10), records.substr(4990 * kRecordSize));
    std::string visited;
    recording.visitBlocks([&](const BlockEntry& entry, const std::uint8_t* bytes) {
        visited.append(reinterpret_cast<const char*>(bytes), entry.records * kRecordSize);
    });
    EXPECT_EQ(visited, records);
}

// The error RestoreFile gives for the same file: the reader must word it the same.
ConvertError RestoreError(const fs::path& path) {
    auto source = FileStream::OpenRead(path.string());
    try {
        TestFile(source, kPassportLength, nullptr);
    } catch (const ConvertError& error) {
        return error;
    }
    ADD_FAILURE() << "the file restores";
    return ConvertError(ConvertError::Kind::Refused, "");
}

TEST(RecordingDamage, ADamagedBlockIsNamedAndTheOthersStillRead) {
    auto file = WriteBlocks(test::CleanFolder("reader-damaged"), kCounts);
    // Raise the count of block 3's first SecondByte run pair.
    const std::size_t block = file.offsets[3];
    const std::size_t pairs = block + 4 + 2 * kCounts[3] + 4;
    ++file.bytes[pairs + 1];
    test::WriteBytes(file.path, file.bytes);
    const ConvertError expected = RestoreError(file.path);

    auto recording = Recording::Open(file.path.string());
    const BlockEntry damaged = recording.blocks()[3];
    try {
        Read(recording, damaged.firstRecord + 5, 1);
        ADD_FAILURE() << "damaged block read";
    } catch (const ConvertError& error) {
        EXPECT_EQ(error.kind(), ConvertError::Kind::Damaged);
        EXPECT_EQ(error.blockIndex(), 3u);
        EXPECT_STREQ(error.what(), expected.what());
    }
    EXPECT_THROW(Read(recording, 0, recording.recordCount()), ConvertError);
    EXPECT_EQ(Read(recording, 0, damaged.firstRecord),
              file.records.substr(0, damaged.firstRecord * kRecordSize));
    const std::uint64_t after = damaged.firstRecord + damaged.records;
    EXPECT_EQ(Read(recording, after, recording.recordCount() - after),
              file.records.substr(after * kRecordSize));

    std::size_t visited = 0;
    EXPECT_THROW(recording.visitBlocks([&](const BlockEntry&, const std::uint8_t*) { ++visited; }),
                 ConvertError);
    EXPECT_EQ(visited, 3u);
}

TEST(RecordingDamage, ACutShortBlockEndsTheIndexAndIsNamedWhenReached) {
    auto file = WriteBlocks(test::CleanFolder("reader-cut"), kCounts);
    file.bytes.resize(file.offsets[5] + 30);
    test::WriteBytes(file.path, file.bytes);
    const ConvertError expected = RestoreError(file.path);

    auto recording = Recording::Open(file.path.string());
    ASSERT_TRUE(recording.damagedBlock());
    EXPECT_EQ(recording.damagedBlock()->index, 5u);
    EXPECT_TRUE(recording.damagedBlock()->cutShort);
    ASSERT_EQ(recording.blocks().size(), 5u);
    const std::uint64_t whole = recording.recordCount();
    EXPECT_EQ(Read(recording, 0, whole), file.records.substr(0, whole * kRecordSize));
    try {
        Read(recording, whole - 1, 2);
        ADD_FAILURE() << "read past the cut";
    } catch (const ConvertError& error) {
        EXPECT_EQ(error.blockIndex(), 5u);
        EXPECT_STREQ(error.what(), expected.what());
    }
    std::size_t visited = 0;
    EXPECT_THROW(recording.visitBlocks([&](const BlockEntry&, const std::uint8_t*) { ++visited; }),
                 ConvertError);
    EXPECT_EQ(visited, 5u);
}

TEST(RecordingOpen, RefusesWhatTheFileLevelModuleRefuses) {
    const auto folder = test::CleanFolder("reader-refused");
    test::WriteBytes(folder / "short.kvox", "RecKvo");
    EXPECT_THROW(Recording::Open((folder / "short.kvox").string()), ConvertError);
    test::WriteBytes(folder / "a.dat", test::Passport(24) + test::Records(20, 1));
    EXPECT_THROW(Recording::Open((folder / "a.dat").string()), ConvertError);
    EXPECT_EQ(Recording::Open((folder / "a.dat").string(), FileKind::Recording).recordCount(), 20u);
    try {
        Recording::Open((folder / "missing.kvo").string());
        ADD_FAILURE() << "a missing file opened";
    } catch (const ConvertError& error) {
        EXPECT_EQ(error.kind(), ConvertError::Kind::Io);
    }
}

TEST(RecordingPassport, DecodesTheFieldsAndStopsWhereThePassportEnds) {
    THeadel head(40);
    for (const char c : std::string_view("RecKvo")) {
        head.PokeChar(c);
    }
    head.PokeLongWord(37);
    head.PokeWord(17);
    head.PokeWord(0x0102);  // two entries: only the low byte counts
    head.PokeWord(5);
    head.PokeByte(0x2B);
    head.PokeString("\xC0\xC1");
    head.PokeWord(8);
    head.PokeWord(6);
    head.PokeByte(1);
    head.PokeString("");
    head.PokeWord(2);
    head.PokeDouble(100.5);
    const std::string bytes(static_cast<const char*>(head.fHead), 37);
    const auto folder = test::CleanFolder("reader-passport");
    test::WriteBytes(folder / "a.kvo", bytes + test::Records(12, 1));

    const PassportFields fields = Recording::Open((folder / "a.kvo").string()).passport();
    EXPECT_EQ(fields.signature, "RecKvo");
    EXPECT_EQ(fields.length, 37u);
    EXPECT_EQ(fields.boardNumber, 17u);
    EXPECT_EQ(fields.channelCount, 0x0102u);
    ASSERT_EQ(fields.channels.size(), 2u);
    EXPECT_EQ(fields.channels[0].number, 5u);
    EXPECT_EQ(fields.channels[0].gainCode, 0x2B);
    EXPECT_EQ(fields.channels[0].markName, "\xC0\xC1");
    EXPECT_EQ(fields.channels[1].type, 2u);
    // StartTime ends at byte 36; AnalogRate lies behind the passport's length.
    EXPECT_EQ(fields.startTime, 100.5);
    EXPECT_FALSE(fields.analogRate);
    EXPECT_FALSE(fields.complete);
}

}  // namespace
}  // namespace kvo::reader

// Runs that must fail cleanly: nothing written, an existing target untouched, no files left.

#include <gtest/gtest.h>

#include <cerrno>

#include "convert/convertfile.h"
#include "platform/systemerror.h"
#include "testfiles.h"

namespace kvo {
namespace {

namespace fs = std::filesystem;

constexpr char kOldTarget[] = "an earlier output";

// A folder with one recording a.kvo (passport 24, `records` records) and an old target a.kvox.
fs::path Prepared(const std::string& name, const std::string& data) {
    const auto folder = test::CleanFolder("failure-" + name);
    test::WriteBytes(folder / "a.kvo", test::Passport(24) + data);
    test::WriteBytes(folder / "a.kvox", kOldTarget);
    return folder;
}

ConvertError::Kind CompressFails(const fs::path& folder, const BlockPlan& plan,
                                 const std::string& expectedText, unsigned threads = 1) {
    auto source = FileStream::OpenRead((folder / "a.kvo").string());
    try {
        CompressFile(source, 24, plan, (folder / "a.kvox").string(), nullptr, threads);
    } catch (const ConvertError& error) {
        EXPECT_NE(std::string(error.what()).find(expectedText), std::string::npos) << error.what();
        EXPECT_EQ(test::ReadBytes(folder / "a.kvox"), kOldTarget);
        EXPECT_EQ(test::EntriesIn(folder), 2u);
        return error.kind();
    }
    ADD_FAILURE() << "compression succeeded";
    return ConvertError::Kind::Io;
}

TEST(ConvertFailure, RefusesBlocksTheCodecCannotTake) {
    const auto twelve = Prepared("twelve", test::Records(12, 1));
    EXPECT_EQ(CompressFails(twelve, EqualBlocks(72, 24), "не меньше 12 записей"),
              ConvertError::Kind::Refused);
    EXPECT_EQ(CompressFails(twelve, EqualBlocks(72, 70), "не кратен"), ConvertError::Kind::Refused);
    EXPECT_EQ(CompressFails(twelve, EqualBlocks(72, 78), "больше данных"),
              ConvertError::Kind::Refused);

    const auto scrap = Prepared("scrap", "abc");
    EXPECT_EQ(CompressFails(scrap, EqualBlocks(3, 0), "ни одной целой записи"),
              ConvertError::Kind::Refused);
}

TEST(ConvertFailure, NamesTheFirstRecordWithAnUncodableLeadByte) {
    std::string data = test::Records(1000, 2);
    data[6 * 777] = static_cast<char>(200);
    data[6 * 900] = static_cast<char>(128);
    const auto folder = Prepared("leadbyte", data);
    for (const unsigned threads : {1u, 4u}) {
        EXPECT_EQ(CompressFails(folder, EqualBlocks(6000, 600),
                                "записи № 778 первый байт равен 200", threads),
                  ConvertError::Kind::Refused);
    }
}

// Writes of the whole process fail with a full disk after this many bytes.
std::size_t gWriteBudget = 0;
WriteOutcome BudgetedWrite(NativeHandle handle, std::uint64_t offset, const void* data,
                           std::size_t count) {
    if (gWriteBudget == 0) {
        return {0, ENOSPC, 0};
    }
    const WriteOutcome put = SystemWrite(handle, offset, data, std::min(count, gWriteBudget));
    gWriteBudget -= put.written;
    return put;
}

TEST(ConvertFailure, InputOutputErrorsLeaveNoOutput) {
    const auto folder = Prepared("io", test::Records(600, 3));
    gWriteBudget = 500;
    SetWriteFunction(&BudgetedWrite);
    const auto full = CompressFails(folder, EqualBlocks(3600, 720), SystemErrorText(ENOSPC));
    SetWriteFunction(nullptr);
    EXPECT_EQ(full, ConvertError::Kind::Io);

    // The source shrinks during the run.
    auto source = FileStream::OpenRead((folder / "a.kvo").string());
    const auto shrink = [&folder](std::uint64_t) { fs::resize_file(folder / "a.kvo", 1000); };
    EXPECT_THROW(
        CompressFile(source, 24, EqualBlocks(3600, 720), (folder / "a.kvox").string(), shrink),
        ConvertError);
    EXPECT_EQ(test::ReadBytes(folder / "a.kvox"), kOldTarget);

    // A passport longer than the file.
    test::WriteBytes(folder / "a.kvo", test::Passport(24).substr(0, 10));
    EXPECT_EQ(CompressFails(folder, EqualBlocks(0, 0), "короче своего паспорта"),
              ConvertError::Kind::Io);

    fs::remove(folder / "a.kvox");
    fs::create_directory(folder / "a.kvox");
    test::WriteBytes(folder / "a.kvo", test::Passport(24) + test::Records(600, 3));
    auto again = FileStream::OpenRead((folder / "a.kvo").string());
    EXPECT_THROW(
        CompressFile(again, 24, EqualBlocks(3600, 720), (folder / "a.kvox").string(), nullptr),
        ConvertError);
    EXPECT_EQ(test::EntriesIn(folder), 2u);
}

// A compressed file of three blocks, an old restored file beside it, and the stored blocks.
struct ThreeBlocks {
    fs::path folder;
    std::string passport = test::Passport(24);
    std::string compressed;
};

ThreeBlocks CompressedThreeBlocks(const std::string& name) {
    ThreeBlocks file;
    file.folder = test::CleanFolder("damage-" + name);
    test::WriteBytes(file.folder / "src.kvo", file.passport + test::Records(300, 4));
    auto source = FileStream::OpenRead((file.folder / "src.kvo").string());
    CompressFile(source, 24, EqualBlocks(1800, 600), (file.folder / "a.kvox").string(), nullptr);
    file.compressed = test::ReadBytes(file.folder / "a.kvox");
    test::WriteBytes(file.folder / "a.kvo", kOldTarget);
    return file;
}

// Expects RestoreFile and TestFile to stop at the block, leaving the old target.
void ExpectDamagedAt(const ThreeBlocks& file, std::uint64_t block, unsigned threads) {
    auto source = FileStream::OpenRead((file.folder / "a.kvox").string());
    for (const bool writing : {true, false}) {
        try {
            if (writing) {
                RestoreFile(source, 24, (file.folder / "a.kvo").string(), nullptr, threads);
            } else {
                TestFile(source, 24, nullptr, threads);
            }
            ADD_FAILURE() << "damaged file accepted";
        } catch (const ConvertError& error) {
            EXPECT_EQ(error.kind(), ConvertError::Kind::Damaged);
            EXPECT_EQ(error.blockIndex(), block);
            EXPECT_NE(std::string(error.what()).find("блок " + std::to_string(block + 1)),
                      std::string::npos);
        }
    }
    EXPECT_EQ(test::ReadBytes(file.folder / "a.kvo"), kOldTarget);
    EXPECT_EQ(test::EntriesIn(file.folder), 3u);
}

std::uint32_t WordAt(const std::string& bytes, std::size_t at) {
    std::uint32_t word = 0;
    for (std::size_t i = 4; i-- > 0;) {
        word = (word << 8) | static_cast<std::uint8_t>(bytes[at + i]);
    }
    return word;
}

TEST(ConvertFailure, StopsAtTheFirstDamagedBlock) {
    ThreeBlocks file = CompressedThreeBlocks("middle");
    // Walk to block 2 and raise the count of its first SecondByte run pair.
    std::size_t at = 24;
    for (int section = 0; section < 4; ++section) {
        at += 4 + WordAt(file.compressed, at);
    }
    const std::size_t firstPair = at + 4 + WordAt(file.compressed, at) + 4 + 1;
    ++file.compressed[firstPair];
    test::WriteBytes(file.folder / "a.kvox", file.compressed);
    ExpectDamagedAt(file, 1, 1);
    ExpectDamagedAt(file, 1, 4);
    // Reading finds the cut-off third block while the second is still being decoded.
    test::WriteBytes(file.folder / "a.kvox",
                     file.compressed.substr(0, file.compressed.size() - 20));
    ExpectDamagedAt(file, 1, 4);
}

TEST(ConvertFailure, TruncatedAndOverlongBlocksAreDamaged) {
    ThreeBlocks file = CompressedThreeBlocks("truncated");
    const std::string whole = file.compressed;
    for (const std::size_t cut : {std::size_t{1}, std::size_t{10}, std::size_t{100}}) {
        test::WriteBytes(file.folder / "a.kvox", whole.substr(0, whole.size() - cut));
        ExpectDamagedAt(file, 2, 2);
    }
    // A section length far beyond the file in the first block.
    std::string overlong = whole;
    overlong[24 + 3] = static_cast<char>(0x7f);
    test::WriteBytes(file.folder / "a.kvox", overlong);
    ExpectDamagedAt(file, 0, 1);
}

}  // namespace
}  // namespace kvo

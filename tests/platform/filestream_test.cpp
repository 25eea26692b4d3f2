#include "platform/filestream.h"
#include "platform/safeoutput.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "testfiles.h"

namespace kvo {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::WriteBytes;

fs::path TestFolder(const std::string& name) {
    return test::CleanFolder("filestream-" + name);
}

// Writes at most 3 bytes per call and is interrupted every other call, then runs out of space.
std::size_t gBudget = 0;
bool gInterrupt = false;
WriteOutcome StingyWrite(NativeHandle handle, std::uint64_t offset, const void* data,
                         std::size_t count) {
    gInterrupt = !gInterrupt;
    if (gInterrupt) {
        return {0, EINTR, 0};
    }
    if (gBudget == 0) {
        return {0, ENOSPC, 0};
    }
    const std::size_t part = std::min({count, gBudget, std::size_t{3}});
    gBudget -= part;
    return SystemWrite(handle, offset, data, part);
}

struct WriteSeam {
    explicit WriteSeam(std::size_t budget) {
        gBudget = budget;
        SetWriteFunction(&StingyWrite);
    }
    ~WriteSeam() { SetWriteFunction(nullptr); }
};

TEST(FileStream, ReadsSeeksAndReportsShortFiles) {
    const auto folder = TestFolder("read");
    WriteBytes(folder / "a.bin", "0123456789");
    auto stream = FileStream::OpenRead((folder / "a.bin").string());
    EXPECT_EQ(stream.size(), 10u);

    char buffer[16] = {};
    EXPECT_EQ(stream.read(buffer, 4), 4u);
    EXPECT_EQ(std::string(buffer, 4), "0123");
    stream.seek(8);
    EXPECT_EQ(stream.read(buffer, 16), 2u);  // fewer at the end, no error
    EXPECT_EQ(stream.position(), 10u);

    stream.seek(5);
    try {
        stream.readExact(buffer, 6);
        FAIL() << "short exact read accepted";
    } catch (const FileError& error) {
        EXPECT_NE(std::string(error.what()).find("a.bin"), std::string::npos);
        EXPECT_NE(std::string(error.what()).find("прочитано 5 из 6 байт"), std::string::npos);
    }
}

TEST(FileStream, OpenErrorsNameTheFileAndTheReason) {
    const auto folder = TestFolder("open");
    const auto missing = (folder / "missing.kvo").string();
    try {
        FileStream::OpenRead(missing);
        FAIL() << "missing file opened";
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()), "Не удалось открыть файл " + missing +
                                                 ": нет такого файла или каталога (ошибка 2)");
        EXPECT_EQ(error.errorCode(), ENOENT);
    }
    EXPECT_THROW(FileStream::OpenRead(folder.string()), FileError);
}

TEST(SafeOutputFile, ReplacesTheTargetOnlyOnCommit) {
    const auto folder = TestFolder("commit");
    const auto target = folder / "out.kvox";
    WriteBytes(target, "old contents");
    {
        SafeOutputFile output(target.string());
        output.stream().write("new", 3);
        EXPECT_EQ(ReadBytes(target), "old contents");
    }
    EXPECT_EQ(ReadBytes(target), "old contents");
    EXPECT_EQ(test::EntriesIn(folder), 1u);

    {
        SafeOutputFile output(target.string());
        {
            auto source = FileStream::OpenRead(target.string());
            output.stream().copyFrom(source, 3);
        }
        output.stream().write("!", 1);
        output.commit();
    }
    EXPECT_EQ(ReadBytes(target), "old!");
    EXPECT_EQ(test::EntriesIn(folder), 1u);
}

TEST(SafeOutputFile, RefusesDirectoriesAndMissingFolders) {
    const auto folder = TestFolder("refuse");
    fs::create_directory(folder / "dir.kvox");
    EXPECT_THROW(SafeOutputFile((folder / "dir.kvox").string()), FileError);
    EXPECT_THROW(SafeOutputFile((folder / "no" / "x.kvox").string()), FileError);
    EXPECT_EQ(test::EntriesIn(folder), 1u);
}

TEST(SafeOutputFile, RetriesShortWritesAndReportsAFullDisk) {
    const auto folder = TestFolder("full");
    const auto target = folder / "out.kvo";
    {
        const WriteSeam seam(10);
        SafeOutputFile output(target.string());
        output.stream().write("0123456789", 10);  // 3+3+3+1 bytes with interruptions between
        try {
            output.stream().write("x", 1);
            FAIL() << "write past the budget accepted";
        } catch (const FileError& error) {
            EXPECT_EQ(error.errorCode(), ENOSPC);
            EXPECT_NE(std::string(error.what()).find(target.string()), std::string::npos);
        }
        output.commit();
    }
    EXPECT_EQ(ReadBytes(target), "0123456789");
}

}  // namespace
}  // namespace kvo

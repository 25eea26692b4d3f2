// What kvox makes of the names it is given: folders, extensions in any letter case, and a
// recording forced through a restore.

#include <gtest/gtest.h>

#include <filesystem>

#include "kvoxrun.h"
#include "testfiles.h"

namespace kvo::cli {
namespace {

namespace fs = std::filesystem;
using test::Kvox;
using test::KvoxRun;
using test::ReadBytes;
using test::WriteBytes;

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

constexpr std::size_t kPassportLength = 24;

std::string RecordingBytes(std::uint64_t records) {
    return test::Passport(kPassportLength) + test::Records(records, 5);
}

TEST(KvoxNames, AFolderIsCalledOneAndPointsToRecursive) {
    const auto folder = test::CleanFolder("kvox-folder");
    fs::create_directory(folder / "runs.kvo");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{(folder / "runs.kvo").string()},
          std::vector<std::string>{folder.string()},
          std::vector<std::string>{"-z", folder.string()},
          std::vector<std::string>{"-l", folder.string()},
          std::vector<std::string>{"-t", (folder / "runs.kvo").string()}}) {
        const KvoxRun run = Kvox(args);
        EXPECT_EQ(run.status, kExitError) << args[0];
        EXPECT_TRUE(Has(run.err, ": это папка; файлы .kvo и .kvox в папках обрабатывает -r"))
            << run.err;
        EXPECT_FALSE(Has(run.err, "расширение")) << run.err;
    }
}

TEST(KvoxNames, ExtensionsInAnyLetterCaseKeepTheirLetters) {
    const auto folder = test::CleanFolder("kvox-case");
    const std::string original = RecordingBytes(600);
    // Names that differ in more than case, for file systems that ignore it.
    for (const char* name : {"UP.KVO", "mix.KvO", "low.kvo"}) {
        WriteBytes(folder / name, original);
    }
    ASSERT_EQ(Kvox({"-r", folder.string()}).status, kExitSuccess);
    EXPECT_EQ(test::EntriesIn(folder), 6u);
    for (const char* name : {"UP.KVOX", "mix.KvOX", "low.kvox"}) {
        EXPECT_TRUE(fs::exists(folder / name)) << name;
        EXPECT_EQ(Kvox({"-t", (folder / name).string()}).status, kExitSuccess) << name;
        EXPECT_EQ(Kvox({"-l", (folder / name).string()}).status, kExitSuccess) << name;
    }

    fs::remove(folder / "UP.KVO");
    fs::remove(folder / "mix.KvO");
    EXPECT_EQ(Kvox({(folder / "UP.KVOX").string(), (folder / "mix.KvOX").string()}).status,
              kExitSuccess);
    EXPECT_TRUE(ReadBytes(folder / "UP.KVO") == original);
    EXPECT_TRUE(ReadBytes(folder / "mix.KvO") == original);
}

TEST(KvoxNames, ARecordingForcedThroughARestoreIsNoCompressedFile) {
    const auto folder = test::CleanFolder("kvox-forced");
    const auto recording = folder / "a.kvo";
    WriteBytes(recording, RecordingBytes(600));
    WriteBytes(folder / "a.dat", RecordingBytes(600));
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"-d", recording.string()},
          std::vector<std::string>{"-d", "-t", recording.string()},
          std::vector<std::string>{"-d", "-l", recording.string()},
          std::vector<std::string>{"-t", (folder / "a.dat").string()}}) {
        const KvoxRun run = Kvox(args);
        EXPECT_EQ(run.status, kExitError) << args[1];
        EXPECT_TRUE(Has(run.err,
                        ": не сжатый файл: данные за паспортом не начинаются со "
                        "сжатого блока; запись .kvo сжимается без -d"))
            << run.err;
        EXPECT_FALSE(Has(run.err, "поврежден")) << run.err;
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(test::EntriesIn(folder), 2u);

    // A compressed file under another name restores as one.
    ASSERT_EQ(Kvox({"-o", (folder / "a.bin").string(), recording.string()}).status, kExitSuccess);
    EXPECT_EQ(Kvox({"-d", "-o", (folder / "b.kvo").string(), (folder / "a.bin").string()}).status,
              kExitSuccess);
    EXPECT_TRUE(ReadBytes(folder / "b.kvo") == ReadBytes(recording));

    // A file named as compressed whose first block is broken is damaged, as before.
    const auto compressed = folder / "c.kvox";
    std::string bytes = ReadBytes(folder / "a.bin");
    bytes[kPassportLength + 3] = '\x7f';  // the first length word
    WriteBytes(compressed, bytes);
    const KvoxRun damaged = Kvox({compressed.string()});
    EXPECT_EQ(damaged.status, kExitError);
    EXPECT_TRUE(Has(damaged.err, "поврежден")) << damaged.err;
}

}  // namespace
}  // namespace kvo::cli

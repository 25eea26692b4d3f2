#include "cli/kvox.h"

#include <gtest/gtest.h>

#include <sstream>

#include "convert/convertfile.h"
#include "convert/storedblocks.h"
#include "platform/interruption.h"
#include "synth/kvosynth.h"
#include "testfiles.h"

namespace kvo::cli {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::WriteBytes;

struct KvoxRun {
    int status;
    std::string out;
    std::string err;
};

KvoxRun Kvox(const std::vector<std::string>& args) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = RunKvox(args, {out, err, false});
    return {status, out.str(), err.str()};
}

// A synthetic recording in a clean folder; `tail` bytes of a partial record at its end.
fs::path Recording(const std::string& folderName, synth::Kind kind, std::uint64_t records,
                   const std::string& tail = "") {
    const auto folder = test::CleanFolder("kvox-" + folderName);
    const auto bytes = synth::makeRecording(kind, records, 7);
    WriteBytes(folder / "a.kvo", std::string(bytes.begin(), bytes.end()) + tail);
    return folder / "a.kvo";
}

std::uint32_t ReadPassportLengthOf(const fs::path& path) {
    auto stream = FileStream::OpenRead(path.string());
    return ReadPassportLength(stream);
}

std::string ModuleCompressed(const fs::path& source, const BlockPlan& plan) {
    auto stream = FileStream::OpenRead(source.string());
    const auto target = source.string() + ".module";
    CompressFile(stream, ReadPassportLength(stream), plan, target, nullptr);
    return ReadBytes(target);
}

TEST(Kvox, WritesWhatTheModuleWritesWithAnyThreadCount) {
    const auto source = Recording("same", synth::Kind::TipTiming, 5000);
    const std::string original = ReadBytes(source);
    const auto compressed = source.parent_path() / "a.kvox";
    const std::uint64_t dataSize = original.size() - ReadPassportLengthOf(source);

    ASSERT_EQ(Kvox({"-T1", "-b", "6000", source.string()}).status, kExitSuccess);
    EXPECT_EQ(ReadBytes(compressed), ModuleCompressed(source, CoveringBlocks(dataSize, 6000)));
    const std::string one = ReadBytes(compressed);
    ASSERT_EQ(Kvox({"-f", "-T4", "-b", "6000", source.string()}).status, kExitSuccess);
    EXPECT_EQ(ReadBytes(compressed), one);

    ASSERT_EQ(Kvox({"-f", source.string()}).status, kExitSuccess);
    EXPECT_EQ(ReadBytes(compressed), ModuleCompressed(source, DefaultBlocks(dataSize)));

    fs::remove(source);
    ASSERT_EQ(Kvox({"-T3", compressed.string()}).status, kExitSuccess);
    EXPECT_EQ(ReadBytes(source), original);
    EXPECT_EQ(Kvox({"-t", compressed.string()}).status, kExitSuccess);
}

TEST(Kvox, NeverReplacesAnOutputWithoutForce) {
    const auto source = Recording("force", synth::Kind::Runs, 600);
    const auto target = source.parent_path() / "out.x";
    WriteBytes(target, "keep me");
    const KvoxRun refused = Kvox({"-o", target.string(), source.string()});
    EXPECT_EQ(refused.status, kExitError);
    EXPECT_NE(refused.err.find("уже существует"), std::string::npos);
    EXPECT_EQ(ReadBytes(target), "keep me");

    EXPECT_EQ(Kvox({"-f", "-o", target.string(), source.string()}).status, kExitSuccess);
    EXPECT_NE(ReadBytes(target), "keep me");
    // Not even with -f over the source itself.
    const std::string original = ReadBytes(source);
    EXPECT_EQ(Kvox({"-zf", "-o", source.string(), source.string()}).status, kExitError);
    EXPECT_EQ(ReadBytes(source), original);
}

TEST(Kvox, ExitStatusesAndMessages) {
    const auto source = Recording("status", synth::Kind::TipTiming, 600, "abc");
    const auto folder = source.parent_path();
    const KvoxRun warned = Kvox({source.string()});
    EXPECT_EQ(warned.status, kExitWarning);
    EXPECT_NE(warned.err.find("3 байт"), std::string::npos);
    EXPECT_EQ(Kvox({"-q", "-f", source.string()}).err, "");

    const KvoxRun missing = Kvox({"-f", source.string(), (folder / "none.kvo").string()});
    EXPECT_EQ(missing.status, kExitError);
    EXPECT_NE(missing.err.find("none.kvo: Не удалось открыть файл"), std::string::npos);
    EXPECT_NE(missing.err.find("нет такого файла или каталога (ошибка 2)"), std::string::npos);

    WriteBytes(folder / "b.txt", "x");
    EXPECT_EQ(Kvox({(folder / "b.txt").string()}).status, kExitError);
    EXPECT_EQ(Kvox({}).status, kExitError);
    EXPECT_EQ(Kvox({"-o", "x", "a", "b"}).status, kExitError);
    EXPECT_EQ(Kvox({"--version"}).out, "kvox " KVO_TEST_VERSION "\n");
    EXPECT_EQ(Kvox({"--help"}).status, kExitSuccess);

    // A LeadByte the codec cannot carry: refused, and no output appears.
    std::string bad = ReadBytes(source);
    bad[bad.size() - 3 - 6] = static_cast<char>(0xC0);
    WriteBytes(folder / "bad.kvo", bad);
    const KvoxRun uncodable = Kvox({(folder / "bad.kvo").string()});
    EXPECT_EQ(uncodable.status, kExitError);
    EXPECT_NE(uncodable.err.find("записи № 600"), std::string::npos);
    EXPECT_FALSE(fs::exists(folder / "bad.kvox"));
}

TEST(Kvox, TestAndListReportTheFirstDamagedBlock) {
    const auto source = Recording("damaged", synth::Kind::TipTiming, 3000);
    const auto compressed = source.parent_path() / "a.kvox";
    ASSERT_EQ(Kvox({"-b", "6000", source.string()}).status, kExitSuccess);
    std::string bytes = ReadBytes(compressed);
    const KvoxRun listed = Kvox({"-l", "--json", compressed.string()});
    EXPECT_EQ(listed.status, kExitSuccess);
    EXPECT_NE(listed.out.find("\"blocks\":3,"), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("\"records\":3000,"), std::string::npos);
    EXPECT_NE(Kvox({"-l", source.string()}).out.find("Записей = 3000, блоков = 1"),
              std::string::npos);

    // Cut short: the last block runs past the end of the file.
    bytes.resize(bytes.size() - 1);
    WriteBytes(compressed, bytes);
    const KvoxRun tested = Kvox({"-t", compressed.string()});
    EXPECT_EQ(tested.status, kExitError);
    EXPECT_NE(tested.err.find("блок 3"), std::string::npos) << tested.err;
    EXPECT_EQ(Kvox({"-l", compressed.string()}).status, kExitError);
    EXPECT_EQ(Kvox({"-t", source.string()}).status, kExitError);  // not a compressed file

    fs::remove(source);
    EXPECT_EQ(Kvox({compressed.string()}).status, kExitError);
    EXPECT_FALSE(fs::exists(source));
}

TEST(Kvox, InterruptionRemovesTheUnfinishedOutput) {
    const auto source = Recording("interrupt", synth::Kind::Random, 3000);
    const auto second = source.parent_path() / "b.kvo";
    fs::copy_file(source, second);
    RequestInterruption();  // as if Ctrl-C came during the first block
    const KvoxRun run = Kvox({"-b", "600", source.string(), second.string()});
    ClearInterruption();
    EXPECT_EQ(run.status, kExitError);
    EXPECT_NE(run.err.find("прервано"), std::string::npos);
    EXPECT_EQ(test::EntriesIn(source.parent_path()), 2u);  // the sources alone
}

}  // namespace
}  // namespace kvo::cli

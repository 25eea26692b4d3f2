#include "cli/kvox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "convert/convertfile.h"
#include "convert/storedblocks.h"
#include "kvoxrun.h"
#include "platform/buildrevision.h"
#include "platform/interruption.h"
#include "posixtools.h"
#include "synth/kvosynth.h"
#include "testfiles.h"

namespace kvo::cli {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::WriteBytes;

using test::Kvox;
using test::KvoxRun;

// A synthetic recording in a clean folder; `tail` bytes of a partial record at its end.
fs::path Recording(const std::string& folderName, synth::Kind kind, std::uint64_t records,
                   const std::string& tail = "") {
    return test::SyntheticRecording("kvox-" + folderName, kind, records, 7, tail);
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
    EXPECT_NE(warned.err.find("последние 3 байта (неполная запись) не сохранены"),
              std::string::npos)
        << warned.err;
    EXPECT_EQ(Kvox({"-q", "-f", source.string()}).err, "");

    const KvoxRun missing = Kvox({"-f", source.string(), (folder / "none.kvo").string()});
    EXPECT_EQ(missing.status, kExitError);
    EXPECT_NE(missing.err.find("none.kvo: Не удалось открыть файл"), std::string::npos);
    EXPECT_NE(missing.err.find("нет такого файла или каталога (ошибка 2)"), std::string::npos);

    WriteBytes(folder / "b.txt", "x");
    EXPECT_EQ(Kvox({(folder / "b.txt").string()}).status, kExitError);
    EXPECT_EQ(Kvox({}).status, kExitError);
    EXPECT_EQ(Kvox({"-o", "x", "a", "b"}).status, kExitError);
    // The version names the source revision, as the window's about box does.
    EXPECT_EQ(Kvox({"--version"}).out,
              std::string("kvox " KVO_TEST_VERSION " (ревизия ") + BuildRevision() + ")\n");
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

TEST(Kvox, CountsAgreeWithTheirNouns) {
    const auto source = Recording("agree", synth::Kind::TipTiming, 600, "a");
    const KvoxRun warned = Kvox({"-v", source.string()});
    EXPECT_EQ(warned.status, kExitWarning);
    EXPECT_NE(warned.err.find("последний 1 байт (неполная запись) не сохранён"), std::string::npos)
        << warned.err;
    EXPECT_NE(warned.err.find(", 1 блок, "), std::string::npos) << warned.err;
    EXPECT_NE(Kvox({"-l", source.string()}).out.find("Неполная запись в конце: 1 байт\n"),
              std::string::npos);
    const KvoxRun tested = Kvox({"-v", "-t", (source.parent_path() / "a.kvox").string()});
    EXPECT_NE(tested.err.find("в порядке: 1 блок\n"), std::string::npos) << tested.err;
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

TEST(Kvox, ZerosBehindTheBlocksAreDamage) {
    const auto source = Recording("zeros", synth::Kind::TipTiming, 3000);
    const auto compressed = source.parent_path() / "a.kvox";
    ASSERT_EQ(Kvox({"-b", "6000", source.string()}).status, kExitSuccess);
    WriteBytes(compressed, ReadBytes(compressed) + std::string(16 << 20, '\0'));
    const KvoxRun listed = Kvox({"-l", compressed.string()});
    EXPECT_EQ(listed.status, kExitError);
    EXPECT_NE(listed.err.find("файл поврежден: блок 4 не восстанавливается: в нём 0 записей"),
              std::string::npos)
        << listed.err;
    EXPECT_NE(listed.out.find("Записей = 3000, блоков = 3,"), std::string::npos) << listed.out;
    EXPECT_EQ(listed.out.find("степень сжатия"), std::string::npos) << listed.out;
    const KvoxRun json = Kvox({"-l", "--json", compressed.string()});
    EXPECT_EQ(json.status, kExitError);
    EXPECT_NE(json.out.find("\"damaged_block\":4,\"damage\":\"не восстанавливается: "),
              std::string::npos)
        << json.out;
}

TEST(Kvox, InterruptionStopsTheBlockWalkOfAListing) {
    const auto source = Recording("walkstop", synth::Kind::TipTiming, 3000);
    ASSERT_EQ(Kvox({"-b", "600", source.string()}).status, kExitSuccess);
    RequestInterruption();
    const KvoxRun run = Kvox({"-l", (source.parent_path() / "a.kvox").string()});
    ClearInterruption();
    EXPECT_EQ(run.status, kExitError);
    EXPECT_NE(run.err.find("прерван"), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
}

// A recording whose Signature clears the screen and whose MarkName forges a line of its own.
TEST(Kvox, ListingEscapesControlCharactersOfThePassport) {
    const auto folder = test::CleanFolder("kvox-hostile");
    const std::string mark = "x\r\nRecords = 0\x1b]0;t\x07";
    std::string passport = "\x1b[2J\r\n";
    passport += std::string("\0\0\0\0\x01\0\x01\0\x05\0\x00", 11);
    passport += static_cast<char>(mark.size());
    passport += mark + std::string(2 + 8 + 2, '\0');
    passport[6] = static_cast<char>(passport.size());
    WriteBytes(folder / "h.kvo", passport + test::Records(12, 1));
    const KvoxRun listed = Kvox({"-l", (folder / "h.kvo").string()});
    ASSERT_EQ(listed.status, kExitSuccess) << listed.err;
    EXPECT_EQ(listed.out.find("\x1b"), std::string::npos);
    EXPECT_EQ(listed.out.find('\r'), std::string::npos);
    EXPECT_EQ(listed.out.find('\x07'), std::string::npos);
    EXPECT_NE(listed.out.find("  \\x1B[2J\\x0D\\x0A\n"), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("Имя отм. x\\x0D\\x0ARecords = 0\\x1B]0;t\\x07  Тип"),
              std::string::npos)
        << listed.out;
    // File, seven passport lines, sizes, records: nothing forged in between.
    EXPECT_EQ(std::count(listed.out.begin(), listed.out.end(), '\n'), 10);
}

TEST(Kvox, JsonListingOfAFileNameThatIsNotUtf8Parses) {
    const auto folder = test::CleanFolder("kvox-name");
    if (!test::NamesHoldAnyByte(folder)) {
        GTEST_SKIP() << "every file name here is Unicode";
    }
    const auto source = folder / "a\xff\xfe.kvo";
    WriteBytes(source, test::Passport(24) + test::Records(12, 1));
    const KvoxRun listed = Kvox({"-l", "--json", source.string()});
    ASSERT_EQ(listed.status, kExitSuccess) << listed.err;
    EXPECT_NE(listed.out.find("a\\ufffd\\ufffd.kvo"), std::string::npos) << listed.out;
    if (std::system("command -v python3 >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "python3 is needed to parse the output";
    }
    const auto saved = folder / "listing.json";
    WriteBytes(saved, listed.out);
    const std::string parse =
        "python3 -c 'import json, sys\nfor line in open(sys.argv[1], "
        "encoding=\"utf-8\"): json.loads(line)' " +
        saved.string();
    EXPECT_EQ(std::system(parse.c_str()), 0) << listed.out;
}

// Standard output that takes nothing, like a full disk behind it.
class RefusingBuffer : public std::streambuf {
  protected:
    int_type overflow(int_type) override { return traits_type::eof(); }
    std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
};

TEST(Kvox, AFailedWriteToStandardOutputIsAnError) {
    const auto source = Recording("full", synth::Kind::Runs, 600);
    RefusingBuffer refusing;
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"-l", source.string()},
          std::vector<std::string>{"-l", "--json", source.string()},
          std::vector<std::string>{"--version"}, std::vector<std::string>{"--help"}}) {
        std::ostream out(&refusing);
        std::ostringstream err;
        EXPECT_EQ(RunKvox(args, {out, err, false}), kExitError) << args[0];
        EXPECT_NE(err.str().find("не удалось записать"), std::string::npos) << err.str();
    }
}

TEST(Kvox, AnOutputPathThatCannotBeExaminedIsARussianError) {
    const auto source = Recording("longname", synth::Kind::Runs, 600);
    const auto target = source.parent_path() / (std::string(300, 'n') + ".kvox");
    const KvoxRun run = Kvox({"-o", target.string(), source.string()});
    EXPECT_EQ(run.status, kExitError);
    EXPECT_NE(run.err.find("слишком длинное имя файла (ошибка "), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("filesystem"), std::string::npos);
}

}  // namespace
}  // namespace kvo::cli

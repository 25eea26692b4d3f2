// kvox as the keeper of the only copy: it never writes over one of its own inputs, keeps a
// checksum beside an archive on request, salvages damaged archives and reports what happened.

#include <gtest/gtest.h>
#include <unistd.h>

#include <sstream>

#include "cli/kvox.h"
#include "kvoxrun.h"
#include "platform/filestream.h"
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

fs::path Recording(const std::string& name, std::uint64_t records) {
    return test::SyntheticRecording("kvox-trust-" + name, synth::Kind::TipTiming, records, 3);
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(KvoxTrust, NeverWritesOverItsOwnInputs) {
    const auto source = Recording("inputs", 3000);
    const auto folder = source.parent_path();
    ASSERT_EQ(Kvox({source.string()}).status, kExitSuccess);
    const std::string archive = ReadBytes(folder / "a.kvox");
    // The recording is now one that cannot be compressed; the archive is from before.
    std::string recording = ReadBytes(source);
    recording[recording.size() - 6] = static_cast<char>(200);
    WriteBytes(source, recording);

    const KvoxRun run = Kvox({"-f", source.string(), (folder / "a.kvox").string()});
    EXPECT_EQ(run.status, kExitError);
    EXPECT_TRUE(Has(run.err, "один из входных файлов")) << run.err;
    EXPECT_EQ(ReadBytes(source), recording);
    EXPECT_EQ(ReadBytes(folder / "a.kvox"), archive);
}

TEST(KvoxTrust, ChecksumFileIsWrittenAndChecked) {
    const auto source = Recording("checksum", 3000);
    const auto archive = source.parent_path() / "a.kvox";
    ASSERT_EQ(Kvox({"--checksum", "-b", "6000", source.string()}).status, kExitSuccess);
    const auto sums = source.parent_path() / "a.kvox.sha256";
    ASSERT_TRUE(fs::exists(sums));
    if (test::HavePosixShell()) {
        const std::string check =
            "cd '" + source.parent_path().string() + "' && sha256sum --status -c a.kvox.sha256";
        EXPECT_EQ(std::system(check.c_str()), 0) << ReadBytes(sums);
    }
    EXPECT_EQ(Kvox({"--checksum", source.string()}).status, kExitError);  // both are in the way

    const KvoxRun sound = Kvox({"-v", "-t", archive.string()});
    EXPECT_EQ(sound.status, kExitSuccess);
    EXPECT_TRUE(Has(sound.err, "совпадает")) << sound.err;

    // A flipped FirstWord leaves every block consistent: only the checksum can tell.
    std::string bytes = ReadBytes(archive);
    const std::size_t firstWords = bytes.size() - 2000;
    bytes[firstWords] = static_cast<char>(bytes[firstWords] ^ 1);
    WriteBytes(archive, bytes);
    const KvoxRun damaged = Kvox({"-t", archive.string()});
    EXPECT_EQ(damaged.status, kExitError);
    EXPECT_TRUE(Has(damaged.err, "контрольная сумма")) << damaged.err;

    fs::remove(sums);
    const KvoxRun unchecked = Kvox({"-t", archive.string()});
    EXPECT_EQ(unchecked.status, kExitSuccess);
    EXPECT_TRUE(Has(unchecked.err, "только структура")) << unchecked.err;
}

TEST(KvoxTrust, SalvageReportsGapsAndKeepsTheRest) {
    const auto source = Recording("salvage", 3000);
    const auto folder = source.parent_path();
    ASSERT_EQ(Kvox({"-b", "6000", source.string()}).status, kExitSuccess);
    const std::string original = ReadBytes(source);
    const auto archive = folder / "a.kvox";
    std::string bytes = ReadBytes(archive);
    const std::size_t passport = original.size() - 3000 * 6;
    // A SecondWord run count of the last block: its lengths still hold together.
    std::string damaged = bytes;
    damaged[bytes.size() - 30] = static_cast<char>(damaged[bytes.size() - 30] ^ 0x55);
    WriteBytes(archive, damaged);
    fs::remove(source);

    const KvoxRun run = Kvox({"--salvage", "--json", archive.string()});
    EXPECT_EQ(run.status, kExitWarning) << run.err;
    EXPECT_TRUE(Has(run.err, "блок 3 не восстановлен")) << run.err;
    EXPECT_TRUE(Has(run.out, "\"gaps\":[{\"block\":3")) << run.out;
    const std::string salvaged = ReadBytes(source);
    ASSERT_EQ(salvaged.size(), original.size());
    EXPECT_EQ(salvaged.substr(0, passport + 2000 * 6), original.substr(0, passport + 2000 * 6));
    EXPECT_EQ(salvaged.substr(passport + 2000 * 6), std::string(1000 * 6, '\0'));

    EXPECT_EQ(Kvox({"--salvage", archive.string()}).status, kExitError);  // never over a file
    EXPECT_EQ(ReadBytes(source), salvaged);

    WriteBytes(archive, bytes.substr(0, passport + 100));
    fs::remove(source);
    EXPECT_EQ(Kvox({"--salvage", archive.string()}).status, kExitError);
    EXPECT_FALSE(fs::exists(source));
}

// A request that comes once the last block is written finds the output complete.
WriteOutcome InterruptingWrite(NativeHandle handle, std::uint64_t offset, const void* data,
                               std::size_t count) {
    if (count > 64 && std::string(static_cast<const char*>(data) + 64, 2) == "  ") {
        RequestInterruption();  // the checksum line, written while the run commits
    }
    return SystemWrite(handle, offset, data, count);
}

TEST(KvoxTrust, AnInterruptionDuringTheCommitKeepsAndReportsTheResult) {
    const auto source = Recording("late-interrupt", 3000);
    SetWriteFunction(&InterruptingWrite);
    const KvoxRun run = Kvox({"--checksum", source.string()});
    SetWriteFunction(nullptr);
    const bool interrupted = Interrupted();
    ClearInterruption();
    EXPECT_TRUE(interrupted);
    EXPECT_EQ(run.status, kExitSuccess) << run.err;
    EXPECT_EQ(Kvox({"-t", (source.parent_path() / "a.kvox").string()}).status, kExitSuccess);
}

TEST(KvoxTrust, DevicesAreWrittenWithoutForce) {
    if (!fs::exists("/dev/null")) {
        GTEST_SKIP() << "no /dev/null on this system";
    }
    const auto source = Recording("device", 600);
    EXPECT_EQ(Kvox({"-o", "/dev/null", source.string()}).status, kExitSuccess);
    EXPECT_EQ(Kvox({"--no-verify", "-o", "/dev/null", source.string()}).status, kExitSuccess);
    EXPECT_EQ(Kvox({"--checksum", "-o", "/dev/null", source.string()}).status, kExitError);
}

}  // namespace
}  // namespace kvo::cli

// The checksum file beside an archive: every restore heeds it, every archive written over keeps
// it current, it is written whole with its archive or not at all, it is read in every form
// sha256sum writes, and one far too large is refused.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "kvoxrun.h"
#include "platform/visibletext.h"
#include "posixtools.h"
#include "synth/kvosynth.h"
#include "testfiles.h"

namespace kvo::cli {
namespace {

namespace fs = std::filesystem;
using test::Kvox;
using test::KvoxRun;
using test::ReadBytes;
using test::WriteBytes;

constexpr std::uint64_t kRecords = 3000;

fs::path Recording(const std::string& name) {
    return test::SyntheticRecording("kvox-checksum-" + name, synth::Kind::TipTiming, kRecords, 5);
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// What `sha256sum -c` says of a checksum file, run in its folder as the manual tells; where there
// is no sha256sum to ask, kvox's own reading of the file stands alone.
bool Sha256sumAccepts(const fs::path& sums) {
    if (!test::HavePosixShell()) {
        return true;
    }
    const std::string command = "cd '" + sums.parent_path().string() +
                                "' && sha256sum --status -c '" + sums.filename().string() + "'";
    return std::system(command.c_str()) == 0;
}

// Flips a bit of the first FirstWord: every block stays consistent and restores, to other records.
void DamageAFirstWord(const fs::path& archive, std::size_t passportLength) {
    std::string bytes = ReadBytes(archive);
    const std::size_t at = passportLength + 4 + 10;
    bytes[at] = static_cast<char>(bytes[at] ^ 1);
    WriteBytes(archive, bytes);
}

std::size_t PassportLength(const fs::path& recording) {
    return ReadBytes(recording).size() - kRecords * 6;
}

TEST(KvoxChecksum, EveryRestoreHeedsTheChecksumFile) {
    const auto source = Recording("restore");
    const auto archive = source.parent_path() / "a.kvox";
    const auto restored = source.parent_path() / "b.kvo";
    ASSERT_EQ(Kvox({"--checksum", "-b", "6000", source.string()}).status, kExitSuccess);
    const std::string recording = ReadBytes(source);

    ASSERT_EQ(Kvox({"-o", restored.string(), archive.string()}).status, kExitSuccess);
    EXPECT_EQ(ReadBytes(restored), recording);
    fs::remove(restored);

    DamageAFirstWord(archive, PassportLength(source));
    const KvoxRun plain = Kvox({"-o", restored.string(), archive.string()});
    EXPECT_EQ(plain.status, kExitError);
    EXPECT_TRUE(Has(plain.err, "контрольная сумма SHA-256 не совпадает")) << plain.err;
    EXPECT_FALSE(fs::exists(restored));

    const KvoxRun tested = Kvox({"-t", archive.string()});
    EXPECT_EQ(tested.status, kExitError);
    EXPECT_TRUE(Has(tested.err, "контрольная сумма SHA-256 не совпадает")) << tested.err;

    // Salvage saves what it can all the same, and warns.
    const KvoxRun salvaged = Kvox({"--salvage", "-o", restored.string(), archive.string()});
    EXPECT_EQ(salvaged.status, kExitWarning) << salvaged.err;
    EXPECT_TRUE(Has(salvaged.err, "контрольная сумма SHA-256 не совпадает")) << salvaged.err;
    EXPECT_EQ(ReadBytes(restored).size(), recording.size());
}

TEST(KvoxChecksum, AnArchiveWrittenOverGetsItsChecksumRewritten) {
    const auto source = Recording("over");
    const auto archive = source.parent_path() / "a.kvox";
    const auto sums = source.parent_path() / "a.kvox.sha256";
    ASSERT_EQ(Kvox({"--checksum", source.string()}).status, kExitSuccess);
    const std::string oldSums = ReadBytes(sums);

    ASSERT_EQ(Kvox({"-f", "-b", "6000", source.string()}).status, kExitSuccess);
    EXPECT_NE(ReadBytes(sums), oldSums);
    EXPECT_TRUE(Sha256sumAccepts(sums)) << ReadBytes(sums);
    const KvoxRun tested = Kvox({"-v", "-t", archive.string()});
    EXPECT_EQ(tested.status, kExitSuccess) << tested.err;
    EXPECT_TRUE(Has(tested.err, "контрольная сумма SHA-256 совпадает")) << tested.err;

    // Without -f a checksum file is in the way as the archive is: it would be left wrong.
    fs::remove(archive);
    const KvoxRun kept = Kvox({source.string()});
    EXPECT_EQ(kept.status, kExitError);
    EXPECT_TRUE(Has(kept.err, VisibleText(sums.string()))) << kept.err;
    EXPECT_FALSE(fs::exists(archive));
}

// Only compression writes a checksum file: asked for with a restore it would silently not be.
TEST(KvoxChecksum, ARestoreAskedForAChecksumIsRefused) {
    const auto source = Recording("restore-asked");
    const auto archive = source.parent_path() / "a.kvox";
    const auto restored = source.parent_path() / "b.kvo";
    ASSERT_EQ(Kvox({source.string()}).status, kExitSuccess);
    const KvoxRun run = Kvox({"--checksum", "-o", restored.string(), archive.string()});
    EXPECT_EQ(run.status, kExitError);
    EXPECT_TRUE(Has(run.err, "--checksum")) << run.err;
    EXPECT_FALSE(fs::exists(restored));
    EXPECT_FALSE(fs::exists(source.parent_path() / "a.kvox.sha256"));
}

TEST(KvoxChecksum, AChecksumNameThatCannotBeMadeWritesNothing) {
    const auto folder = test::CleanFolder("kvox-checksum-long");
    // The archive's name fits the file system's limit of 255 bytes; with ".sha256" it does not.
    const auto source = folder / (std::string(246, 'n') + ".kvo");
    fs::copy_file(Recording("long-source"), source);
    const KvoxRun run = Kvox({"--checksum", source.string()});
    EXPECT_EQ(run.status, kExitError);
    EXPECT_TRUE(Has(run.err, ".kvox.sha256")) << run.err;
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

TEST(KvoxChecksum, EveryFormSha256sumReadsIsRead) {
    const auto source = Recording("forms");
    const auto folder = source.parent_path();
    const auto archive = folder / "a.kvox";
    const auto sums = folder / "a.kvox.sha256";
    ASSERT_EQ(Kvox({"--checksum", source.string()}).status, kExitSuccess);
    const std::string hex = ReadBytes(sums).substr(0, 64);
    std::string upper = hex;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    for (const std::string& text : {
             hex + "  a.kvox\n",
             hex + " *a.kvox\n",
             upper + "  a.kvox\n",
             hex + "  ./a.kvox\n",
             "  \\" + hex + "\t a.kvox\r\n",
             "# made by hand\n\n" + hex + "  a.kvox\n" + hex + " *a.kvox",
             hex + " a.kvox\n",
             "SHA256 (a.kvox) = " + hex + "\n",
         }) {
        WriteBytes(sums, text);
        ASSERT_TRUE(Sha256sumAccepts(sums)) << text;
        const KvoxRun run = Kvox({"-v", "-t", archive.string()});
        EXPECT_EQ(run.status, kExitSuccess) << text << run.err;
        EXPECT_TRUE(Has(run.err, "совпадает")) << text << run.err;
    }
    // A digest of other bytes in any of these forms is damage.
    std::string wrong = hex;
    wrong[10] = wrong[10] == '0' ? '1' : '0';
    WriteBytes(sums, wrong + " *./a.kvox\n");
    EXPECT_EQ(Kvox({"-t", archive.string()}).status, kExitError);
}

TEST(KvoxChecksum, AnyFileNameIsWrittenAsSha256sumReadsIt) {
    const bool anyByte = test::NamesHoldAnyByte(test::CleanFolder("kvox-checksum-name"));
    for (const std::string& name : {std::string("with space"), std::string("back\\slash"),
                                    std::string("new\nline"), std::string("car\rriage")}) {
        if (!anyByte && name != "with space") {
            continue;  // not a name this file system can hold
        }
        const auto folder = test::CleanFolder("kvox-checksum-name");
        const auto source = folder / (name + ".kvo");
        fs::copy_file(Recording("name-source"), source);
        ASSERT_EQ(Kvox({"--checksum", source.string()}).status, kExitSuccess) << name;
        const auto sums = folder / (name + ".kvox.sha256");
        EXPECT_TRUE(Sha256sumAccepts(sums)) << ReadBytes(sums);
        const KvoxRun run = Kvox({"-v", "-t", (folder / (name + ".kvox")).string()});
        EXPECT_EQ(run.status, kExitSuccess) << name << run.err;
        EXPECT_TRUE(Has(run.err, "совпадает")) << name << run.err;
    }
}

TEST(KvoxChecksum, AnArchiveNamedWithoutItsFolderFindsItsLine) {
    const auto source = Recording("bare");
    ASSERT_EQ(Kvox({"--checksum", source.string()}).status, kExitSuccess);
    const auto previous = fs::current_path();
    fs::current_path(source.parent_path());
    const KvoxRun run = Kvox({"-v", "-t", "a.kvox"});
    fs::current_path(previous);
    EXPECT_EQ(run.status, kExitSuccess) << run.err;
    EXPECT_TRUE(Has(run.err, "совпадает")) << run.err;
}

TEST(KvoxChecksum, AChecksumFileFarTooLargeIsRefused) {
    const auto source = Recording("large");
    const auto archive = source.parent_path() / "a.kvox";
    const auto sums = source.parent_path() / "a.kvox.sha256";
    ASSERT_EQ(Kvox({source.string()}).status, kExitSuccess);
    WriteBytes(sums, std::string(std::size_t{1} << 20, 'f'));
    const KvoxRun large = Kvox({"-o", (source.parent_path() / "b.kvo").string(), archive.string()});
    EXPECT_EQ(large.status, kExitError);
    EXPECT_TRUE(Has(large.err, "слишком велик")) << large.err;
    EXPECT_FALSE(fs::exists(source.parent_path() / "b.kvo"));
}

}  // namespace
}  // namespace kvo::cli

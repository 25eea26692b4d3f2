// Compress and Restore through the controller on generated and crafted files: what is written,
// what is refused, and what the user is told.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "formtesting.h"
#include "platform/interruption.h"
#include "platform/sha256.h"
#include "synth/kvosynth.h"

namespace kvo::test {
namespace {

Bytes generated(synth::Kind kind, std::size_t records, std::uint64_t seed) {
    Bytes file = synth::makePassport(seed);
    const Bytes data = synth::makeRecords(kind, records, seed);
    file.insert(file.end(), data.begin(), data.end());
    return file;
}

bool hasLine(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// Recordings copied from Windows machines carry upper-case names; the counterpart keeps them.
TEST(FormConversion, UpperCaseNamesOpenAndKeepTheirLetters) {
    Form f;
    const auto folder = cleanFolder("conv-case");
    const Bytes original = generated(synth::Kind::TipTiming, 600, 2);
    writeBytes(folder / "UP.KVO", original);
    f.compress(folder / "UP.KVO", "");
    EXPECT_TRUE(hasLine(f.view.summary, "Путь " + (folder / "UP.KVOX").string()));
    ASSERT_TRUE(std::filesystem::exists(folder / "UP.KVOX"));

    std::filesystem::remove(folder / "UP.KVO");
    f.restore(folder / "UP.KVOX");
    EXPECT_TRUE(hasLine(f.view.summary, "Путь " + (folder / "UP.KVO").string()));
    EXPECT_TRUE(readBytes(folder / "UP.KVO") == original);
    EXPECT_TRUE(f.view.errors.empty());
}

TEST(FormConversion, SmallBlocksAreRefusedAndTheTargetIsLeftAlone) {
    Form f;
    const auto folder = cleanFolder("small-blocks");
    const auto source = folder / "twelve.kvo";
    const auto packed = folder / "twelve.kvox";
    writeBytes(source, plainRecording(72));
    writeBytes(packed, Bytes{'o', 'l', 'd'});

    f.compress(source, "24");
    ASSERT_EQ(f.view.errors.size(), 1u);
    EXPECT_TRUE(contains(f.view.errors[0], "72")) << f.view.errors[0];
    EXPECT_EQ(readBytes(packed), (Bytes{'o', 'l', 'd'}));
    EXPECT_TRUE(f.view.blockSizesEnabled);  // another size can be picked

    f.select("72");
    f.view.setNextAnswer(true);
    f.controller.compressCommand();
    EXPECT_EQ(f.view.errors.size(), 1u);
    EXPECT_GT(readBytes(packed).size(), 24u + 16u);
    EXPECT_EQ(f.view.progress, 24 + 72);
}

TEST(FormConversion, NoWritesNothingAndARepeatedRunWritesTheSameFile) {
    Form f;
    const auto folder = cleanFolder("no-and-repeat");
    const auto source = folder / "rec.kvo";
    const auto packed = folder / "rec.kvox";
    writeBytes(source, generated(synth::Kind::TipTiming, 1200, 5));

    f.compress(source, "", false);
    EXPECT_FALSE(std::filesystem::exists(packed));
    EXPECT_FALSE(f.view.blockSizesEnabled);
    EXPECT_TRUE(f.view.compressEnabled);

    f.view.setNextAnswer(true);
    f.controller.compressCommand();
    const Bytes first = readBytes(packed);
    f.view.setNextAnswer(true);
    f.controller.compressCommand();
    EXPECT_TRUE(f.view.errors.empty());
    EXPECT_FALSE(first.empty());
    EXPECT_TRUE(readBytes(packed) == first);

    f.restore(packed, false);
    EXPECT_TRUE(std::filesystem::exists(source));
    EXPECT_EQ(f.view.questions.size(), 4u);
}

TEST(FormConversion, LeadBytesAbove127AreRefusedWithTheirRecord) {
    Form f;
    const auto folder = cleanFolder("lead-byte");
    Bytes file = plainRecording(600);
    file[24 + 6 * 4] = 200;  // record 5
    writeBytes(folder / "high.kvo", file);
    f.compress(folder / "high.kvo", "600");
    ASSERT_EQ(f.view.errors.size(), 1u);
    EXPECT_TRUE(contains(f.view.errors[0], "5")) << f.view.errors[0];
    EXPECT_FALSE(std::filesystem::exists(folder / "high.kvox"));
}

// An archive written over keeps its checksum file current, and a restore heeds it.
TEST(FormConversion, TheChecksumFileBesideAnArchiveIsRewrittenAndHeeded) {
    Form f;
    const auto folder = cleanFolder("checksum");
    const auto source = folder / "rec.kvo";
    const Bytes original = generated(synth::Kind::Runs, 1800, 4);
    const std::size_t passportLength = original[6] | (original[7] << 8);
    writeBytes(source, original);
    const auto sums = folder / "rec.kvox.sha256";
    const std::string staleLine = std::string(64, '0') + "  rec.kvox\n";
    writeBytes(sums, Bytes(staleLine.begin(), staleLine.end()));

    f.compress(source, "3600");
    EXPECT_TRUE(f.view.errors.empty());
    // The line names the archive by its file name, as sha256sum -c reads it.
    const Bytes archive = readBytes(folder / "rec.kvox");
    Sha256 digest;
    digest.update(archive.data(), archive.size());
    const std::string line = digest.finishHex() + "  rec.kvox\n";
    EXPECT_EQ(readBytes(sums), Bytes(line.begin(), line.end()));
#ifndef _WIN32
    const std::string check =
        "cd '" + folder.string() + "' && sha256sum --status -c rec.kvox.sha256";
    EXPECT_EQ(std::system(check.c_str()), 0);
#endif

    // A flipped FirstWord: the blocks still restore, to other records.
    Bytes packed = readBytes(folder / "rec.kvox");
    packed[passportLength + 4 + 10] ^= 0x01;
    writeBytes(folder / "rec.kvox", packed);
    std::filesystem::remove(source);
    f.restore(folder / "rec.kvox");
    ASSERT_EQ(f.view.messages.size(), 1u);
    EXPECT_EQ(f.view.messages[0].text, "распаковка не состоялась");
    EXPECT_EQ(f.view.messages[0].caption, "файл поврежден");
    EXPECT_TRUE(contains(f.view.summary.back(), "контрольная сумма SHA-256"))
        << f.view.summary.back();
    EXPECT_TRUE(f.view.errors.empty());
    EXPECT_FALSE(std::filesystem::exists(source));
}

TEST(FormConversion, TargetThatIsAFolderEndsInTheErrorBox) {
    Form f;
    const auto folder = cleanFolder("folder-target");
    writeBytes(folder / "rec.kvo", plainRecording(600));
    std::filesystem::create_directory(folder / "rec.kvox");
    f.compress(folder / "rec.kvo", "600");
    ASSERT_EQ(f.view.errors.size(), 1u);
    EXPECT_TRUE(contains(f.view.errors[0], "rec.kvox")) << f.view.errors[0];
    EXPECT_TRUE(std::filesystem::is_directory(folder / "rec.kvox"));
    EXPECT_EQ(readBytes(folder / "rec.kvo"), plainRecording(600));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                            std::filesystem::directory_iterator()),
              2);
}

TEST(FormConversion, AReadOnlyTargetIsNotReplacedAndTheErrorBoxNamesIt) {
    Form f;
    const auto folder = cleanFolder("read-only-target");
    const auto source = folder / "rec.kvo";
    const auto packed = folder / "rec.kvox";
    const Bytes old = {'o', 'l', 'd'};
    using std::filesystem::perms;
    // Mode 444: nobody may write it, root included.
    const auto makeReadOnly = [](const std::filesystem::path& path) {
        std::filesystem::permissions(path,
                                     perms::owner_read | perms::group_read | perms::others_read);
    };
    // Windows deletes no read-only file: write access comes back before the file goes.
    const auto makeWritable = [](const std::filesystem::path& path) {
        std::filesystem::permissions(path, perms::owner_write, std::filesystem::perm_options::add);
    };
    const auto expectRefused = [&](const std::filesystem::path& target) {
        ASSERT_EQ(f.view.errors.size(), 1u) << target;
        EXPECT_TRUE(contains(f.view.errors[0], (target).string())) << f.view.errors[0];
        EXPECT_EQ(f.view.questions.back().caption, kPromptCaption);
        EXPECT_EQ(readBytes(target), old);
        EXPECT_EQ(std::filesystem::status(target).permissions() & perms::all,
                  perms::owner_read | perms::group_read | perms::others_read);
        EXPECT_TRUE(f.controller.session().TargetClosed());
        f.view.errors.clear();
    };

    writeBytes(source, plainRecording(600));
    writeBytes(packed, old);
    makeReadOnly(packed);
    f.compress(source, "600");
    expectRefused(packed);

    makeWritable(packed);
    std::filesystem::remove(packed);
    f.compress(source, "600");
    writeBytes(source, old);
    makeReadOnly(source);
    f.restore(packed);
    expectRefused(source);
    makeWritable(source);
}

// Termination or Ctrl-C during a run: it stops, leaves no output and holds nothing up with a box.
TEST(FormConversion, AnInterruptedRunWritesNothingAndShowsNoBox) {
    Form f;
    const auto folder = cleanFolder("interrupted");
    writeBytes(folder / "rec.kvo", plainRecording(600));
    RequestInterruption();
    f.compress(folder / "rec.kvo", "600");
    ClearInterruption();
    EXPECT_TRUE(f.view.errors.empty());
    EXPECT_FALSE(std::filesystem::exists(folder / "rec.kvox"));
    f.compress(folder / "rec.kvo", "600");
    EXPECT_TRUE(std::filesystem::exists(folder / "rec.kvox"));
}

}  // namespace
}  // namespace kvo::test

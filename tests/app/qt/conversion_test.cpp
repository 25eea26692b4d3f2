// Compress and Restore through the window's handlers, headless, on generated and crafted files.

#include <gtest/gtest.h>

#include <QTextCursor>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "apptesting.h"
#include "platform/interruption.h"
#include "synth/kvosynth.h"

namespace kvo::test {
namespace {

const QString kPrompt = QStringLiteral("Replace living File?");

Bytes generated(synth::Kind kind, std::size_t records, std::uint64_t seed) {
    Bytes file = synth::makePassport(seed);
    const Bytes data = synth::makeRecords(kind, records, seed);
    file.insert(file.end(), data.begin(), data.end());
    return file;
}

QString qpath(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

// Opens `path`, picks the block size item `item` (if given) and answers the prompt with `yes`.
void compress(Windows& w, const std::filesystem::path& path, const QString& item, bool yes = true) {
    w.open(path);
    if (!item.isEmpty()) {
        w.blockSizes().setCurrentIndex(w.blockSizes().findText(item));
    }
    w.desktop.setNextAnswer(yes);
    w.action("CompressAction").trigger();
}

void restore(Windows& w, const std::filesystem::path& path, bool yes = true) {
    w.open(path);
    w.desktop.setNextAnswer(yes);
    w.action("RestoreAction").trigger();
}

// Offset of block `index` (from 0) in a compressed file: walk the four section lengths.
std::size_t blockOffset(const Bytes& file, std::size_t passportLength, int index) {
    std::size_t at = passportLength;
    for (int b = 0; b < index; ++b) {
        for (int section = 0; section < 4; ++section) {
            const std::size_t length = file[at] | (file[at + 1] << 8) | (file[at + 2] << 16) |
                                       (static_cast<std::size_t>(file[at + 3]) << 24);
            at += 4 + length;
        }
    }
    return at;
}

TEST(Conversion, EveryKindOfRecordingComesBackByteForByte) {
    const auto folder = cleanFolder("round-trip");
    for (const auto kind : {synth::Kind::TipTiming, synth::Kind::Random, synth::Kind::Constant,
                            synth::Kind::Zeros, synth::Kind::Runs}) {
        Windows w;
        const auto source = folder / (std::string(synth::kindName(kind)) + ".kvo");
        const auto packed = std::filesystem::path(source).replace_extension(".kvox");
        const Bytes original = generated(kind, 3000, 11);
        writeBytes(source, original);

        compress(w, source, "600");  // five blocks of 100 records
        EXPECT_TRUE(w.desktop.errors.empty()) << w.desktop.errors.front().toStdString();
        ASSERT_EQ(w.desktop.questions.size(), 1u);
        EXPECT_EQ(w.desktop.questions[0].text, qpath(packed));
        EXPECT_EQ(w.desktop.questions[0].caption, kPrompt);
        EXPECT_EQ(w.desktop.questions[0].owner, &w.mainForm);
        EXPECT_EQ(w.progress().value(), static_cast<int>(original.size()));
        EXPECT_FALSE(w.blockSizes().isEnabled());
        EXPECT_TRUE(w.action("CompressAction").isEnabled());
        EXPECT_TRUE(w.mainForm.session().TargetClosed());

        std::filesystem::remove(source);
        restore(w, packed);
        EXPECT_TRUE(w.desktop.errors.empty());
        EXPECT_EQ(w.desktop.questions.back().text, qpath(source));
        EXPECT_TRUE(w.desktop.messages.empty());
        EXPECT_EQ(w.progress().value(), w.progress().maximum());
        EXPECT_TRUE(readBytes(source) == original) << synth::kindName(kind);
    }
}

// Recordings copied from Windows machines carry upper-case names; the counterpart keeps them.
TEST(Conversion, UpperCaseNamesOpenAndKeepTheirLetters) {
    Windows w;
    const auto folder = cleanFolder("conv-case");
    const Bytes original = generated(synth::Kind::TipTiming, 600, 2);
    writeBytes(folder / "UP.KVO", original);
    compress(w, folder / "UP.KVO", QString());
    EXPECT_TRUE(w.summaryLines().contains("Путь " + qpath(folder / "UP.KVOX")));
    ASSERT_TRUE(std::filesystem::exists(folder / "UP.KVOX"));

    std::filesystem::remove(folder / "UP.KVO");
    restore(w, folder / "UP.KVOX");
    EXPECT_TRUE(w.summaryLines().contains("Путь " + qpath(folder / "UP.KVO")));
    EXPECT_TRUE(readBytes(folder / "UP.KVO") == original);
    EXPECT_TRUE(w.desktop.errors.empty());
}

TEST(Conversion, SmallBlocksAreRefusedAndTheTargetIsLeftAlone) {
    Windows w;
    const auto folder = cleanFolder("small-blocks");
    const auto source = folder / "twelve.kvo";
    const auto packed = folder / "twelve.kvox";
    writeBytes(source, plainRecording(72));
    writeBytes(packed, Bytes{'o', 'l', 'd'});

    compress(w, source, "24");
    ASSERT_EQ(w.desktop.errors.size(), 1u);
    EXPECT_TRUE(w.desktop.errors[0].contains("72")) << w.desktop.errors[0].toStdString();
    EXPECT_EQ(readBytes(packed), (Bytes{'o', 'l', 'd'}));
    EXPECT_TRUE(w.blockSizes().isEnabled());  // another size can be picked

    w.blockSizes().setCurrentIndex(w.blockSizes().findText("72"));
    w.desktop.setNextAnswer(true);
    w.action("CompressAction").trigger();
    EXPECT_EQ(w.desktop.errors.size(), 1u);
    EXPECT_GT(readBytes(packed).size(), 24u + 16u);
    EXPECT_EQ(w.progress().value(), 24 + 72);
}

// Whether every line of the summary box lies inside what it shows.
bool everySummaryLineVisible(const Windows& w) {
    QCoreApplication::processEvents();
    const QPlainTextEdit& box = w.summary();
    QTextCursor end(box.document());
    end.movePosition(QTextCursor::End);
    QTextCursor start(box.document());
    return box.cursorRect(start).top() >= 0 &&
           box.cursorRect(end).bottom() < box.viewport()->height();
}

TEST(Conversion, ALongPathKeepsEverySummaryLineInSight) {
    Windows w;
    w.mainForm.show();
    const auto folder = cleanFolder(std::string(60, 'p')) / std::string(120, 'q');
    std::filesystem::create_directories(folder);
    const auto source = folder / "odd.kvo";
    writeBytes(source, plainRecording(6005));
    compress(w, source, "6000");
    EXPECT_EQ(w.summaryLines().back(), "Не записаны последние 5 байт данных (неполная запись)");
    EXPECT_TRUE(everySummaryLineVisible(w));
    // Below the box nothing is covered: the progress bar moved down with it.
    EXPECT_GT(w.progress().y(), w.summary().geometry().bottom());
    EXPECT_LE(w.progress().geometry().bottom(), w.mainForm.centralWidget()->height());

    // A damaged file adds its line below the paths, which is in sight as well.
    Bytes packed = readBytes(folder / "odd.kvox");
    packed.resize(packed.size() - 7);
    writeBytes(folder / "cut.kvox", packed);
    restore(w, folder / "cut.kvox");
    EXPECT_TRUE(w.summaryLines().back().contains("kvox --salvage"));
    EXPECT_TRUE(everySummaryLineVisible(w));

    // A short path: the box is back to its designed size.
    const auto near = cleanFolder("short") / "a.kvo";
    writeBytes(near, plainRecording(600));
    w.open(near);
    EXPECT_TRUE(everySummaryLineVisible(w));
    EXPECT_EQ(w.summary().height(), 153);
}

TEST(Conversion, NoWritesNothingAndARepeatedRunWritesTheSameFile) {
    Windows w;
    const auto folder = cleanFolder("no-and-repeat");
    const auto source = folder / "rec.kvo";
    const auto packed = folder / "rec.kvox";
    writeBytes(source, generated(synth::Kind::TipTiming, 1200, 5));

    compress(w, source, "", false);
    EXPECT_FALSE(std::filesystem::exists(packed));
    EXPECT_FALSE(w.blockSizes().isEnabled());
    EXPECT_TRUE(w.action("CompressAction").isEnabled());

    w.desktop.setNextAnswer(true);
    w.action("CompressAction").trigger();
    const Bytes first = readBytes(packed);
    w.desktop.setNextAnswer(true);
    w.action("CompressAction").trigger();
    EXPECT_TRUE(w.desktop.errors.empty());
    EXPECT_FALSE(first.empty());
    EXPECT_TRUE(readBytes(packed) == first);

    restore(w, packed, false);
    EXPECT_TRUE(std::filesystem::exists(source));
    EXPECT_EQ(w.desktop.questions.size(), 4u);
}

TEST(Conversion, LeadBytesAbove127AreRefusedWithTheirRecord) {
    Windows w;
    const auto folder = cleanFolder("lead-byte");
    Bytes file = plainRecording(600);
    file[24 + 6 * 4] = 200;  // record 5
    writeBytes(folder / "high.kvo", file);
    compress(w, folder / "high.kvo", "600");
    ASSERT_EQ(w.desktop.errors.size(), 1u);
    EXPECT_TRUE(w.desktop.errors[0].contains("5")) << w.desktop.errors[0].toStdString();
    EXPECT_FALSE(std::filesystem::exists(folder / "high.kvox"));
}

TEST(Conversion, DamagedOrTruncatedFilesRestoreNothing) {
    Windows w;
    const auto folder = cleanFolder("damaged");
    const auto source = folder / "rec.kvo";
    const Bytes original = generated(synth::Kind::Runs, 1800, 3);
    const std::size_t passportLength = original[6] | (original[7] << 8);
    writeBytes(source, original);
    compress(w, source, "3600");  // three blocks
    const Bytes packed = readBytes(folder / "rec.kvox");

    Bytes bent = packed;
    const std::size_t second = blockOffset(packed, passportLength, 1);
    const std::size_t runs = second + 4 + (packed[second] | (packed[second + 1] << 8));
    bent[runs + 4 + 1] ^= 0x01;  // a SecondByte run count: the counts no longer add up
    writeBytes(folder / "bent.kvox", bent);
    Bytes cut(packed.begin(), packed.end() - 7);
    writeBytes(folder / "cut.kvox", cut);

    for (const auto& [name, block] : {std::pair{"bent", "2"}, std::pair{"cut", "3"}}) {
        w.desktop.messages.clear();
        restore(w, folder / (std::string(name) + ".kvox"));
        // The summary names the first damaged block and the way to save the others.
        const QString advice = w.summaryLines().back();
        EXPECT_TRUE(advice.contains(QStringLiteral("блок ") + block)) << advice.toStdString();
        EXPECT_TRUE(advice.contains("kvox --salvage")) << advice.toStdString();
        ASSERT_EQ(w.desktop.messages.size(), 1u) << name;
        EXPECT_EQ(w.desktop.messages[0].text, "распаковка не состоялась");
        EXPECT_EQ(w.desktop.messages[0].caption, "файл поврежден");
        EXPECT_EQ(w.desktop.messages[0].owner, &w.mainForm);
        EXPECT_TRUE(w.desktop.errors.empty());
        EXPECT_FALSE(std::filesystem::exists(folder / (std::string(name) + ".kvo"))) << name;
        EXPECT_TRUE(w.mainForm.session().TargetClosed());
    }
}

// An archive written over keeps its checksum file current, and a restore heeds it.
TEST(Conversion, TheChecksumFileBesideAnArchiveIsRewrittenAndHeeded) {
    Windows w;
    const auto folder = cleanFolder("checksum");
    const auto source = folder / "rec.kvo";
    const Bytes original = generated(synth::Kind::Runs, 1800, 4);
    const std::size_t passportLength = original[6] | (original[7] << 8);
    writeBytes(source, original);
    const auto sums = folder / "rec.kvox.sha256";
    const std::string staleLine = std::string(64, '0') + "  rec.kvox\n";
    writeBytes(sums, Bytes(staleLine.begin(), staleLine.end()));

    compress(w, source, "3600");
    EXPECT_TRUE(w.desktop.errors.empty());
    const std::string check =
        "cd '" + folder.string() + "' && sha256sum --status -c rec.kvox.sha256";
    EXPECT_EQ(std::system(check.c_str()), 0);

    // A flipped FirstWord: the blocks still restore, to other records.
    Bytes packed = readBytes(folder / "rec.kvox");
    packed[passportLength + 4 + 10] ^= 0x01;
    writeBytes(folder / "rec.kvox", packed);
    std::filesystem::remove(source);
    restore(w, folder / "rec.kvox");
    ASSERT_EQ(w.desktop.messages.size(), 1u);
    EXPECT_EQ(w.desktop.messages[0].text, "распаковка не состоялась");
    EXPECT_EQ(w.desktop.messages[0].caption, "файл поврежден");
    EXPECT_TRUE(w.summaryLines().back().contains("контрольная сумма SHA-256"))
        << w.summaryLines().back().toStdString();
    EXPECT_TRUE(w.desktop.errors.empty());
    EXPECT_FALSE(std::filesystem::exists(source));
}

TEST(Conversion, TargetThatIsAFolderEndsInTheErrorBox) {
    Windows w;
    const auto folder = cleanFolder("folder-target");
    writeBytes(folder / "rec.kvo", plainRecording(600));
    std::filesystem::create_directory(folder / "rec.kvox");
    compress(w, folder / "rec.kvo", "600");
    ASSERT_EQ(w.desktop.errors.size(), 1u);
    EXPECT_TRUE(w.desktop.errors[0].contains("rec.kvox")) << w.desktop.errors[0].toStdString();
    EXPECT_TRUE(std::filesystem::is_directory(folder / "rec.kvox"));
    EXPECT_EQ(readBytes(folder / "rec.kvo"), plainRecording(600));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                            std::filesystem::directory_iterator()),
              2);
}

TEST(Conversion, AReadOnlyTargetIsNotReplacedAndTheErrorBoxNamesIt) {
    Windows w;
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
    const auto expectRefused = [&](const std::filesystem::path& target) {
        ASSERT_EQ(w.desktop.errors.size(), 1u) << target;
        EXPECT_TRUE(w.desktop.errors[0].contains(qpath(target)))
            << w.desktop.errors[0].toStdString();
        EXPECT_EQ(w.desktop.questions.back().caption, kPrompt);
        EXPECT_EQ(readBytes(target), old);
        EXPECT_EQ(std::filesystem::status(target).permissions() & perms::all,
                  perms::owner_read | perms::group_read | perms::others_read);
        EXPECT_TRUE(w.mainForm.session().TargetClosed());
        w.desktop.errors.clear();
    };

    writeBytes(source, plainRecording(600));
    writeBytes(packed, old);
    makeReadOnly(packed);
    compress(w, source, "600");
    expectRefused(packed);

    std::filesystem::remove(packed);
    compress(w, source, "600");
    writeBytes(source, old);
    makeReadOnly(source);
    restore(w, packed);
    expectRefused(source);
}

}  // namespace
}  // namespace kvo::test

namespace kvo::test {
namespace {

// Termination or Ctrl-C during a run: it stops, leaves no output and holds nothing up with a box.
TEST(Conversion, AnInterruptedRunWritesNothingAndShowsNoBox) {
    Windows w;
    const auto folder = cleanFolder("interrupted");
    writeBytes(folder / "rec.kvo", plainRecording(600));
    RequestInterruption();
    compress(w, folder / "rec.kvo", "600");
    ClearInterruption();
    EXPECT_TRUE(w.desktop.errors.empty());
    EXPECT_FALSE(std::filesystem::exists(folder / "rec.kvox"));
    compress(w, folder / "rec.kvo", "600");
    EXPECT_TRUE(std::filesystem::exists(folder / "rec.kvox"));
}

}  // namespace
}  // namespace kvo::test

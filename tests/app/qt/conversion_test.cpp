// Compress and Restore through the window's handlers, headless, on generated and crafted files.

#include <gtest/gtest.h>

#include <QTextCursor>
#include <filesystem>
#include <string>

#include "apptesting.h"
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

}  // namespace
}  // namespace kvo::test

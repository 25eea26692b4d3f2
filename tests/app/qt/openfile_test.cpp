// A file named on the command line or dropped on the window opens as File / Open opens it.

#include <gtest/gtest.h>

#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <optional>

#include "apptesting.h"
#include "platform/filename.h"

namespace kvo::test {
namespace {

// What a person sees of an opened file, and what the next command would work on.
struct Shown {
    QStringList summary, passport, blockSizes;
    bool compress, restore, held;
    bool operator==(const Shown&) const = default;
};

Shown shown(const Windows& w) {
    return {w.summaryLines(),
            w.passportLines(),
            w.blockSizeItems(),
            w.action("CompressAction").isEnabled(),
            w.action("RestoreAction").isEnabled(),
            !w.mainForm.session().SourceClosed()};
}

std::filesystem::path folderWithFiles(const std::string& name) {
    const auto folder = cleanFolder(name);
    writeBytes(folder / "run.kvo", plainRecording(6000));
    Bytes compressed = plainRecording(0);
    compressed.insert(compressed.end(), {0xD0, 0x07, 0, 0});
    writeBytes(folder / "run.kvox", compressed);
    writeBytes(folder / "notes.txt", plainRecording(60));
    return folder;
}

QMimeData* filesData(const std::vector<std::filesystem::path>& paths) {
    auto* data = new QMimeData;  // owned by the test's unique_ptr
    QList<QUrl> urls;
    for (const auto& path : paths) {
        urls << QUrl::fromLocalFile(QString::fromStdString(path.string()));
    }
    data->setUrls(urls);
    return data;
}

// Sends a drag that enters and drops on `target`; true when the drag was accepted.
bool drop(QWidget& target, const QMimeData& data) {
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &enter);
    if (!enter.isAccepted()) {
        return false;
    }
    QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &dropped);
    QCoreApplication::processEvents();
    return dropped.isAccepted();
}

TEST(OpenFile, TheArgumentOpensAsFileOpenDoes) {
    const auto folder = folderWithFiles("argument");
    for (const char* name : {"run.kvo", "run.kvox"}) {
        Windows viaDialog;
        viaDialog.open(folder / name);
        Windows viaArgument;
        viaArgument.mainForm.openFile(QString::fromStdString((folder / name).string()));
        EXPECT_EQ(shown(viaArgument), shown(viaDialog)) << name;
        EXPECT_TRUE(shown(viaArgument).held) << name;
    }

    // A name relative to the working folder shows the same full paths.
    Windows viaDialog;
    viaDialog.open(folder / "run.kvo");
    Windows relative;
    const QString before = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(folder.string()));
    relative.mainForm.openFile(QStringLiteral("run.kvo"));
    QDir::setCurrent(before);
    EXPECT_EQ(shown(relative), shown(viaDialog));
}

TEST(OpenFile, TheArgumentPassesTheChecksOfFileOpen) {
    const auto folder = folderWithFiles("argument-checks");
    Windows w;
    w.mainForm.openFile(QString::fromStdString((folder / "run.kvo").string()));
    const QStringList summary = w.summaryLines();

    // Another extension: the held file is closed and nothing else changes.
    w.mainForm.openFile(QString::fromStdString((folder / "notes.txt").string()));
    EXPECT_TRUE(w.mainForm.session().SourceClosed());
    EXPECT_FALSE(w.action("CompressAction").isEnabled());
    EXPECT_EQ(w.summaryLines(), summary);
    EXPECT_TRUE(w.desktop.errors.empty());

    // A missing file ends in the error box, and the program goes on.
    w.mainForm.openFile(QString::fromStdString((folder / "gone.kvo").string()));
    ASSERT_EQ(w.desktop.errors.size(), 1u);
    EXPECT_TRUE(w.desktop.errors[0].contains("gone.kvo"));
    EXPECT_TRUE(w.mainForm.session().SourceClosed());
}

TEST(OpenFile, ADroppedFileOpensAsFileOpenDoes) {
    const auto folder = folderWithFiles("drop");
    Windows viaDialog;
    viaDialog.open(folder / "run.kvox");
    const std::unique_ptr<QMimeData> one(filesData({folder / "run.kvox"}));

    Windows onWindow;
    EXPECT_TRUE(drop(onWindow.mainForm, *one));
    EXPECT_EQ(shown(onWindow), shown(viaDialog));

    // The summary box passes files on to the window.
    Windows onSummary;
    EXPECT_TRUE(drop(*onSummary.summary().viewport(), *one));
    EXPECT_EQ(shown(onSummary), shown(viaDialog));
    EXPECT_TRUE(onSummary.desktop.errors.empty());
}

TEST(OpenFile, NoFileIsTakenFromADragWhileACommandRuns) {
    const auto folder = folderWithFiles("drop-busy");
    Windows w;
    w.open(folder / "run.kvo");
    const Shown before = shown(w);
    const std::unique_ptr<QMimeData> other(filesData({folder / "run.kvox"}));
    std::optional<bool> accepted;
    w.desktop.whileAsking = [&] { accepted = drop(w.mainForm, *other); };
    w.desktop.setNextAnswer(false);
    w.action("CompressAction").trigger();
    w.desktop.whileAsking = nullptr;
    QCoreApplication::processEvents();
    EXPECT_EQ(accepted, false);
    EXPECT_EQ(shown(w), before);

    EXPECT_TRUE(drop(w.mainForm, *other));  // and taken again once the command has ended
    EXPECT_FALSE(shown(w).compress);
}

TEST(OpenFile, NamesThatAreNotUtf8OpenAsArgumentAndDropAndConvert) {
    const auto folder = cleanFolder("cp1251-names");
    const std::string name = "\xcf\xf0\xe8\xec\xe5\xf0";  // "Пример" in Windows-1251
    const Bytes original = plainRecording(6000);
    writeBytes(folder / (name + ".kvo"), original);
    const QString shownPath =
        QString::fromStdString(folder.string()) + "/\\xCF\\xF0\\xE8\\xEC\\xE5\\xF0.kvo";

    // As the program's argument, the name's bytes as they are.
    Windows w;
    w.mainForm.openFile(decodeFileName(folder.string() + "/" + name + ".kvo"));
    EXPECT_TRUE(w.desktop.errors.empty()) << w.desktop.errors.front().toStdString();
    EXPECT_TRUE(shown(w).held);
    EXPECT_EQ(w.summaryLines().mid(1, 1), QStringList{"Путь " + shownPath});
    w.desktop.setNextAnswer(true);
    w.action("CompressAction").trigger();
    EXPECT_TRUE(w.desktop.errors.empty());
    EXPECT_EQ(w.desktop.questions.back().text, shownPath + "x");
    EXPECT_TRUE(std::filesystem::exists(folder / (name + ".kvox")));

    // Dropped: a file manager spells the bytes in the address.
    QMimeData data;
    data.setUrls({QUrl::fromEncoded("file://" + QByteArray::fromStdString(folder.string()) +
                                    "/%CF%F0%E8%EC%E5%F0.kvox")});
    std::filesystem::remove(folder / (name + ".kvo"));
    Windows dropped;
    EXPECT_TRUE(drop(dropped.mainForm, data));
    EXPECT_TRUE(dropped.desktop.errors.empty()) << dropped.desktop.errors.front().toStdString();
    EXPECT_TRUE(shown(dropped).restore);
    dropped.desktop.setNextAnswer(true);
    dropped.action("RestoreAction").trigger();
    EXPECT_TRUE(readBytes(folder / (name + ".kvo")) == original);

    // The error box names such a file the same way.
    writeBytes(folder / (name + "2.kvo"), Bytes{'R', 'e', 'c'});
    Windows refused;
    refused.mainForm.openFile(decodeFileName(folder.string() + "/" + name + "2.kvo"));
    ASSERT_EQ(refused.desktop.errors.size(), 1u);
    EXPECT_TRUE(refused.desktop.errors[0].contains(shownPath.chopped(4) + "2.kvo"))
        << refused.desktop.errors[0].toStdString();
}

TEST(OpenFile, OnlyOneLocalFileIsTakenFromADrag) {
    const auto folder = folderWithFiles("drop-refused");
    Windows w;
    w.open(folder / "run.kvo");
    const Shown before = shown(w);

    const std::unique_ptr<QMimeData> two(filesData({folder / "run.kvo", folder / "run.kvox"}));
    EXPECT_FALSE(drop(w.mainForm, *two));
    QMimeData remote;
    remote.setUrls({QUrl(QStringLiteral("https://example.org/run.kvo"))});
    EXPECT_FALSE(drop(w.mainForm, remote));
    EXPECT_EQ(shown(w), before);

    // Dropped text still lands in the summary box, which stays editable.
    QMimeData text;
    text.setText(QStringLiteral("заметка"));
    drop(*w.summary().viewport(), text);
    EXPECT_TRUE(w.summary().toPlainText().contains(QStringLiteral("заметка")));
    EXPECT_TRUE(shown(w).held);
}

}  // namespace
}  // namespace kvo::test

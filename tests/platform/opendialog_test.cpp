// The open dialog lists names by their bytes, so files whose names are not UTF-8 can be chosen,
// and it leaves nothing in the user's configuration.

#include "platform/opendialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "platform/filename.h"
#include "platform/qtdesktop.h"

namespace kvo {
namespace {

namespace fs = std::filesystem;

// "Пример" in Windows-1251: not UTF-8.
const std::string kCyrillicName = "\xcf\xf0\xe8\xec\xe5\xf0.kvo";

// One folder per test: ctest runs the tests of this file side by side.
fs::path testFolder(const std::string& name) {
    const char* root = std::getenv("KVO_TEST_TMP");
    const fs::path folder = fs::path(root ? root : "/tmp") / "opendialog" /
                            ::testing::UnitTest::GetInstance()->current_test_info()->name() / name;
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

// The application, made once; first the user's configuration is pointed at an empty folder, so
// that anything the dialogs keep would be found there.
const fs::path& configurationFolder() {
    static const fs::path folder = [] {
        const fs::path home = testFolder("home");
        ::setenv("HOME", home.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
        static int argc = 1;
        static char name[] = "kvo_platform_tests";
        static char* argv[] = {name, nullptr};
        static const auto application = std::make_unique<QApplication>(argc, argv);
        return home;
    }();
    return folder;
}

fs::path folderWithFiles() {
    const fs::path folder = testFolder("files");
    for (const std::string& name : {kCyrillicName, std::string("plain.kvo"),
                                    std::string("notes.txt"), std::string(".hidden.kvo")}) {
        std::ofstream(folder / name) << "x";
    }
    fs::create_directory(folder / "sub");
    std::ofstream(folder / "sub" / "inner.kvox") << "x";
    return folder;
}

QStringList listed(const QDialog& dialog) {
    const auto& entries = *dialog.findChild<QListWidget*>("entries");
    QStringList texts;
    for (int i = 0; i < entries.count(); ++i) {
        texts << entries.item(i)->text();
    }
    return texts;
}

void choose(QDialog& dialog, const QString& shown) {
    auto& entries = *dialog.findChild<QListWidget*>("entries");
    const auto found = entries.findItems(shown, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << shown.toStdString();
    entries.setCurrentItem(found.front());
    dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open)->click();
}

TEST(OpenDialog, ListsNamesThatAreNotUtf8AndGivesTheirBytes) {
    configurationFolder();
    const fs::path folder = folderWithFiles();
    OpenFileDialog dialog(nullptr, QStringLiteral("Kvo|*.kvo|Kvox|*.kvox|All|*"), folder.string());
    EXPECT_EQ(listed(dialog),
              (QStringList{"../", "sub/", "plain.kvo", "\\xCF\\xF0\\xE8\\xEC\\xE5\\xF0.kvo"}));
    EXPECT_EQ(dialog.findChild<QListWidget*>("entries")->item(3)->toolTip(),
              QStringLiteral("Windows-1251: Пример.kvo"));

    // The first file is chosen at the start.
    EXPECT_EQ(dialog.findChild<QListWidget*>("entries")->currentRow(), 2);

    // A folder typed into the path field is opened, relative to the one shown.
    dialog.findChild<QLineEdit*>("path")->setText(QStringLiteral("sub"));
    dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open)->click();
    EXPECT_EQ(dialog.folder(), (folder / "sub").string());
    EXPECT_EQ(listed(dialog), QStringList{"../"});
    dialog.showFolder(folder.string());

    dialog.findChild<QComboBox*>("filter")->setCurrentIndex(2);
    EXPECT_EQ(listed(dialog).size(), 5);
    choose(dialog, "sub/");
    EXPECT_EQ(dialog.folder(), (folder / "sub").string());
    EXPECT_FALSE(dialog.chosenFile());
    choose(dialog, "../");
    EXPECT_EQ(dialog.folder(), folder.string());

    choose(dialog, "\\xCF\\xF0\\xE8\\xEC\\xE5\\xF0.kvo");
    ASSERT_TRUE(dialog.chosenFile());
    EXPECT_EQ(*dialog.chosenFile(), (folder / kCyrillicName).string());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST(OpenDialog, TheDesktopsDialogKeepsNothingAndTheNameSurvives) {
    const fs::path& home = configurationFolder();
    const fs::path folder = folderWithFiles();
    const fs::path before = fs::current_path();
    fs::current_path(folder);
    QtDesktop desktop;
    fs::current_path(before);

    std::optional<QString> chosen;
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        choose(*dialog, "\\xCF\\xF0\\xE8\\xEC\\xE5\\xF0.kvo");
    });
    chosen = desktop.chooseOpenFile(nullptr, QStringLiteral("Kvo|*.kvo"));
    ASSERT_TRUE(chosen);
    EXPECT_EQ(encodeFileName(*chosen), (folder / kCyrillicName).string());

    // Cancelled: nothing chosen, and the next dialog starts where this one was left.
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(listed(*dialog).contains("plain.kvo"));
        dialog->reject();
    });
    EXPECT_FALSE(desktop.chooseOpenFile(nullptr, QStringLiteral("Kvo|*.kvo")));

    QCoreApplication::processEvents();
    EXPECT_FALSE(fs::exists(home / ".config")) << "the dialog kept settings";
}

TEST(FileName, KeepsEveryByte) {
    for (const std::string& bytes : {kCyrillicName, std::string("/tmp/Пример \xf0\x9f\x98\x80.kvo"),
                                     std::string("\x80\xff"), std::string("a\xed\xa0\x80z")}) {
        EXPECT_EQ(encodeFileName(decodeFileName(bytes)), bytes);
    }
    EXPECT_EQ(decodeFileName("Пример.kvo"), QStringLiteral("Пример.kvo"));
}

}  // namespace
}  // namespace kvo

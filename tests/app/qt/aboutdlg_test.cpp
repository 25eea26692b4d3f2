// The about box over synthetic version resources and over the program's own.

#include <gtest/gtest.h>

#include <QLabel>
#include <QRegularExpression>
#include <algorithm>

#include "apptesting.h"
#include "platform/buildrevision.h"
#include "platform/versionresource.h"

namespace kvo::test {
namespace {

QStringList labelTexts(const TAboutDlg& dlg) {
    QStringList texts;
    for (int i = 1; i <= 6; ++i) {
        texts << dlg.label(i).text();
    }
    return texts;
}

TEST(AboutBox, ShowsTheFiveStringsAndTheFixedFileVersion) {
    for (const std::uint16_t language : {std::uint16_t{0x0409}, std::uint16_t{0x0800}}) {
        const MemoryVersionFile file(buildVersionResource(allStrings(language)));
        Windows w(file);
        const QStringList expected = {"CompanyName: Лаборатория",    "ProductName: KVOCodec",
                                      "PrivateBuild: сборка 7",      "ProductVersion: 1.0",
                                      "FileDescription: Сжатие KVO", "FileVersion :  2.3.4.5"};
        w.mainForm.SystemMMenu(TKVOCodecForm::kAboutCommand);
        EXPECT_EQ(labelTexts(w.aboutDlg), expected) << language;
        w.mainForm.SystemMMenu(TKVOCodecForm::kAboutCommand);
        EXPECT_EQ(labelTexts(w.aboutDlg), expected);
        EXPECT_EQ(w.desktop.modals, (std::vector<QDialog*>{&w.aboutDlg, &w.aboutDlg}));
        EXPECT_TRUE(w.desktop.errors.empty());
        // Other window commands are not ours.
        w.mainForm.SystemMMenu(0xF060);
        EXPECT_EQ(w.desktop.modals.size(), 2u);
    }
}

TEST(AboutBox, WithoutResourceNothingHappensWithoutTranslationAnError) {
    Windows none;
    none.mainForm.SystemMMenu(TKVOCodecForm::kAboutCommand);
    EXPECT_TRUE(none.desktop.modals.empty());
    EXPECT_TRUE(none.desktop.errors.empty());
    EXPECT_EQ(labelTexts(none.aboutDlg), (QStringList{"Обработка KVO-файлов", "июнь 2003", "Label3",
                                                      "Label4", "Label5", "Label5"}));

    VersionResourceContent noTable = allStrings(0x0409);
    noTable.translations.clear();
    const MemoryVersionFile file(buildVersionResource(noTable));
    Windows w(file, "/opt/kvo/kvocodec");
    w.mainForm.SystemMMenu(TKVOCodecForm::kAboutCommand);
    EXPECT_TRUE(w.desktop.modals.empty());
    EXPECT_EQ(w.desktop.errors,
              std::vector<QString>{"Invalid language info in file /opt/kvo/kvocodec"});
    EXPECT_EQ(w.aboutDlg.label(1).text(), "Обработка KVO-файлов");
}

TEST(AboutBox, MissingStringsKeepTheirLabels) {
    VersionResourceContent some = allStrings(0x0409);
    some.strings = {{"ProductVersion", "1.0.0.0"}};
    const MemoryVersionFile file(buildVersionResource(some));
    Windows w(file);
    w.mainForm.SystemMMenu(TKVOCodecForm::kAboutCommand);
    EXPECT_EQ(labelTexts(w.aboutDlg),
              (QStringList{"Обработка KVO-файлов", "июнь 2003", "Label3", "ProductVersion: 1.0.0.0",
                           "Label5", "FileVersion :  2.3.4.5"}));
}

TEST(AboutBox, ReadsTheResourceThatTheBuildPutIntoTheExecutable) {
    const ExecutableVersionInfoFile file;
    Windows w(file, QStringLiteral("/proc/self/exe"));
    w.mainForm.SystemMMenu(TKVOCodecForm::kAboutCommand);
    ASSERT_EQ(w.desktop.modals.size(), 1u);
    // No design-time text is left: the build gives every string the box reads, the private
    // build being the source revision.
    EXPECT_EQ(
        labelTexts(w.aboutDlg),
        (QStringList{"CompanyName: KVOCodec developers", "ProductName: KVOCodec",
                     QStringLiteral("PrivateBuild: ") + BuildRevision(), "ProductVersion: 1.0.0.0",
                     "FileDescription: Обработка KVO-файлов", "FileVersion :  1.0.0.0"}));
    EXPECT_TRUE(QString(BuildRevision()).contains(QRegularExpression("^([0-9a-f]{7,}|unknown)$")))
        << BuildRevision();
}

TEST(AboutBox, EveryLabelOfTheProgramsOwnResourceFitsInTheBox) {
    const ExecutableVersionInfoFile file;
    Windows w(file, QStringLiteral("/proc/self/exe"));
    w.mainForm.SystemMMenu(TKVOCodecForm::kAboutCommand);
    for (int i = 1; i <= 6; ++i) {
        EXPECT_LE(w.aboutDlg.label(i).geometry().right(), w.aboutDlg.width()) << i;
    }
}

}  // namespace
}  // namespace kvo::test

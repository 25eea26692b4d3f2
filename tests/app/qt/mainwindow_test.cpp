// The main window headless: start state, Open of crafted files, the passport window, closing.

#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QMenuBar>

#include "apptesting.h"
#include "platform/localeformat.h"

namespace kvo::test {
namespace {

TEST(MainWindow, StartsEmptyWithTheMenusOfThePassportTool) {
    Windows w;
    EXPECT_EQ(w.mainForm.windowTitle(), "KVOCodecForm");
    EXPECT_EQ(w.summaryLines(), QStringList{"Преобразуемый файл:"});
    EXPECT_EQ(w.passportLines(), QStringList{"Memo1"});
    EXPECT_EQ(w.headForm.windowTitle(), "Заголовок файла");
    EXPECT_EQ(w.aboutDlg.windowTitle(), "О программе");
    // The main window makes the other two: separate windows, hidden until asked for.
    EXPECT_TRUE(w.headForm.isWindow() && w.aboutDlg.isWindow());
    EXPECT_EQ(w.headForm.parentWidget(), nullptr);
    EXPECT_EQ(w.aboutDlg.parentWidget(), nullptr);
    EXPECT_TRUE(w.headForm.isHidden() && w.aboutDlg.isHidden());
    EXPECT_EQ(w.blockSizes().count(), 0);
    EXPECT_FALSE(w.blockSizes().isEnabled());
    EXPECT_TRUE(w.blockSizes().font().bold());
    EXPECT_EQ(w.progress().maximum(), 100);
    EXPECT_EQ(w.progress().value(), 0);
    EXPECT_TRUE(w.mainForm.session().SourceClosed());
    EXPECT_TRUE(w.mainForm.session().TargetClosed());

    QStringList menus;
    QStringList items;
    for (QAction* menu : w.mainForm.menuBar()->actions()) {
        menus << menu->text();
        for (QAction* item : menu->menu()->actions()) {
            items << item->text() + (item->isEnabled() ? "+" : "-");
        }
    }
    EXPECT_EQ(menus, (QStringList{"&File", "&Actions", "&View"}));
    EXPECT_EQ(items, (QStringList{"&Open kvo or kvox+", "E&xit+", "&Compress-", "&Restore-",
                                  "&Head of file+"}));
    EXPECT_FALSE(w.action("HelpContents1").isEnabled());
    EXPECT_TRUE(w.action("HelpContents1").associatedObjects().isEmpty());  // on no menu
}

TEST(MainWindow, OpensARecordingAndOffersBlockSizes) {
    Windows w;
    const auto path = cleanFolder("open-recording") / "run.kvo";
    writeBytes(path, plainRecording(6000));
    w.open(path);

    EXPECT_EQ(w.desktop.lastFilter,
              QStringLiteral("Noncompressed files(*.kvo)|*.kvo| Compressed files(*.kvo\u0445)|"
                             "*.kvox|All files(*.*)|*.*"));
    EXPECT_EQ(w.desktop.dialogOwner, &w.mainForm);
    EXPECT_TRUE(w.desktop.errors.empty());
    const QString p = QString::fromStdString(path.string());
    EXPECT_EQ(w.summaryLines(),
              (QStringList{"Исходный файл:", "Путь " + p, "Размер = 6024", "",
                           "Сжатый файл:", "Путь " + p + "x", "Размер = примерно 2400"}));
    EXPECT_EQ(w.passportLines(),
              (QStringList{"RecKvo", "Длина паспорта = 24", "Плата = М666", "Число каналов = 0",
                           "Датирование = " + formatUserDateTime({1900, 4, 9, 0, 0, 0, 0}),
                           "част.дискр.аналог.кан. = 0"}));
    EXPECT_EQ(w.blockSizeItems(), (QStringList{"6000", "3000", "1500", "1200", "750", "600", "300",
                                               "240", "150", "120", "60"}));
    EXPECT_EQ(w.blockSizes().currentIndex(), 0);
    EXPECT_TRUE(w.blockSizes().isEnabled());
    EXPECT_TRUE(w.action("CompressAction").isEnabled());
    EXPECT_FALSE(w.action("RestoreAction").isEnabled());
    EXPECT_EQ(w.progress().maximum(), 6024);
    EXPECT_EQ(w.progress().value(), 0);
    EXPECT_FALSE(w.mainForm.session().SourceClosed());

    // A recording without a whole record offers a hundred zeros; a second Open replaces the list.
    const auto tiny = path.parent_path() / "tiny.kvo";
    writeBytes(tiny, plainRecording(5));
    w.open(tiny);
    EXPECT_EQ(w.blockSizeItems(), QStringList(100, "0"));
    EXPECT_EQ(w.summaryLines().size(), 7);
}

TEST(MainWindow, PassportWindowAndClosing) {
    Windows w;
    w.action("HeadAction").trigger();
    ASSERT_EQ(w.desktop.modals.size(), 1u);
    EXPECT_EQ(w.desktop.modals[0], &w.headForm);
    EXPECT_EQ(w.passportLines(), QStringList{"Memo1"});

    const auto path = cleanFolder("close") / "run.kvo";
    writeBytes(path, plainRecording(600));
    w.open(path);
    QCloseEvent event;
    QApplication::sendEvent(&w.mainForm, &event);
    EXPECT_TRUE(event.isAccepted());
    EXPECT_EQ(w.desktop.beeps, 1);
    EXPECT_TRUE(w.mainForm.session().SourceClosed());
    EXPECT_TRUE(w.mainForm.session().TargetClosed());
}

}  // namespace
}  // namespace kvo::test

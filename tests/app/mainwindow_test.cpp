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

TEST(MainWindow, OpensACompressedFileForRestoreOnly) {
    Windows w;
    const auto path = cleanFolder("open-compressed") / "run.kvox";
    Bytes file = plainRecording(0);
    file.insert(file.end(), {0xD1, 0x07, 0, 0});  // 2001: the odd bit is dropped
    writeBytes(path, file);
    w.open(path);
    const QString p = QString::fromStdString(path.string());
    EXPECT_EQ(w.summaryLines().mid(3),
              (QStringList{"", "Восстановленный файл:", "Путь " + p.chopped(1),
                           "Размер = 24 + 6000 x N"}));
    EXPECT_EQ(w.blockSizeItems(), QStringList{"6000"});
    EXPECT_FALSE(w.blockSizes().isEnabled());
    EXPECT_FALSE(w.action("CompressAction").isEnabled());
    EXPECT_TRUE(w.action("RestoreAction").isEnabled());
}

TEST(MainWindow, ControlCharactersInPassportTextsCannotForgeLines) {
    Windows w;
    const auto path = cleanFolder("forged") / "run.kvo";
    // "A", line feed, "Датирование = 01.01.2000" in Windows-1251, carriage return, an escape.
    const std::string mark =
        "A\n\xC4\xE0\xF2\xE8\xF0\xEE\xE2\xE0\xED\xE8\xE5 = 01.01.2000\r\x1b[2J";
    Bytes file = {'R', 'e', 'c', '\n', 'v', 'o', 0, 0, 0, 0, 1, 0, 1, 0, 7, 0, 0x2B};
    file.push_back(static_cast<std::uint8_t>(mark.size()));
    file.insert(file.end(), mark.begin(), mark.end());
    file.insert(file.end(), {4, 0, 0, 0, 0, 0, 0, 0, 0x59, 0x40, 0, 0});
    file[6] = static_cast<std::uint8_t>(file.size());
    writeBytes(path, file);
    w.open(path);
    EXPECT_EQ(w.passportLines(),
              (QStringList{"Rec\\x0Avo", "Длина паспорта = " + QString::number(file.size()),
                           "Плата = М1", "Число каналов = 1",
                           "Канал 7  Ку/Кд =  3/5  Имя отм. A\\x0AДатирование = "
                           "01.01.2000\\x0D\\x1B[2J  Тип Оборотный",
                           "Датирование = " + formatUserDateTime({1900, 4, 9, 0, 0, 0, 0}),
                           "част.дискр.аналог.кан. = 0"}));
}

TEST(MainWindow, RejectedOrCancelledOpenHoldsNothingAndKeepsTheTexts) {
    Windows w;
    const auto folder = cleanFolder("open-rejected");
    writeBytes(folder / "a.kvo", plainRecording(72));
    writeBytes(folder / "DATA.KVO.bak", plainRecording(72));
    w.open(folder / "a.kvo");
    const QStringList shown = w.summaryLines();

    w.open(folder / "DATA.KVO.bak");
    EXPECT_TRUE(w.mainForm.session().SourceClosed());
    EXPECT_FALSE(w.action("CompressAction").isEnabled());
    EXPECT_FALSE(w.action("RestoreAction").isEnabled());
    EXPECT_EQ(w.summaryLines(), shown);
    EXPECT_EQ(w.blockSizeItems().size(), 6);

    w.open(folder / "a.kvo");
    w.desktop.setNextFileName(std::nullopt);
    w.action("Action1").trigger();
    EXPECT_TRUE(w.mainForm.session().SourceClosed());
    EXPECT_FALSE(w.action("CompressAction").isEnabled());
    EXPECT_TRUE(w.desktop.errors.empty());
}

TEST(MainWindow, UnreadableFilesEndInTheErrorBoxWithNothingHeld) {
    Windows w;
    const auto folder = cleanFolder("open-bad");
    writeBytes(folder / "good.kvo", plainRecording(60));
    Bytes longPassport = plainRecording(60);
    longPassport[6] = 0xFF;  // PassportLength 255 > 84 bytes of file
    writeBytes(folder / "long.kvo", longPassport);
    writeBytes(folder / "short.kvox", Bytes{'R', 'e', 'c'});

    for (const char* bad : {"long.kvo", "short.kvox", "missing.kvo"}) {
        w.open(folder / "good.kvo");
        const QStringList shown = w.passportLines();
        w.open(folder / bad);
        ASSERT_EQ(w.desktop.errors.size(), 1u) << bad;
        EXPECT_TRUE(w.desktop.errors.back().contains(bad)) << w.desktop.errors.back().toStdString();
        EXPECT_TRUE(w.mainForm.session().SourceClosed()) << bad;
        EXPECT_FALSE(w.action("CompressAction").isEnabled()) << bad;
        EXPECT_FALSE(w.action("RestoreAction").isEnabled()) << bad;
        EXPECT_EQ(w.passportLines(), shown) << bad;
        w.desktop.errors.clear();
    }
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

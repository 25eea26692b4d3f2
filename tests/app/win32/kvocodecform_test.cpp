// The native main window, created hidden and read back through Win32 calls: its layout, menus,
// the window menu's about entry, Open and the conversions through the real window.

#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <filesystem>

#include "app/win32/kvocodecform.h"
#include "fakewindesktop.h"
#include "platform/buildrevision.h"
#include "platform/fspath.h"
#include "platform/versioninfofile.h"
#include "platform/widetext.h"
#include "testfiles.h"
#include "versionfiles.h"
#include "wintesting.h"

namespace kvo::test {
namespace {

using win32::TKVOCodecForm;

struct MainWindow {
    explicit MainWindow(const VersionInfoFile& versionFile = noVersionFile(),
                        const std::string& executablePath = "C:\\kvo\\kvocodec.exe")
        : form(desktop, versionFile, executablePath) {}

    HWND control(TKVOCodecForm::Control id) const { return form.control(id); }
    void command(int id) { SendMessageW(form.window(), WM_COMMAND, static_cast<WPARAM>(id), 0); }
    void open(const std::filesystem::path& path) {
        desktop.setNextFile(Utf8Of(path));
        command(TKVOCodecForm::kOpenCommand);
    }
    std::vector<std::string> menuBar() const { return MenuItems(GetMenu(form.window())); }
    std::vector<std::string> menu(int index, bool withState = true) const {
        return MenuItems(GetSubMenu(GetMenu(form.window()), index), withState);
    }
    std::vector<std::string> blockSizes() const {
        std::vector<std::string> items;
        const HWND list = control(TKVOCodecForm::kBlockSizeComboBox);
        const auto count = SendMessageW(list, CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            wchar_t text[64] = {};
            SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(i),
                         reinterpret_cast<LPARAM>(text));
            items.push_back(Utf8OfWide(text));
        }
        return items;
    }
    int progress(UINT message = PBM_GETPOS) const {
        return static_cast<int>(
            SendMessageW(control(TKVOCodecForm::kProgressBar1), message, FALSE, 0));
    }

    FakeWinDesktop desktop;
    TKVOCodecForm form;
};

TEST(Win32MainWindow, StartsWithTheDesignedLayout) {
    MainWindow w;
    const HWND window = w.form.window();
    EXPECT_EQ(ClassOf(window), "TKVOCodecForm");
    EXPECT_EQ(win32::TextOf(window), "KVOCodecForm");
    EXPECT_FALSE(IsWindowVisible(window));
    // The design's 311 pixels hold its 23-pixel menu bar, which Windows puts above the client.
    EXPECT_EQ(RectText(ClientRect(window)), RectText(Designed(window, {0, 0, 643, 288})));

    struct Expected {
        TKVOCodecForm::Control id;
        const char* windowClass;
        win32::DesignRect place;
        const char* text;
    };
    for (const Expected& e : {
             Expected{TKVOCodecForm::kMemo1, "Edit", {16, 33, 473, 153}, "Преобразуемый файл:"},
             Expected{TKVOCodecForm::kProgressBar1, "msctls_progress32", {16, 201, 609, 17}, ""},
         }) {
        const HWND control = w.control(e.id);
        ASSERT_NE(control, nullptr) << e.id;
        EXPECT_EQ(ClassOf(control), e.windowClass);
        EXPECT_EQ(RectText(PlaceOf(control)), RectText(Designed(window, e.place))) << e.id;
        EXPECT_EQ(win32::TextOf(control), e.text);
    }
    // The label keeps its place and grows where a stand-in font is wider than the designed one.
    const HWND label = w.control(TKVOCodecForm::kLabel1);
    EXPECT_EQ(ClassOf(label), "Static");
    EXPECT_EQ(win32::TextOf(label), "Размер блока, байт");
    const RECT labelPlace = PlaceOf(label);
    const RECT labelDesigned = Designed(window, {512, 54, 99, 13});
    EXPECT_EQ(labelPlace.left, labelDesigned.left);
    EXPECT_EQ(labelPlace.top, labelDesigned.top);
    EXPECT_EQ(labelPlace.bottom, labelDesigned.bottom);
    EXPECT_GE(labelPlace.right, labelDesigned.right);
    EXPECT_GE(labelPlace.right - labelPlace.left, win32::TextWidth(label));
    const auto memoStyle = GetWindowLongPtrW(w.control(TKVOCodecForm::kMemo1), GWL_STYLE);
    EXPECT_TRUE(memoStyle & ES_MULTILINE);
    EXPECT_FALSE(memoStyle & (WS_HSCROLL | WS_VSCROLL | ES_AUTOHSCROLL));  // lines wrap

    const HWND list = w.control(TKVOCodecForm::kBlockSizeComboBox);
    EXPECT_EQ(ClassOf(list), "ComboBox");
    EXPECT_EQ(GetWindowLongPtrW(list, GWL_STYLE) & 3, CBS_DROPDOWNLIST);
    const RECT listPlace = PlaceOf(list);
    const RECT designed = Designed(window, {520, 73, 113, 21});
    EXPECT_EQ(listPlace.left, designed.left);
    EXPECT_EQ(listPlace.top, designed.top);
    EXPECT_EQ(listPlace.right, designed.right);
    EXPECT_TRUE(w.blockSizes().empty());
    EXPECT_FALSE(IsWindowEnabled(list));
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)), sizeof(font), &font);
    EXPECT_EQ(font.lfWeight, FW_BOLD);
    EXPECT_STREQ(font.lfFaceName, L"Tahoma");

    EXPECT_EQ(w.progress(PBM_GETRANGE), 100);
    EXPECT_EQ(w.progress(), 0);

    EXPECT_EQ(w.menuBar(), (std::vector<std::string>{"&File", "&Actions", "&View"}));
    EXPECT_EQ(w.menu(0), (std::vector<std::string>{"&Open kvo or kvox+", "E&xit+"}));
    EXPECT_EQ(w.menu(1), (std::vector<std::string>{"&Compress-", "&Restore-"}));
    EXPECT_EQ(w.menu(2), (std::vector<std::string>{"&Head of file+"}));

    // The window menu ends in a separator and the about entry, command 731.
    const HMENU systemMenu = GetSystemMenu(window, FALSE);
    const std::vector<std::string> entries = MenuItems(systemMenu);
    ASSERT_GE(entries.size(), 2u);
    EXPECT_EQ(entries[entries.size() - 2], "-");
    EXPECT_EQ(entries.back(), "О программе..");
    EXPECT_EQ(GetMenuItemID(systemMenu, static_cast<int>(entries.size()) - 1), 731u);

    // The passport window: hidden, owned by the main window, its placeholder line.
    const HWND head = w.form.headForm().window();
    EXPECT_EQ(ClassOf(head), "THeadForm");
    EXPECT_EQ(win32::TextOf(head), "Заголовок файла");
    EXPECT_EQ(GetWindow(head, GW_OWNER), window);
    EXPECT_FALSE(IsWindowVisible(head));
    EXPECT_EQ(RectText(ClientRect(head)), RectText(Designed(head, {0, 0, 426, 293})));
    const HWND passport = w.form.headForm().Memo1();
    EXPECT_EQ(RectText(PlaceOf(passport)), RectText(Designed(head, {0, 8, 425, 281})));
    EXPECT_EQ(win32::TextOf(passport), "Memo1");
    const auto passportStyle = GetWindowLongPtrW(passport, GWL_STYLE);
    EXPECT_TRUE((passportStyle & ES_READONLY) && (passportStyle & WS_VSCROLL));
}

TEST(Win32MainWindow, OpenEnablesCompressAndFillsThePassportWindow) {
    MainWindow w;
    const auto folder = cleanFolder("win-open");
    writeBytes(folder / "run.kvo", plainRecording(6000));
    w.open(folder / "run.kvo");
    EXPECT_EQ(w.desktop.dialogOwner, w.form.window());
    EXPECT_EQ(w.desktop.lastFilter,
              "Noncompressed files(*.kvo)|*.kvo| Compressed files(*.kvo\u0445)|*.kvox|"
              "All files(*.*)|*.*");
    EXPECT_TRUE(w.desktop.errors.empty());
    EXPECT_EQ(w.menu(1), (std::vector<std::string>{"&Compress+", "&Restore-"}));
    EXPECT_EQ(w.blockSizes(), (std::vector<std::string>{"6000", "3000", "1500", "1200", "750",
                                                        "600", "300", "240", "150", "120", "60"}));
    EXPECT_TRUE(IsWindowEnabled(w.control(TKVOCodecForm::kBlockSizeComboBox)));
    EXPECT_EQ(w.progress(PBM_GETRANGE), 6024);
    const std::string summary = win32::TextOf(w.control(TKVOCodecForm::kMemo1));
    EXPECT_EQ(summary.substr(0, summary.find("\r\n", summary.find("\r\n") + 2)),
              "Исходный файл:\r\nПуть " + Utf8Of(folder / "run.kvo"));
    const std::string passport = win32::TextOf(w.form.headForm().Memo1());
    EXPECT_EQ(passport.substr(0, passport.find("\r\nДатирование")),
              "RecKvo\r\nДлина паспорта = 24\r\nПлата = М666\r\nЧисло каналов = 0");

    w.command(TKVOCodecForm::kHeadCommand);
    EXPECT_EQ(w.desktop.modals,
              (std::vector<FakeWinDesktop::Modal>{{w.form.headForm().window(), w.form.window()}}));

    // A compressed file: Restore only.
    Bytes compressed = plainRecording(0);
    compressed.insert(compressed.end(), {0xD0, 0x07, 0, 0});
    writeBytes(folder / "run.kvox", compressed);
    w.open(folder / "run.kvox");
    EXPECT_EQ(w.menu(1), (std::vector<std::string>{"&Compress-", "&Restore+"}));
    EXPECT_EQ(w.blockSizes(), std::vector<std::string>{"6000"});
    EXPECT_FALSE(IsWindowEnabled(w.control(TKVOCodecForm::kBlockSizeComboBox)));
}

TEST(Win32MainWindow, CompressAndRestoreThroughTheWindowComeBackByteForByte) {
    MainWindow w;
    const auto folder = cleanFolder("win-round-trip");
    const Bytes original = plainRecording(3600);
    writeBytes(folder / "rec.kvo", original);
    w.open(folder / "rec.kvo");
    SendMessageW(w.control(TKVOCodecForm::kBlockSizeComboBox), CB_SETCURSEL, 2, 0);  // 1200
    w.desktop.setNextAnswer(true);
    w.command(TKVOCodecForm::kCompressCommand);
    ASSERT_TRUE(w.desktop.errors.empty()) << w.desktop.errors.front().text;
    ASSERT_EQ(w.desktop.questions.size(), 1u);
    EXPECT_EQ(w.desktop.questions[0],
              (ShownBox{w.form.window(), Utf8Of(folder / "rec.kvox"), "Replace living File?"}));
    EXPECT_EQ(w.progress(), 3624);
    EXPECT_FALSE(IsWindowEnabled(w.control(TKVOCodecForm::kBlockSizeComboBox)));

    std::filesystem::rename(folder / "rec.kvo", folder / "original.kvo");
    w.open(folder / "rec.kvox");
    w.desktop.setNextAnswer(true);
    w.command(TKVOCodecForm::kRestoreCommand);
    ASSERT_TRUE(w.desktop.errors.empty()) << w.desktop.errors.front().text;
    EXPECT_EQ(readBytes(folder / "rec.kvo"), original);
    EXPECT_EQ(w.progress(), w.progress(PBM_GETRANGE));
}

// What a timer on the window's thread tries while a run goes on.
struct Meddler {
    static inline HWND window = nullptr;
    static inline int tries = 0;
    static void CALLBACK Meddle(HWND, UINT, UINT_PTR, DWORD) {
        ++tries;
        SendMessageW(window, WM_COMMAND, TKVOCodecForm::kOpenCommand, 0);
        SendMessageW(window, WM_SYSCOMMAND, 731, 0);
        SendMessageW(window, WM_CLOSE, 0, 0);
    }
};

TEST(Win32MainWindow, CommandsAndClosingDuringARunAreDropped) {
    MainWindow w;
    const auto folder = cleanFolder("win-meddle");
    writeBytes(folder / "big.kvo", plainRecording(24'000'000));
    w.open(folder / "big.kvo");
    SendMessageW(w.control(TKVOCodecForm::kBlockSizeComboBox), CB_SETCURSEL, 4, 0);
    w.desktop.setNextAnswer(true);
    w.desktop.lastFilter.clear();
    Meddler::window = w.form.window();
    Meddler::tries = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 1, &Meddler::Meddle);
    w.command(TKVOCodecForm::kCompressCommand);
    KillTimer(nullptr, timer);
    ASSERT_GT(Meddler::tries, 0) << "the run ended before the timer came";
    EXPECT_TRUE(IsWindow(w.form.window()));
    EXPECT_EQ(w.desktop.beeps, 0);
    EXPECT_TRUE(w.desktop.lastFilter.empty());  // no open dialog
    EXPECT_TRUE(w.desktop.modals.empty());      // no about box
    EXPECT_TRUE(w.desktop.errors.empty());
    EXPECT_FALSE(w.form.session().SourceClosed());
    EXPECT_TRUE(std::filesystem::exists(folder / "big.kvox"));
    EXPECT_EQ(w.progress(), w.progress(PBM_GETRANGE));
    // Closed afterwards as always; the large files go.
    SendMessageW(w.form.window(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(w.form.window()));
    MSG quit{};
    PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    std::filesystem::remove_all(folder);
}

TEST(Win32MainWindow, EveryWindowFollowsADensityChange) {
    MainWindow w;
    for (const HWND window :
         {w.form.window(), w.form.headForm().window(), w.form.aboutDlg().window()}) {
        RECT suggested{40, 30, 740, 430};
        SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(96, 96),
                     reinterpret_cast<LPARAM>(&suggested));
        RECT now{};
        GetWindowRect(window, &now);
        // The about box keeps its fixed size; the place is the suggested one for all.
        EXPECT_EQ(now.left, suggested.left) << ClassOf(window);
        EXPECT_EQ(now.top, suggested.top) << ClassOf(window);
    }
    // Laid out again at the same density: the controls keep their places.
    EXPECT_EQ(RectText(PlaceOf(w.control(TKVOCodecForm::kMemo1))),
              RectText(Designed(w.form.window(), {16, 33, 473, 153})));
}

TEST(Win32MainWindow, ErrorsGoToTheErrorBoxOwnedByTheMainWindow) {
    MainWindow w;
    const auto folder = cleanFolder("win-error");
    Bytes longPassport = plainRecording(60);
    longPassport[6] = 200;  // longer than the file
    writeBytes(folder / "long.kvo", longPassport);
    w.open(folder / "long.kvo");
    ASSERT_EQ(w.desktop.errors.size(), 1u);
    EXPECT_EQ(w.desktop.errors[0].owner, w.form.window());
    EXPECT_FALSE(w.desktop.errors[0].text.empty());
}

TEST(Win32MainWindow, TheWindowMenuOpensTheAboutBoxWithTheProgramsOwnVersion) {
    const ExecutableVersionInfoFile file;
    MainWindow w(file, Utf8OfWide(win32::ExecutableFile()));
    SendMessageW(w.form.window(), WM_SYSCOMMAND, 731, 0);
    ASSERT_TRUE(w.desktop.errors.empty()) << w.desktop.errors.front().text;
    const HWND about = w.form.aboutDlg().window();
    EXPECT_EQ(w.desktop.modals, (std::vector<FakeWinDesktop::Modal>{{about, w.form.window()}}));
    std::vector<std::string> labels;
    for (int i = 1; i <= 6; ++i) {
        labels.push_back(win32::TextOf(w.form.aboutDlg().label(i)));
    }
    EXPECT_EQ(labels,
              (std::vector<std::string>{
                  "CompanyName: KVOCodec developers", "ProductName: KVOCodec",
                  "PrivateBuild: " + std::string(BuildRevision()), "ProductVersion: 1.0.0.0",
                  "FileDescription: Обработка KVO-файлов", "FileVersion :  1.0.0.0"}));
    // Other window commands keep their default handling: this one does nothing here.
    SendMessageW(w.form.window(), WM_SYSCOMMAND, 732, 0);
    EXPECT_EQ(w.desktop.modals.size(), 1u);
}

TEST(Win32MainWindow, ExitClosesWithABeep) {
    MainWindow w;
    const auto folder = cleanFolder("win-exit");
    writeBytes(folder / "run.kvo", plainRecording(60));
    w.open(folder / "run.kvo");
    w.command(TKVOCodecForm::kExitCommand);
    EXPECT_EQ(w.desktop.beeps, 1);
    EXPECT_FALSE(IsWindow(w.form.window()));
    EXPECT_TRUE(w.form.session().SourceClosed());
    // The window's end asks the message loop to end.
    MSG message{};
    EXPECT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

}  // namespace
}  // namespace kvo::test

// The about box and the desktop's small conversions.

#include <gtest/gtest.h>

#include <string>

#include "app/win32/aboutdlg.h"
#include "app/win32/modalrun.h"
#include "app/win32/userdatetime.h"
#include "app/win32/windesktop.h"
#include "fakewindesktop.h"
#include "wintesting.h"

namespace kvo::test {
namespace {

TEST(Win32AboutBox, DesignedLayoutAndLabelsKeptWithoutText) {
    FakeWinDesktop desktop;
    win32::TAboutDlg dlg(desktop, nullptr);
    const HWND box = dlg.window();
    EXPECT_EQ(ClassOf(box), "TAboutDlg");
    EXPECT_EQ(win32::TextOf(box), "О программе");
    EXPECT_EQ(RectText(ClientRect(box)), RectText(Designed(box, {0, 0, 461, 164})));
    EXPECT_EQ(RectText(PlaceOf(dlg.OKBtn())), RectText(Designed(box, {236, 8, 213, 25})));
    EXPECT_EQ(win32::TextOf(dlg.OKBtn()), "OK");
    EXPECT_EQ(GetWindowLongPtrW(dlg.OKBtn(), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    EXPECT_FALSE(GetWindowLongPtrW(box, GWL_STYLE) & (WS_THICKFRAME | WS_MAXIMIZEBOX));

    dlg.Show({std::nullopt, "ProductName: KVOCodec", std::nullopt, std::nullopt, std::nullopt,
              "FileVersion :  2.3.4.5"});
    std::vector<std::string> labels;
    for (int i = 1; i <= 6; ++i) {
        labels.push_back(win32::TextOf(dlg.label(i)));
        // Each label is as wide as its text and inside the box.
        EXPECT_LE(PlaceOf(dlg.label(i)).right, ClientRect(box).right) << i;
    }
    EXPECT_EQ(labels,
              (std::vector<std::string>{"Обработка KVO-файлов", "ProductName: KVOCodec", "Label3",
                                        "Label4", "Label5", "FileVersion :  2.3.4.5"}));
    EXPECT_EQ(RectText(PlaceOf(dlg.label(1))).substr(0, 6),
              RectText(Designed(box, {224, 40, 1, 1})).substr(0, 6));
    ASSERT_EQ(desktop.modals.size(), 1u);
    EXPECT_EQ(desktop.modals[0].window, box);

    // A label too long for the box widens it.
    dlg.Show({"CompanyName: " + std::string(120, 'W'), std::nullopt, std::nullopt, std::nullopt,
              std::nullopt, std::nullopt});
    EXPECT_LE(PlaceOf(dlg.label(1)).right, ClientRect(box).right);
    EXPECT_GT(ClientRect(box).right, Designed(box, {0, 0, 461, 164}).right);
}

// The about box's client area as painted, in a white bitmap.
class PaintedClient {
  public:
    explicit PaintedClient(HWND window) : size_(ClientRect(window)) {
        const HDC screen = GetDC(nullptr);
        dc_ = CreateCompatibleDC(screen);
        bitmap_ = CreateCompatibleBitmap(screen, size_.right, size_.bottom);
        ReleaseDC(nullptr, screen);
        previous_ = SelectObject(dc_, bitmap_);
        FillRect(dc_, &size_, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc_), PRF_CLIENT);
    }
    ~PaintedClient() {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    PaintedClient(const PaintedClient&) = delete;
    PaintedClient& operator=(const PaintedClient&) = delete;

    COLORREF at(int x, int y) const { return GetPixel(dc_, x, y); }

  private:
    RECT size_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

TEST(Win32AboutBox, PaintsThePictureCutToImage1) {
    FakeWinDesktop desktop;
    const win32::TAboutDlg dlg(desktop, nullptr);
    ASSERT_EQ(win32::DpiOf(dlg.window()), 96u) << "the pixels below are at 96 dots per inch";
    const PaintedClient painted(dlg.window());
    // Image1 starts at 16,16: the picture's background, the hub at the rotor's centre (62,62),
    // the top sensor on the casing (62,7).
    EXPECT_EQ(painted.at(16 + 1, 16 + 1), RGB(230, 236, 245));
    EXPECT_EQ(painted.at(16 + 62, 16 + 62), RGB(200, 200, 60));
    EXPECT_EQ(painted.at(16 + 62, 16 + 7), RGB(255, 0, 0));
    // The picture is 132 rows high, Image1 129: the last rows are cut off.
    EXPECT_EQ(painted.at(16 + 100, 16 + 128), RGB(230, 236, 245));
    EXPECT_EQ(painted.at(16 + 100, 16 + 130), RGB(255, 255, 255));
}

// Looks at the windows from inside a modal loop, then presses a key in the box.
struct ModalProbe {
    static inline HWND owner = nullptr;
    static inline HWND box = nullptr;
    static inline HWND button = nullptr;
    static inline WPARAM key = 0;
    static inline bool ownerEnabled = true;
    static inline bool boxShown = false;
    static inline bool gaveUp = false;

    static void CALLBACK Press(HWND, UINT, UINT_PTR timer, DWORD) {
        KillTimer(nullptr, timer);
        ownerEnabled = IsWindowEnabled(owner) != 0;
        boxShown = IsWindowVisible(box) != 0;
        PostMessageW(button, WM_KEYDOWN, key, 0);
    }
    // A key that does nothing must not hold the test forever.
    static void CALLBACK GiveUp(HWND, UINT, UINT_PTR timer, DWORD) {
        KillTimer(nullptr, timer);
        gaveUp = true;
        ShowWindow(box, SW_HIDE);
    }
};

TEST(Win32AboutBox, ModalUntilEnterOrEscapeThenTheOwnerComesBack) {
    FakeWinDesktop desktop;
    const win32::TAboutDlg owner(desktop, nullptr);  // any top-level window will do as owner
    const win32::TAboutDlg dlg(desktop, owner.window());
    for (const WPARAM key : {WPARAM{VK_RETURN}, WPARAM{VK_ESCAPE}}) {
        ModalProbe::owner = owner.window();
        ModalProbe::box = dlg.window();
        ModalProbe::button = dlg.OKBtn();
        ModalProbe::key = key;
        ModalProbe::ownerEnabled = true;
        ModalProbe::boxShown = false;
        ModalProbe::gaveUp = false;
        SetTimer(nullptr, 0, 1, &ModalProbe::Press);
        const UINT_PTR guard = SetTimer(nullptr, 0, 5000, &ModalProbe::GiveUp);
        win32::RunModal(dlg.window(), owner.window());
        KillTimer(nullptr, guard);
        EXPECT_FALSE(ModalProbe::gaveUp) << key;
        EXPECT_TRUE(ModalProbe::boxShown) << key;
        EXPECT_FALSE(ModalProbe::ownerEnabled) << key;
        EXPECT_FALSE(IsWindowVisible(dlg.window())) << key;
        EXPECT_TRUE(IsWindowEnabled(owner.window())) << key;
    }
}

TEST(Win32Desktop, FilterListAndErrorBoxTitle) {
    EXPECT_EQ(win32::DialogFilter("a (*.kvo)|*.kvo|All|*.*"),
              std::wstring(L"a (*.kvo)\0*.kvo\0All\0*.*\0\0", 25));
    // The test program's name without ".exe".
    EXPECT_EQ(win32::ApplicationTitle(), L"kvo_app_win32_tests");
}

TEST(Win32Desktop, DatesBeforeTheSystemsFirstYearKeepTheirYear) {
    const std::string early = win32::UserDateTime({1900, 4, 9, 13, 5, 7, 0});
    const std::string late = win32::UserDateTime({2300, 4, 9, 13, 5, 7, 0});
    EXPECT_NE(early.find("1900"), std::string::npos) << early;
    EXPECT_EQ(early.find("2300"), std::string::npos) << early;
    std::string expected = late;
    expected.replace(late.find("2300"), 4, "1900");
    EXPECT_EQ(early, expected);
    EXPECT_NE(early.find("  "), std::string::npos);
}

}  // namespace
}  // namespace kvo::test

#pragma once
// TAboutDlg: the about box. It shows the labels the controller read from the version resource
// beside the program's picture; OK (or Enter, Escape, the close button) hides it.

#include <windows.h>

#include <array>

#include "app/aboutlabels.h"
#include "app/win32/winwindow.h"

namespace kvo::win32 {

class WinDesktop;

class TAboutDlg {
  public:
    static constexpr const wchar_t* kClassName = L"TAboutDlg";
    static constexpr int kOkId = IDOK;

    TAboutDlg(WinDesktop& desktop, HWND owner);
    ~TAboutDlg();
    TAboutDlg(const TAboutDlg&) = delete;
    TAboutDlg& operator=(const TAboutDlg&) = delete;

    // Writes the labels that have a text and shows the box modally.
    void Show(const AboutLabels& labels);

    HWND window() const noexcept { return fWindow; }
    HWND label(int number) const;  // Label1 .. Label6
    HWND OKBtn() const noexcept { return fOk; }

    LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Fonts and places for the monitor's density; the labels take the width of their texts and
    // the box grows to the right to hold the widest.
    void applyDpi();

  private:
    // Bevel1 and Image1.
    void paintPicture(HDC dc) const;
    LRESULT labelColours(HDC dc, HWND label) const;

    WinDesktop& fDesktop;
    HWND fOwner;
    HWND fWindow = nullptr;
    HWND fOk = nullptr;
    std::array<HWND, 6> fLabels{};
    std::array<Font, 6> fLabelFonts;
    Font fButtonFont;
};

}  // namespace kvo::win32

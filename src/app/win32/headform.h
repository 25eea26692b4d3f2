#pragma once
// THeadForm: the passport window. It only shows the lines the Open command writes into Memo1;
// closing it hides it for the next time.

#include <windows.h>

#include <string>
#include <vector>

#include "app/win32/winwindow.h"

namespace kvo::win32 {

class THeadForm {
  public:
    static constexpr const wchar_t* kClassName = L"THeadForm";

    explicit THeadForm(HWND owner);
    ~THeadForm();
    THeadForm(const THeadForm&) = delete;
    THeadForm& operator=(const THeadForm&) = delete;

    HWND window() const noexcept { return fWindow; }
    HWND Memo1() const noexcept { return fMemo1; }
    void showLines(const std::vector<std::string>& lines);

    LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Fonts and places for the monitor's density.
    void applyDpi();

  private:
    HWND fWindow = nullptr;
    HWND fMemo1 = nullptr;
    Font fFont;
};

}  // namespace kvo::win32

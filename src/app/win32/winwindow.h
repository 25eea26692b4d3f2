#pragma once
// Small pieces every Win32 window here is made of: scaling from the designed 96 dots per inch,
// fonts, child controls, UTF-8 texts and the window procedure that finds its C++ object.

#include <windows.h>

#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace kvo::win32 {

// A rectangle as designed, at 96 dots per inch.
struct DesignRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

inline constexpr UINT kDesignDpi = 96;

// The dots per inch of the monitor the window is on (of the system on older Windows).
UINT DpiOf(HWND window);
int Scaled(int designed, UINT dpi);
RECT ScaledRect(const DesignRect& rect, UINT dpi);
void Place(HWND control, const DesignRect& where, UINT dpi);
// Gives `window` the designed client size at its monitor's density.
void SetClientSize(HWND window, int width, int height);
// On WM_DPICHANGED: takes the place and size the system suggests for the new density.
void MoveToSuggestedRect(HWND window, LPARAM suggested);
// Centres `window` on the monitor its owner (or the primary one) is on.
void CenterOnMonitor(HWND window);

struct FontDeleter {
    void operator()(HFONT font) const noexcept { DeleteObject(font); }
};
using Font = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

// A font `pixels` high at 96 dots per inch (a character height, as designers give it).
Font MakeFont(const wchar_t* face, int pixels, UINT dpi, bool bold = false,
              BYTE charset = DEFAULT_CHARSET);
// The windows' designed font, Tahoma 8 points.
Font FormFont(UINT dpi, bool bold = false);
void SetFont(HWND control, HFONT font);

HINSTANCE ProgramInstance();
// The full path of the running program.
std::wstring ExecutableFile();
// Registers a window class once per process.
void RegisterWindowClass(const wchar_t* name, WNDPROC procedure, HICON icon, int background);
// The program's icon from its resources (none in a test program).
HICON ProgramIcon(int size);

HWND CreateChild(HWND parent, const wchar_t* windowClass, DWORD style, int id,
                 const std::string& text = {}, DWORD exStyle = 0);

void SetText(HWND window, const std::string& utf8);
// The width in pixels of a control's text in its font.
int TextWidth(HWND control);
std::string TextOf(HWND window);
// Lines for a multi-line edit box.
std::string JoinedLines(const std::vector<std::string>& lines);

// A window procedure that hands each message to `T::handle` of the object passed as the creation
// parameter. Messages before WM_NCCREATE (and after the object is gone) get the default handling.
// A window with `applyDpi` takes the place the system suggests when its density changes and lays
// itself out again.
template <class T>
LRESULT CALLBACK WindowProcedureOf(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    T* const self = reinterpret_cast<T*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    if constexpr (requires { self->applyDpi(); }) {
        if (message == WM_DPICHANGED) {
            MoveToSuggestedRect(window, lParam);
            self->applyDpi();
            return 0;
        }
    }
    return self->handle(window, message, wParam, lParam);
}

}  // namespace kvo::win32

#include "app/win32/winwindow.h"

#include "platform/widetext.h"

namespace kvo::win32 {

UINT DpiOf(HWND window) {
    // Windows 10 knows each monitor's density; older systems one for all.
    using DpiForWindow = UINT(WINAPI*)(HWND);
    static const auto dpiForWindow = reinterpret_cast<DpiForWindow>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (dpiForWindow != nullptr && window != nullptr) {
        if (const UINT dpi = dpiForWindow(window); dpi != 0) {
            return dpi;
        }
    }
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : kDesignDpi;
}

int Scaled(int designed, UINT dpi) {
    return MulDiv(designed, static_cast<int>(dpi), static_cast<int>(kDesignDpi));
}

RECT ScaledRect(const DesignRect& rect, UINT dpi) {
    return {Scaled(rect.left, dpi), Scaled(rect.top, dpi), Scaled(rect.left + rect.width, dpi),
            Scaled(rect.top + rect.height, dpi)};
}

void Place(HWND control, const DesignRect& where, UINT dpi) {
    const RECT rect = ScaledRect(where, dpi);
    SetWindowPos(control, nullptr, rect.left, rect.top, rect.right - rect.left,
                 rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void SetClientSize(HWND window, int width, int height) {
    const UINT dpi = DpiOf(window);
    RECT frame{0, 0, Scaled(width, dpi), Scaled(height, dpi)};
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
    AdjustWindowRectEx(&frame, style, GetMenu(window) != nullptr, exStyle);
    SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // A menu bar that wraps takes more room than AdjustWindowRectEx allows for.
    RECT client{};
    GetClientRect(window, &client);
    const int missing = Scaled(height, dpi) - (client.bottom - client.top);
    if (missing > 0) {
        SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left,
                     frame.bottom - frame.top + missing,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void MoveToSuggestedRect(HWND window, LPARAM suggested) {
    const auto* rect = reinterpret_cast<const RECT*>(suggested);
    SetWindowPos(window, nullptr, rect->left, rect->top, rect->right - rect->left,
                 rect->bottom - rect->top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CenterOnMonitor(HWND window) {
    const HWND owner = GetWindow(window, GW_OWNER);
    const HMONITOR monitor =
        MonitorFromWindow(owner != nullptr ? owner : window, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    GetMonitorInfoW(monitor, &info);
    RECT frame{};
    GetWindowRect(window, &frame);
    const RECT& work = info.rcWork;
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(window, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

Font MakeFont(const wchar_t* face, int pixels, UINT dpi, bool bold, BYTE charset) {
    LOGFONTW font{};
    font.lfHeight = -Scaled(pixels, dpi);
    font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    font.lfCharSet = charset;
    font.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
    return Font(CreateFontIndirectW(&font));
}

Font FormFont(UINT dpi, bool bold) {
    // 8 points are 11 pixels at 96 dots per inch.
    constexpr int kPoints = 8;
    return MakeFont(L"Tahoma", MulDiv(kPoints, static_cast<int>(kDesignDpi), 72), dpi, bold);
}

void SetFont(HWND control, HFONT font) {
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

HINSTANCE ProgramInstance() {
    return GetModuleHandleW(nullptr);
}

std::wstring ExecutableFile() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

void RegisterWindowClass(const wchar_t* name, WNDPROC procedure, HICON icon, int background) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    if (GetClassInfoExW(ProgramInstance(), name, &windowClass) != 0) {
        return;
    }
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = ProgramInstance();
    windowClass.hIcon = icon;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(background + 1));
    windowClass.lpszClassName = name;
    RegisterClassExW(&windowClass);
}

HICON ProgramIcon(int size) {
    // Resource 1 is the program's icon where it has one.
    return static_cast<HICON>(
        LoadImageW(ProgramInstance(), MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, LR_SHARED));
}

HWND CreateChild(HWND parent, const wchar_t* windowClass, DWORD style, int id,
                 const std::string& text, DWORD exStyle) {
    return CreateWindowExW(
        exStyle, windowClass, WideOf(text).c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
        parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ProgramInstance(), nullptr);
}

int TextWidth(HWND label) {
    const std::wstring text = WideOf(TextOf(label));
    const HDC dc = GetDC(label);
    const auto font = reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0));
    const HGDIOBJ previous = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, previous);
    ReleaseDC(label, dc);
    return size.cx + metrics.tmOverhang;
}

void SetText(HWND window, const std::string& utf8) {
    SetWindowTextW(window, WideOf(utf8).c_str());
}

std::string TextOf(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return Utf8OfWide(text);
}

std::string JoinedLines(const std::vector<std::string>& lines) {
    std::string joined;
    for (const std::string& line : lines) {
        if (&line != &lines.front()) {
            joined += "\r\n";
        }
        joined += line;
    }
    return joined;
}

}  // namespace kvo::win32

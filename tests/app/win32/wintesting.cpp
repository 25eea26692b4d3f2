#include "wintesting.h"

#include "platform/widetext.h"

namespace kvo::test {

RECT PlaceOf(HWND control) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

RECT Designed(HWND window, const win32::DesignRect& rect) {
    return win32::ScaledRect(rect, win32::DpiOf(window));
}

RECT ClientRect(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return client;
}

std::string ClassOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return Utf8OfWide(name);
}

std::vector<std::string> MenuItems(HMENU menu, bool withState) {
    std::vector<std::string> items;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
        if ((state & MF_SEPARATOR) != 0) {
            items.emplace_back("-");
            continue;
        }
        wchar_t text[256] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), text, 256, MF_BYPOSITION);
        std::string item = Utf8OfWide(text);
        if (withState) {
            item += (state & (MF_GRAYED | MF_DISABLED)) != 0 ? "-" : "+";
        }
        items.push_back(item);
    }
    return items;
}

void DrainMessages() {
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != 0) {
        if (message.message != WM_QUIT) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

std::string RectText(const RECT& rect) {
    return std::to_string(rect.left) + "," + std::to_string(rect.top) + " " +
           std::to_string(rect.right - rect.left) + "x" + std::to_string(rect.bottom - rect.top);
}

}  // namespace kvo::test

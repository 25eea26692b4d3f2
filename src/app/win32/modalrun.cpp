#include "app/win32/modalrun.h"

namespace kvo::win32 {

void RunModal(HWND window, HWND owner) {
    const bool ownerWasEnabled = owner != nullptr && IsWindowEnabled(owner) != 0;
    if (ownerWasEnabled) {
        EnableWindow(owner, FALSE);
    }
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    MSG message{};
    while (IsWindowVisible(window) != 0) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            PostQuitMessage(got == 0 ? static_cast<int>(message.wParam) : 1);
            break;
        }
        if (IsDialogMessageW(window, &message) == 0) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    // The owner comes back before the window goes, so that it, not another program, is
    // activated.
    if (ownerWasEnabled) {
        EnableWindow(owner, TRUE);
        SetActiveWindow(owner);
    }
    ShowWindow(window, SW_HIDE);
}

}  // namespace kvo::win32

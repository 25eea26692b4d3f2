// Start-up: the main window (which then creates the passport window and the about box), the file
// named as the one argument if there is one, then the message loop until the main window closes.

#include <windows.h>

#include <string>
#include <vector>

#include "app/win32/kvocodecform.h"
#include "app/win32/windesktop.h"
#include "app/win32/winwindow.h"
#include "model/beep.h"
#include "platform/programentry.h"
#include "platform/versioninfofile.h"
#include "platform/widetext.h"

namespace {

// Tab and Shift+Tab move between the summary box and the block size list.
bool MovedFocus(HWND window, const MSG& message) {
    if (message.message != WM_KEYDOWN || message.wParam != VK_TAB ||
        (GetKeyState(VK_CONTROL) & 0x8000) != 0 || !IsChild(window, message.hwnd)) {
        return false;
    }
    const bool back = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
    if (const HWND next = GetNextDlgTabItem(window, message.hwnd, back ? TRUE : FALSE)) {
        SetFocus(next);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments = kvo::ProgramArguments(argc, argv);
    kvo::setBeepHook([] { MessageBeep(0); });
    kvo::win32::SystemDesktop desktop;
    const kvo::ExecutableVersionInfoFile versionFile;
    kvo::win32::TKVOCodecForm mainForm(desktop, versionFile,
                                       kvo::Utf8OfWide(kvo::win32::ExecutableFile()));
    ShowWindow(mainForm.window(), SW_SHOWDEFAULT);
    UpdateWindow(mainForm.window());
    // Explorer hands over the file to open, as "kvocodec.exe FILE".
    if (arguments.size() == 1) {
        mainForm.openArgument(arguments.front());
    }
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (MovedFocus(mainForm.window(), message)) {
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    kvo::setBeepHook({});
    return static_cast<int>(message.wParam);
}

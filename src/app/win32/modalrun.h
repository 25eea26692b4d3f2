#pragma once
// A window shown modally: its owner takes no input until the window is hidden again.

#include <windows.h>

namespace kvo::win32 {

// Runs the messages of the thread until `window` is no longer visible. Dialog keys (Enter, Escape,
// Tab) go to the window's buttons. A WM_QUIT that arrives meanwhile ends the wait and is posted
// again for the loop outside.
void RunModal(HWND window, HWND owner);

}  // namespace kvo::win32

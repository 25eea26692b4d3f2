#pragma once
// Reading the Win32 windows back through the system's own calls, as a person's tools would.

#include <windows.h>

#include <string>
#include <vector>

#include "app/win32/winwindow.h"

namespace kvo::test {

// A control's rectangle in its parent's client coordinates.
RECT PlaceOf(HWND control);
// The designed rectangle at the window's density.
RECT Designed(HWND window, const win32::DesignRect& rect);
// "left,top widthxheight", for comparing and printing.
std::string RectText(const RECT& rect);
// The client area as a rectangle at 0,0.
RECT ClientRect(HWND window);
std::string ClassOf(HWND window);
// The menu's items as "caption" (or "-" for a separator), with "+"/"-" for enabled/grayed.
std::vector<std::string> MenuItems(HMENU menu, bool withState = false);
// Runs the thread's waiting messages.
void DrainMessages();

}  // namespace kvo::test

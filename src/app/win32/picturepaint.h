#pragma once
// The program's pictures (app/artwork.h) painted with GDI.

#include <windows.h>

#include "app/artwork.h"

namespace kvo::win32 {

// Paints `picture` with its top-left corner at `origin`, each designed pixel `dpi`/96 device
// pixels, cut off at `clip` (device coordinates).
void PaintPicture(HDC dc, const artwork::Picture& picture, POINT origin, UINT dpi,
                  const RECT& clip);

}  // namespace kvo::win32

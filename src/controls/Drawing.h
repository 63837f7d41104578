#pragma once

#include "platform/gdi/gdi.h"

namespace nimbrel::controls {

// A one-pixel line from (x1, y1) to (x2, y2), end point excluded as LineTo
// draws it, with a pen made for it and deleted after; the context's own pen
// is selected again.
void DrawLine(gdi::HDC dc, int x1, int y1, int x2, int y2, gdi::COLORREF colour, int style);

}  // namespace nimbrel::controls

#include "controls/Drawing.h"

namespace nimbrel::controls {

void DrawLine(gdi::HDC dc, int x1, int y1, int x2, int y2, gdi::COLORREF colour, int style) {
    gdi::HPEN pen = gdi::CreatePen(style, 1, colour);
    gdi::HGDIOBJ old = gdi::SelectObject(dc, pen);
    gdi::MoveToEx(dc, x1, y1, nullptr);
    gdi::LineTo(dc, x2, y2);
    gdi::SelectObject(dc, old);
    gdi::DeleteObject(pen);
}

}  // namespace nimbrel::controls

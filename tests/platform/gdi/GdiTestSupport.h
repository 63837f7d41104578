#pragma once
// A memory context over a fresh bitmap, cleaned up and checked for leaks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/gdi/gdi.h"

namespace gdi::test {

class Canvas {
public:
    Canvas(int width, int height, COLORREF background = RGB(255, 255, 255)) : width_(width), height_(height) {
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateCompatibleBitmap(nullptr, width, height);
        old = SelectObject(dc, bitmap);
        Clear(background);
    }
    ~Canvas() {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    void Clear(COLORREF colour) {
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) SetPixel(dc, x, y, colour);
    }
    // One character per pixel: '#' where the pixel has the colour, '.' elsewhere.
    std::string Mask(COLORREF colour) const {
        std::string s;
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) s += GetPixel(dc, x, y) == colour ? '#' : '.';
            s += '\n';
        }
        return s;
    }
    int Count(COLORREF colour) const {
        int n = 0;
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) n += GetPixel(dc, x, y) == colour;
        return n;
    }

    HDC dc;
    HBITMAP bitmap;

private:
    HGDIOBJ old;
    int width_, height_;
};

// Draws with a freshly made pen and brush the way the controls do, and
// releases both.
template <typename Draw>
void WithPenAndBrush(HDC dc, HPEN pen, HBRUSH brush, Draw draw) {
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    draw();
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(pen);
    DeleteObject(brush);
}

}  // namespace gdi::test

#pragma once
// The tests are the controls' host: a site that records what the control
// asks for, and helpers to look at the surface.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "controls/ControlHost.h"
#include "platform/gdi/gdi.h"

namespace nimbrel::controls::test {

class RecordingSite : public ControlSite {
public:
    explicit RecordingSite(double twipsPerPixel = 15.0) : tpp(twipsPerPixel) {}
    double TwipsPerPixelX() const override { return tpp; }
    double TwipsPerPixelY() const override { return tpp; }
    void PropertyChanged(UserControl&, const std::string& name) override { changed.push_back(name); }
    void ShowSurface(UserControl&) override { ++shown; }
    void ControlSized(UserControl&) override { ++sized; }

    double tpp;
    std::vector<std::string> changed;
    int shown = 0;
    int sized = 0;
};

inline gdi::COLORREF Pixel(const UserControl& c, int x, int y) {
    return gdi::GetPixel(c.hDC(), x, y);
}

// Bounding box of the pixels that are not `background` (empty if none).
inline gdi::RECT BoxOfNot(const UserControl& c, gdi::COLORREF background) {
    gdi::RECT box{1 << 20, 1 << 20, -1, -1};
    for (int y = 0; y < c.ScaleHeight(); ++y)
        for (int x = 0; x < c.ScaleWidth(); ++x)
            if (Pixel(c, x, y) != background) {
                box.left = std::min<gdi::LONG>(box.left, x);
                box.top = std::min<gdi::LONG>(box.top, y);
                box.right = std::max<gdi::LONG>(box.right, x + 1);
                box.bottom = std::max<gdi::LONG>(box.bottom, y + 1);
            }
    if (box.right < 0) return gdi::RECT{0, 0, 0, 0};
    return box;
}

inline int CountColour(const UserControl& c, gdi::COLORREF colour) {
    int n = 0;
    for (int y = 0; y < c.ScaleHeight(); ++y)
        for (int x = 0; x < c.ScaleWidth(); ++x) n += Pixel(c, x, y) == colour;
    return n;
}

// Saves the surface, enlarged 4 times, under the build tree for looking at.
inline void SavePicture(const UserControl& c, const std::string& name) {
    std::filesystem::path dir = std::filesystem::path(NIMBREL_BINARY_DIR) / "controls-pictures";
    std::filesystem::create_directories(dir);
    const int k = 4;
    gdi::HDC dc = gdi::CreateCompatibleDC(nullptr);
    gdi::HBITMAP big = gdi::CreateCompatibleBitmap(dc, c.ScaleWidth() * k, c.ScaleHeight() * k);
    gdi::HGDIOBJ old = gdi::SelectObject(dc, big);
    gdi::StretchBlt(dc, 0, 0, c.ScaleWidth() * k, c.ScaleHeight() * k, c.hDC(), 0, 0, c.ScaleWidth(), c.ScaleHeight(),
                    gdi::SRCCOPY);
    gdi::SelectObject(dc, old);
    gdi::SaveBitmapPng(big, (dir / (name + ".png")).string());
    gdi::DeleteObject(big);
    gdi::DeleteDC(dc);
}

}  // namespace nimbrel::controls::test

#include <algorithm>
#include <cmath>

#include "base/DateTime.h"
#include "controls/ControlHost.h"

namespace nimbrel::controls {

namespace {

// Surfaces larger than this are refused (the size stays as it was in that
// dimension) rather than allocating gigabytes for a mistaken size.
constexpr int kMaxSurfacePixels = 16384;

int TwipsToPixels(int twips, double twipsPerPixel) {
    if (twips <= 0 || !(twipsPerPixel > 0)) return 0;
    double px = RoundHalfEven(twips / twipsPerPixel);
    return int(std::min<double>(px, kMaxSurfacePixels));
}

}  // namespace

int32_t TranslateColour(int32_t value) {
    if ((uint32_t(value) >> 24) == 0x80) return int32_t(gdi::GetSysColor(int(uint32_t(value) & 0x00FFFFFF)));
    return value;
}

double UserControl::UsableTwipsPerPixel(double twipsPerPixel) {
    if (!(twipsPerPixel > 0) || !std::isfinite(twipsPerPixel)) return 15.0;
    return std::clamp(twipsPerPixel, 1.0, 1440.0);
}

UserControl::UserControl(ControlSite* site) : site_(site) {
    dc_ = gdi::CreateCompatibleDC(nullptr);
    defaultBitmap_ = gdi::GetCurrentBitmap(dc_);
    // Persistent surfaces draw text without filling behind it and shapes
    // without filling them unless a brush is chosen for the call.
    gdi::SetBkMode(dc_, gdi::TRANSPARENT);
    gdi::SelectObject(dc_, gdi::GetStockObject(gdi::NULL_BRUSH));
}

UserControl::~UserControl() {
    if (bitmap_) {
        gdi::SelectObject(dc_, defaultBitmap_);
        gdi::DeleteObject(bitmap_);
    }
    gdi::DeleteDC(dc_);
}

gdi::BitmapView UserControl::Surface() const {
    if (!bitmap_) return {};
    return gdi::GetBitmapView(bitmap_);
}

void UserControl::Cls() {
    if (!bitmap_) return;
    gdi::HBRUSH brush = gdi::CreateSolidBrush(backColor_);
    gdi::RECT r{0, 0, widthPx_, heightPx_};
    gdi::FillRect(dc_, &r, brush);
    gdi::DeleteObject(brush);
}

void UserControl::SizeSurface(int widthTwips, int heightTwips) {
    widthTwips_ = std::max(0, widthTwips);
    heightTwips_ = std::max(0, heightTwips);
    int w = TwipsToPixels(widthTwips_, TwipsPerPixelX());
    int h = TwipsToPixels(heightTwips_, TwipsPerPixelY());
    if (w == widthPx_ && h == heightPx_) return;

    gdi::HBITMAP old = bitmap_;
    gdi::HBITMAP fresh = nullptr;
    if (w > 0 && h > 0) {
        fresh = gdi::CreateCompatibleBitmap(dc_, w, h);
        if (!fresh) return;  // out of memory: keep the surface as it is
    }
    gdi::SelectObject(dc_, fresh ? fresh : defaultBitmap_);
    bitmap_ = fresh;
    int oldW = widthPx_, oldH = heightPx_;
    widthPx_ = fresh ? w : 0;
    heightPx_ = fresh ? h : 0;
    if (fresh) {
        // New area shows the background; the old picture stays where it was.
        Cls();
        if (old) {
            gdi::HDC src = gdi::CreateSurfaceDC(old);
            gdi::BitBlt(dc_, 0, 0, std::min(oldW, w), std::min(oldH, h), src, 0, 0, gdi::SRCCOPY);
            gdi::DeleteDC(src);
        }
    }
    if (old) gdi::DeleteObject(old);
}

void UserControl::Resize(int widthTwips, int heightTwips) {
    SizeSurface(widthTwips, heightTwips);
    OnResize();
}

void UserControl::SetOwnSize(int widthTwips, int heightTwips) {
    if (widthTwips == widthTwips_ && heightTwips == heightTwips_) return;
    SizeSurface(widthTwips, heightTwips);
    if (site_) site_->ControlSized(*this);
}

void UserControl::NotifyPropertyChanged(const std::string& name) {
    if (site_) site_->PropertyChanged(*this, name);
}

void UserControl::RequestShow() {
    if (site_) site_->ShowSurface(*this);
}

}  // namespace nimbrel::controls

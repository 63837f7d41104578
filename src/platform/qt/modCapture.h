#pragma once
// Copies what a window looks like into a new picture: the bitmap the JPEG
// encoder reads when the graph window is saved. The module keeps no state;
// every call makes a new picture that owns its bitmap (and palette, on a
// palette display).
//
// How the look is read: on X11 the window's rectangle, frame included, is read
// back from the screen, so the picture is what the user sees. Where the screen
// cannot be read (offscreen, Wayland, a window that is hidden or not wholly on
// the screen) the window renders itself and that rendering is set inside a
// frame drawn to the window's outer size, with the caption in the title bar
// when the frame has room for one.
#include <cstdint>
#include <memory>

#include "platform/gdi/gdi.h"

class QWidget;
class QImage;

namespace nimbrel {

// A captured picture. It owns its bitmap and palette and frees both when it
// goes; a picture whose bitmap could not be made reports HasBitmap() false,
// which the capture command turns into "Image could not be saved.".
class Picture {
public:
    Picture() = default;
    Picture(gdi::HBITMAP hBmp, gdi::HPALETTE hPal) : bitmap_(hBmp), palette_(hPal) {}
    ~Picture();
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    // Null when there is no bitmap.
    gdi::HBITMAP Handle() const { return bitmap_; }
    // Null on a true-colour display.
    gdi::HPALETTE hPal() const { return palette_; }
    bool HasBitmap() const { return bitmap_ != nullptr; }
    // Size in pixels; 0 x 0 without a bitmap.
    int Width() const;
    int Height() const;

private:
    gdi::HBITMAP bitmap_ = nullptr;
    gdi::HPALETTE palette_ = nullptr;
};

using PicturePtr = std::unique_ptr<Picture>;

// The whole window frmSrc, frame, title bar and menu bar included, at its full
// outer size in device pixels (on a screen at 200 %, twice its logical size).
PicturePtr CaptureFormImage(const QWidget& frmSrc);

// The lWidthSrc x lHeightSrc rectangle at (lLeftSrc, lTopSrc) of the window,
// in device pixels:
// in client coordinates with blnClient, otherwise in the coordinates of the
// whole window (frame and title bar included). The client area of a main
// window starts below its menu bar. Parts of the rectangle outside the window
// come out black.
PicturePtr CopyWindowToPicture(const QWidget* hWndSrc, bool blnClient, int32_t lLeftSrc, int32_t lTopSrc,
                               int32_t lWidthSrc, int32_t lHeightSrc);

// A picture that takes ownership of both handles (hPal may be null).
PicturePtr PictureFromBitmap(gdi::HBITMAP hBmp, gdi::HPALETTE hPal);

// The window's outer size in twips, as CaptureFormImage reads it (15 twips to
// the pixel).
int32_t OuterWidthTwips(const QWidget& window);
int32_t OuterHeightTwips(const QWidget& window);

// True when the window's look is read back from the screen (X11, the window
// shown, exposed and wholly on its screen); false when it is composed.
bool ReadsFromScreen(const QWidget& window);

// The look of the whole window (blnClient false) or of its client area, in
// device pixels, as CopyWindowToPicture reads it. Exposed so that tests can compare a
// capture with the window's own rendering.
QImage WindowLook(const QWidget& window, bool blnClient);

}  // namespace nimbrel

#include "platform/qt/modCapture.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <cmath>
#include <cstring>
#include <vector>

namespace nimbrel {

namespace {

// The layouts assume 15 twips to the logical pixel, on every axis.
constexpr double kTwipsPerPixelX = 15.0;
constexpr double kTwipsPerPixelY = 15.0;

// A title bar narrower than this cannot hold a readable caption.
constexpr int kMinTitleBarHeight = 14;

// Outer rectangle of the window (frame included) and its client rectangle,
// both in global logical pixels.
QRect OuterRect(const QWidget& w) {
    if (w.isWindow()) return w.frameGeometry();
    return QRect(w.mapToGlobal(QPoint(0, 0)), w.size());
}
QRect InnerRect(const QWidget& w) {
    if (w.isWindow()) return w.geometry();
    return QRect(w.mapToGlobal(QPoint(0, 0)), w.size());
}

// The client area of a main window is what lies below its menu bar, as the
// menu bar belongs to the frame on the desktops this program came from.
int MenuBarHeight(const QWidget& w) {
    auto* main = qobject_cast<const QMainWindow*>(&w);
    if (!main) return 0;
    QWidget* bar = main->menuWidget();
    return bar && bar->isVisible() ? bar->height() : 0;
}

// Device pixels to the logical pixel where the window is: 2 on a screen at
// 200 %. A capture is saved at the window's real pixel size, so everything
// measured in logical pixels is scaled by it.
double Ratio(const QWidget& w) {
    const double r = w.devicePixelRatioF();
    return r > 0 ? r : 1.0;
}
int ToDevice(int logical, double ratio) {
    return static_cast<int>(std::lround(logical * ratio));
}
QSize ToDevice(QSize logical, double ratio) {
    return QSize(ToDevice(logical.width(), ratio), ToDevice(logical.height(), ratio));
}

// The image at exactly size device pixels: it already is, unless the
// platform rounded differently.
QImage ToDeviceSize(QImage image, QSize size) {
    if (image.size() != size && !image.isNull())
        image = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    image.setDevicePixelRatio(1.0);
    return image;
}

QImage ReadScreen(const QWidget& w, const QRect& outer) {
    QScreen* screen = w.screen();
    const QPoint at = outer.topLeft() - screen->geometry().topLeft();
    QPixmap shot = screen->grabWindow(0, at.x(), at.y(), outer.width(), outer.height());
    return ToDeviceSize(shot.toImage(), ToDevice(outer.size(), Ratio(w)));
}

// The window's own rendering inside a frame drawn in the margins that the
// platform reports for it: a border, and a title bar with the caption when the
// top margin is tall enough for one.
QImage Compose(const QWidget& w, const QRect& outer, const QRect& inner) {
    const double ratio = Ratio(w);
    QImage image(ToDevice(outer.size(), ratio), QImage::Format_RGB32);
    // Drawn in logical pixels, as the window lays itself out.
    image.setDevicePixelRatio(ratio);
    const QPalette& pal = w.palette();
    image.fill(pal.color(QPalette::Window).darker(115));
    QPainter p(&image);
    const QPoint client = inner.topLeft() - outer.topLeft();
    const int top = client.y();
    if (top >= kMinTitleBarHeight) {
        const QRect bar(1, 1, outer.width() - 2, top - 1);
        p.fillRect(bar, pal.color(QPalette::Highlight));
        QFont font = w.font();
        font.setBold(true);
        font.setPixelSize(std::max(8, std::min(bar.height() - 6, 13)));
        p.setFont(font);
        p.setPen(pal.color(QPalette::HighlightedText));
        const QRect text = bar.adjusted(6, 0, -6, 0);
        p.drawText(text, Qt::AlignVCenter | Qt::AlignLeft,
                   QFontMetrics(font).elidedText(w.windowTitle(), Qt::ElideRight, text.width()));
    }
    // The border and the window's rendering go in device pixels: the border
    // one logical pixel wide along the very edge, the rendering pixel for
    // pixel.
    p.resetTransform();
    p.scale(1.0 / ratio, 1.0 / ratio);
    const QRect all(QPoint(0, 0), image.size());
    const int edge = std::max(1, static_cast<int>(std::lround(ratio)));
    if (all.width() > 0 && all.height() > 0) {
        const QColor shadow = pal.color(QPalette::Shadow);
        p.fillRect(QRect(0, 0, all.width(), edge), shadow);
        p.fillRect(QRect(0, all.height() - edge, all.width(), edge), shadow);
        p.fillRect(QRect(0, 0, edge, all.height()), shadow);
        p.fillRect(QRect(all.width() - edge, 0, edge, all.height()), shadow);
    }
    const QPixmap look = const_cast<QWidget&>(w).grab();
    p.drawImage(QPoint(ToDevice(client.x(), ratio), ToDevice(client.y(), ratio)),
                ToDeviceSize(look.toImage(), ToDevice(inner.size(), ratio)));
    p.end();
    image.setDevicePixelRatio(1.0);
    return image;
}

// A 24-bit DIB holding the image, top row first as the picture is seen.
gdi::HBITMAP ImageToBitmap(const QImage& image) {
    if (image.isNull()) return nullptr;
    const QImage bgr = image.convertToFormat(QImage::Format_BGR888);
    gdi::HBITMAP bitmap = gdi::CreateDIB24(nullptr, bgr.width(), bgr.height());
    if (!bitmap) return nullptr;
    const gdi::BitmapView view = gdi::GetBitmapView(bitmap);
    const size_t rowBytes = size_t(bgr.width()) * 3;
    for (int y = 0; y < bgr.height() && y < view.height; ++y)
        std::memcpy(view.bits + size_t(view.height - 1 - y) * view.stride, bgr.constScanLine(y), rowBytes);
    return bitmap;
}

// Stands for GetWindowDC / GetDC: a context over the window's current look.
// *look receives the bitmap behind it, which the caller deletes after
// ReleaseDC.
gdi::HDC GetLookDC(const QWidget& window, bool blnClient, gdi::HBITMAP* look) {
    *look = ImageToBitmap(WindowLook(window, blnClient));
    if (!*look) return nullptr;
    gdi::HDC dc = gdi::CreateSurfaceDC(*look);
    if (!dc) {
        gdi::DeleteObject(*look);
        *look = nullptr;
    }
    return dc;
}

}  // namespace

Picture::~Picture() {
    if (bitmap_) gdi::DeleteObject(bitmap_);
    if (palette_) gdi::DeleteObject(palette_);
}

int Picture::Width() const {
    return bitmap_ ? gdi::GetBitmapView(bitmap_).width : 0;
}
int Picture::Height() const {
    return bitmap_ ? gdi::GetBitmapView(bitmap_).height : 0;
}

int32_t OuterWidthTwips(const QWidget& window) {
    return int32_t(OuterRect(window).width() * kTwipsPerPixelX);
}
int32_t OuterHeightTwips(const QWidget& window) {
    return int32_t(OuterRect(window).height() * kTwipsPerPixelY);
}

bool ReadsFromScreen(const QWidget& w) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return false;
    if (!w.isVisible() || w.isMinimized()) return false;
    const QWindow* handle = w.window()->windowHandle();
    if (!handle || !handle->isExposed()) return false;
    const QScreen* screen = w.screen();
    return screen && screen->geometry().contains(OuterRect(w));
}

QImage WindowLook(const QWidget& window, bool blnClient) {
    const QRect outer = OuterRect(window);
    const QRect inner = InnerRect(window);
    if (outer.isEmpty()) return {};
    QImage whole = ReadsFromScreen(window) ? ReadScreen(window, outer) : Compose(window, outer, inner);
    if (!blnClient) return whole;
    const int bar = MenuBarHeight(window);
    const QPoint corner = inner.topLeft() - outer.topLeft() + QPoint(0, bar);
    const double ratio = Ratio(window);
    const QRect client(QPoint(ToDevice(corner.x(), ratio), ToDevice(corner.y(), ratio)),
                       ToDevice(QSize(inner.width(), std::max(0, inner.height() - bar)), ratio));
    return whole.copy(client);
}

PicturePtr CaptureFormImage(const QWidget& frmSrc) {
    // nearbyint rounds halves to the even neighbour, as every conversion of
    // twips to pixels in the program does. A device pixel of a high-density
    // screen is a fraction of the logical one, and so are its twips.
    const double ratio = Ratio(frmSrc);
    const int32_t width = int32_t(std::nearbyint(OuterWidthTwips(frmSrc) / (kTwipsPerPixelX / ratio)));
    const int32_t height = int32_t(std::nearbyint(OuterHeightTwips(frmSrc) / (kTwipsPerPixelY / ratio)));
    return CopyWindowToPicture(&frmSrc, false, 0, 0, width, height);
}

PicturePtr CopyWindowToPicture(const QWidget* hWndSrc, bool blnClient, int32_t lLeftSrc, int32_t lTopSrc,
                               int32_t lWidthSrc, int32_t lHeightSrc) {
    if (!hWndSrc || lWidthSrc <= 0 || lHeightSrc <= 0) return PictureFromBitmap(nullptr, nullptr);

    gdi::HBITMAP look = nullptr;
    gdi::HDC hDCSrc = GetLookDC(*hWndSrc, blnClient, &look);
    if (!hDCSrc) return PictureFromBitmap(nullptr, nullptr);

    gdi::HDC hDCMemory = gdi::CreateCompatibleDC(hDCSrc);
    gdi::HBITMAP hBmp = gdi::CreateCompatibleBitmap(hDCSrc, lWidthSrc, lHeightSrc);
    gdi::HBITMAP hBmpPrev = hDCMemory && hBmp ? gdi::SelectObject(hDCMemory, hBmp) : nullptr;

    // Palette displays get a copy of the system palette with the picture;
    // true-colour displays, all that this platform offers, get none.
    gdi::HPALETTE hPal = nullptr;
    gdi::HPALETTE hPalPrev = nullptr;
    const bool hasPalette = (gdi::GetDeviceCaps(hDCSrc, gdi::RASTERCAPS) & gdi::RC_PALETTE) != 0;
    const int paletteSize = gdi::GetDeviceCaps(hDCSrc, gdi::SIZEPALETTE);
    if (hasPalette && paletteSize == 256 && hDCMemory) {
        std::vector<unsigned char> storage(sizeof(gdi::LOGPALETTE) + 255 * sizeof(gdi::PALETTEENTRY));
        auto* logPal = reinterpret_cast<gdi::LOGPALETTE*>(storage.data());
        logPal->palVersion = 0x300;
        logPal->palNumEntries = 256;
        gdi::GetSystemPaletteEntries(hDCSrc, 0, 256, logPal->palPalEntry);
        hPal = gdi::CreatePalette(logPal);
        if (hPal) {
            hPalPrev = gdi::SelectPalette(hDCMemory, hPal, 0);
            gdi::RealizePalette(hDCMemory);
        }
    }

    if (hBmpPrev) {
        // Whatever of the rectangle lies outside the window stays black. The
        // far edges are summed in 64 bits: a caller may pass any corner.
        const gdi::BitmapView src = gdi::GetBitmapView(look);
        if (lLeftSrc < 0 || lTopSrc < 0 || int64_t(lLeftSrc) + lWidthSrc > src.width ||
            int64_t(lTopSrc) + lHeightSrc > src.height) {
            const gdi::RECT all{0, 0, lWidthSrc, lHeightSrc};
            gdi::FillRect(hDCMemory, &all, static_cast<gdi::HBRUSH>(gdi::GetStockObject(gdi::BLACK_BRUSH)));
        }
        gdi::BitBlt(hDCMemory, 0, 0, lWidthSrc, lHeightSrc, hDCSrc, lLeftSrc, lTopSrc, gdi::SRCCOPY);
        hBmp = gdi::SelectObject(hDCMemory, hBmpPrev);
    } else if (hBmp) {
        // The bitmap never held the window: hand back no picture rather than
        // an empty one that would be saved as a black file.
        gdi::DeleteObject(hBmp);
        hBmp = nullptr;
    }
    if (hPal && hDCMemory) hPal = gdi::SelectPalette(hDCMemory, hPalPrev, 0);

    if (hDCMemory) gdi::DeleteDC(hDCMemory);
    gdi::ReleaseDC(const_cast<QWidget*>(hWndSrc), hDCSrc);
    gdi::DeleteObject(look);
    return PictureFromBitmap(hBmp, hPal);
}

PicturePtr PictureFromBitmap(gdi::HBITMAP hBmp, gdi::HPALETTE hPal) {
    return std::make_unique<Picture>(hBmp, hPal);
}

}  // namespace nimbrel

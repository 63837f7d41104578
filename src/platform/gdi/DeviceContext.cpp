// Device contexts, the object table, bitmaps, stock objects, system colours
// and palettes.
#include <atomic>
#include <cstring>

#include "platform/gdi/GdiObjects.h"

namespace gdi {

namespace {

std::atomic<int> liveObjects{0};

// The largest bitmap we agree to allocate: far beyond any window picture,
// small enough that a corrupt size cannot exhaust memory.
constexpr int64_t kMaxBitmapBytes = int64_t(1) << 30;

int StrideFor(int width) {
    return (3 * width + 3) & ~3;
}

Bitmap* NewBitmap(int width, int height) {
    if (width <= 0 || height <= 0) return nullptr;
    const int64_t stride = (int64_t(3) * width + 3) & ~int64_t(3);
    if (stride * height > kMaxBitmapBytes) return nullptr;
    auto* b = new Bitmap;
    b->width = width;
    b->height = height;
    b->stride = StrideFor(width);
    b->pixels.assign(size_t(b->stride) * size_t(height), 0);
    AddLiveObject();
    return b;
}

template <typename T>
T* MakeStock(T* obj) {
    obj->stock = true;
    return obj;
}

struct StockTable {
    Brush* brushes[6];
    Pen* whitePen;
    Pen* blackPen;
    Pen* nullPen;
    Font* systemFont;
    Font* guiFont;
    Palette* defaultPalette;
    Bitmap* defaultBitmap;

    StockTable() {
        const COLORREF greys[5] = {RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128), RGB(64, 64, 64),
                                   RGB(0, 0, 0)};
        for (int i = 0; i < 5; ++i) {
            brushes[i] = MakeStock(new Brush);
            brushes[i]->colour = greys[i];
        }
        brushes[5] = MakeStock(new Brush);
        brushes[5]->null = true;
        whitePen = MakeStock(new Pen);
        whitePen->colour = RGB(255, 255, 255);
        blackPen = MakeStock(new Pen);
        nullPen = MakeStock(new Pen);
        nullPen->null = true;
        systemFont = MakeStock(new Font);
        systemFont->log.lfHeight = 16;
        systemFont->log.lfWeight = FW_BOLD;
        std::strcpy(systemFont->log.lfFaceName, "Sans");
        guiFont = MakeStock(new Font);
        guiFont->log.lfHeight = -11;
        guiFont->log.lfWeight = FW_NORMAL;
        std::strcpy(guiFont->log.lfFaceName, "Sans");
        defaultPalette = MakeStock(new Palette);
        defaultPalette->entries = {{0, 0, 0, 0}, {255, 255, 255, 0}};
        defaultBitmap = MakeStock(new Bitmap);
        defaultBitmap->width = defaultBitmap->height = 1;
        defaultBitmap->stride = 4;
        defaultBitmap->pixels.assign(4, 0);
    }
    ~StockTable() {
        for (Brush* b : brushes) delete b;
        delete whitePen;
        delete blackPen;
        delete nullPen;
        delete systemFont;
        delete guiFont;
        delete defaultPalette;
        delete defaultBitmap;
    }
};

StockTable& Stock() {
    static StockTable table;
    return table;
}

void Select(GdiObject*& slot, GdiObject* obj) {
    if (slot && !slot->stock) --slot->selections;
    slot = obj;
    if (obj && !obj->stock) ++obj->selections;
}

template <typename T>
T* Swap(T*& slot, T* obj) {
    T* previous = slot;
    GdiObject* s = slot;
    Select(s, obj);
    slot = static_cast<T*>(s);
    return previous;
}

DeviceContext* NewContext() {
    auto* dc = new DeviceContext;
    StockTable& s = Stock();
    Swap(dc->bitmap, s.defaultBitmap);
    Swap(dc->pen, s.blackPen);
    Swap(dc->brush, s.brushes[WHITE_BRUSH]);
    Swap(dc->font, s.systemFont);
    Swap(dc->palette, s.defaultPalette);
    AddLiveObject();
    return dc;
}

}  // namespace

GdiObject::GdiObject(ObjectKind k) : kind(k) {}
GdiObject::~GdiObject() {
    magic = 0;
}

void AddLiveObject() {
    ++liveObjects;
}
void RemoveLiveObject() {
    --liveObjects;
}
int LiveObjectCount() {
    return liveObjects.load();
}

DeviceContext* ContextOf(HDC hdc) {
    return hdc && hdc->magic == kContextMagic ? hdc : nullptr;
}

namespace {
template <typename T>
T* OfKind(HGDIOBJ obj, ObjectKind kind) {
    return obj && obj->magic == kObjectMagic && obj->kind == kind ? static_cast<T*>(obj) : nullptr;
}
}  // namespace

Pen* PenOf(HGDIOBJ obj) {
    return OfKind<Pen>(obj, ObjectKind::Pen);
}
Brush* BrushOf(HGDIOBJ obj) {
    return OfKind<Brush>(obj, ObjectKind::Brush);
}
Font* FontOf(HGDIOBJ obj) {
    return OfKind<Font>(obj, ObjectKind::Font);
}
Bitmap* BitmapOf(HGDIOBJ obj) {
    return OfKind<Bitmap>(obj, ObjectKind::Bitmap);
}
Palette* PaletteOf(HGDIOBJ obj) {
    return OfKind<Palette>(obj, ObjectKind::Palette);
}

// --- device contexts -------------------------------------------------------

HDC CreateCompatibleDC(HDC) {
    return NewContext();
}

HDC CreateSurfaceDC(HBITMAP bitmap) {
    Bitmap* b = BitmapOf(bitmap);
    if (!b) return nullptr;
    DeviceContext* dc = NewContext();
    Swap(dc->bitmap, b);
    // A control's surface draws its captions over what is already there.
    dc->bkMode = TRANSPARENT;
    return dc;
}

BOOL DeleteDC(HDC hdc) {
    DeviceContext* dc = ContextOf(hdc);
    if (!dc) return 0;
    // Whatever is still selected is given back to its owner, not freed.
    Swap<Bitmap>(dc->bitmap, nullptr);
    Swap<Pen>(dc->pen, nullptr);
    Swap<Brush>(dc->brush, nullptr);
    Swap<Font>(dc->font, nullptr);
    Swap<Palette>(dc->palette, nullptr);
    dc->magic = 0;
    delete dc;
    RemoveLiveObject();
    return 1;
}

int ReleaseDC(void*, HDC hdc) {
    return DeleteDC(hdc);
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ obj) {
    DeviceContext* dc = ContextOf(hdc);
    if (!dc) return nullptr;
    if (Pen* p = PenOf(obj)) return Swap(dc->pen, p);
    if (Brush* b = BrushOf(obj)) return Swap(dc->brush, b);
    if (Font* f = FontOf(obj)) return Swap(dc->font, f);
    if (Bitmap* bm = BitmapOf(obj)) {
        if (bm == dc->bitmap) return bm;
        // A bitmap can be drawn on through one context at a time.
        if (!bm->stock && bm->selections > 0) return nullptr;
        return Swap(dc->bitmap, bm);
    }
    return nullptr;  // palettes go through SelectPalette
}

BOOL DeleteObject(HGDIOBJ obj) {
    if (!obj || obj->magic != kObjectMagic) return 0;
    if (obj->stock) return 1;
    if (obj->selections > 0) return 0;
    delete obj;
    RemoveLiveObject();
    return 1;
}

HGDIOBJ GetStockObject(int which) {
    StockTable& s = Stock();
    switch (which) {
        case WHITE_BRUSH:
        case LTGRAY_BRUSH:
        case GRAY_BRUSH:
        case DKGRAY_BRUSH:
        case BLACK_BRUSH:
        case NULL_BRUSH:
            return s.brushes[which];
        case WHITE_PEN:
            return s.whitePen;
        case BLACK_PEN:
            return s.blackPen;
        case NULL_PEN:
            return s.nullPen;
        case SYSTEM_FONT:
            return s.systemFont;
        case DEFAULT_GUI_FONT:
            return s.guiFont;
        case DEFAULT_PALETTE:
            return s.defaultPalette;
        default:
            return nullptr;
    }
}

int GetDeviceCaps(HDC hdc, int index) {
    DeviceContext* dc = ContextOf(hdc);
    if (!dc) return 0;
    switch (index) {
        case HORZRES:
            return dc->bitmap->width;
        case VERTRES:
            return dc->bitmap->height;
        case BITSPIXEL:
            return 24;
        case PLANES:
            return 1;
        case RASTERCAPS:
            // True colour only: no RC_PALETTE, so callers never build palettes.
            return RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_DIBTODEV | RC_STRETCHBLT | RC_STRETCHDIB;
        case LOGPIXELSX:
        case LOGPIXELSY:
            return 96;
        case SIZEPALETTE:
            return 0;
        default:
            return 0;
    }
}

BOOL GetClientRect(HDC hdc, RECT* rect) {
    DeviceContext* dc = ContextOf(hdc);
    if (!dc || !rect) return 0;
    *rect = {0, 0, dc->bitmap->width, dc->bitmap->height};
    return 1;
}

int SetPolyFillMode(HDC hdc, int mode) {
    DeviceContext* dc = ContextOf(hdc);
    if (!dc || (mode != ALTERNATE && mode != WINDING)) return 0;
    int previous = dc->fillMode;
    dc->fillMode = mode;
    return previous;
}

int SetStretchBltMode(HDC hdc, int mode) {
    DeviceContext* dc = ContextOf(hdc);
    if (!dc || mode < BLACKONWHITE || mode > HALFTONE) return 0;
    int previous = dc->stretchMode;
    dc->stretchMode = mode;
    return previous;
}

int GetStretchBltMode(HDC hdc) {
    DeviceContext* dc = ContextOf(hdc);
    return dc ? dc->stretchMode : 0;
}

COLORREF SetTextColor(HDC hdc, COLORREF colour) {
    DeviceContext* dc = ContextOf(hdc);
    if (!dc) return CLR_INVALID;
    COLORREF previous = dc->textColour;
    dc->textColour = colour & 0xFFFFFF;
    return previous;
}

COLORREF SetBkColor(HDC hdc, COLORREF colour) {
    DeviceContext* dc = ContextOf(hdc);
    if (!dc) return CLR_INVALID;
    COLORREF previous = dc->bkColour;
    dc->bkColour = colour & 0xFFFFFF;
    return previous;
}

int SetBkMode(HDC hdc, int mode) {
    DeviceContext* dc = ContextOf(hdc);
    if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
    int previous = dc->bkMode;
    dc->bkMode = mode;
    return previous;
}

// --- bitmaps ---------------------------------------------------------------

HBITMAP CreateCompatibleBitmap(HDC, int width, int height) {
    if (width < 0 || height < 0) return nullptr;
    // Windows hands out a 1 x 1 bitmap for an empty size; so do we, but one
    // the caller owns, so that the usual delete call stays right.
    if (width == 0 || height == 0) width = height = 1;
    return NewBitmap(width, height);
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT usage, void** bits, void* section, DWORD) {
    if (bits) *bits = nullptr;
    if (!info || usage != DIB_RGB_COLORS || section) return nullptr;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    // Only the layout the encoder reads: bottom-up, 24 bits, uncompressed.
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biPlanes != 1 || h.biBitCount != 24 || h.biCompression != BI_RGB)
        return nullptr;
    if (h.biWidth <= 0 || h.biHeight <= 0) return nullptr;
    Bitmap* b = NewBitmap(h.biWidth, h.biHeight);
    if (b && bits) *bits = b->pixels.data();
    return b;
}

HBITMAP CreateDIB24(HDC hdc, int width, int height, void** bits) {
    if (bits) *bits = nullptr;
    if (width <= 0 || height <= 0) return nullptr;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // positive: bottom-up rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biSizeImage = static_cast<DWORD>((int64_t(3) * width + 3) / 4 * 4 * height);
    void* pixels = nullptr;
    HBITMAP bitmap = CreateDIBSection(hdc, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    if (bits) *bits = pixels;
    return bitmap;
}

BitmapView GetBitmapView(HBITMAP bitmap) {
    BitmapView v;
    if (Bitmap* b = BitmapOf(bitmap)) {
        v.width = b->width;
        v.height = b->height;
        v.stride = b->stride;
        v.bits = b->pixels.data();
    }
    return v;
}

HBITMAP GetCurrentBitmap(HDC hdc) {
    DeviceContext* dc = ContextOf(hdc);
    return dc ? dc->bitmap : nullptr;
}

COLORREF GetPixel(HDC hdc, int x, int y) {
    DeviceContext* dc = ContextOf(hdc);
    if (!dc) return CLR_INVALID;
    Bitmap& b = *dc->bitmap;
    if (x < 0 || y < 0 || x >= b.width || y >= b.height) return CLR_INVALID;
    const BYTE* p = b.row(y) + 3 * x;
    return RGB(p[2], p[1], p[0]);
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF colour) {
    DeviceContext* dc = ContextOf(hdc);
    if (!dc) return CLR_INVALID;
    Bitmap& b = *dc->bitmap;
    if (x < 0 || y < 0 || x >= b.width || y >= b.height) return CLR_INVALID;
    PutPixel(b, x, y, colour);
    return colour & 0xFFFFFF;
}

// --- system colours and palettes ---------------------------------------------

COLORREF GetSysColor(int index) {
    // The colours of a stock Windows 10 desktop, so that controls that take
    // system colours look the way their layouts were designed.
    static constexpr COLORREF table[] = {
        RGB(200, 200, 200),  // 0 scroll bar
        RGB(0, 0, 0),        // 1 desktop
        RGB(153, 180, 209),  // 2 active caption
        RGB(191, 205, 219),  // 3 inactive caption
        RGB(240, 240, 240),  // 4 menu
        RGB(255, 255, 255),  // 5 window background
        RGB(100, 100, 100),  // 6 window frame
        RGB(0, 0, 0),        // 7 menu text
        RGB(0, 0, 0),        // 8 window text
        RGB(0, 0, 0),        // 9 caption text
        RGB(180, 180, 180),  // 10 active border
        RGB(244, 247, 252),  // 11 inactive border
        RGB(171, 171, 171),  // 12 application workspace
        RGB(0, 120, 215),    // 13 highlight
        RGB(255, 255, 255),  // 14 highlight text
        RGB(240, 240, 240),  // 15 button face
        RGB(160, 160, 160),  // 16 button shadow
        RGB(109, 109, 109),  // 17 grey text
        RGB(0, 0, 0),        // 18 button text
        RGB(0, 0, 0),        // 19 inactive caption text
        RGB(255, 255, 255),  // 20 button highlight
        RGB(105, 105, 105),  // 21 3-D dark shadow
        RGB(227, 227, 227),  // 22 3-D light
        RGB(0, 0, 0),        // 23 tool tip text
        RGB(255, 255, 225),  // 24 tool tip background
        RGB(0, 0, 0),        // 25 (unused)
        RGB(0, 102, 204),    // 26 hot-tracked item
        RGB(185, 209, 234),  // 27 active caption gradient
        RGB(215, 228, 242),  // 28 inactive caption gradient
        RGB(0, 120, 215),    // 29 menu highlight
        RGB(240, 240, 240),  // 30 menu bar
    };
    if (index < 0 || index >= int(std::size(table))) return 0;
    return table[index];
}

UINT GetSystemPaletteEntries(HDC, UINT, UINT, PALETTEENTRY*) {
    return 0;  // a true-colour surface has no system palette
}

HPALETTE CreatePalette(const LOGPALETTE* palette) {
    if (!palette || palette->palVersion != 0x300 || palette->palNumEntries == 0) return nullptr;
    auto* p = new Palette;
    p->entries.assign(palette->palPalEntry, palette->palPalEntry + palette->palNumEntries);
    AddLiveObject();
    return p;
}

HPALETTE SelectPalette(HDC hdc, HPALETTE palette, BOOL) {
    DeviceContext* dc = ContextOf(hdc);
    Palette* p = PaletteOf(palette);
    if (!dc || !p) return nullptr;
    return Swap(dc->palette, p);
}

UINT RealizePalette(HDC hdc) {
    (void)hdc;
    return 0;  // nothing to map on a true-colour surface
}

// --- shared pixel helpers ------------------------------------------------------

void FillSpan(Bitmap& b, int y, int x0, int x1, COLORREF c) {
    if (y < 0 || y >= b.height) return;
    if (x0 < 0) x0 = 0;
    if (x1 > b.width) x1 = b.width;
    if (x0 >= x1) return;
    BYTE* p = b.row(y) + 3 * x0;
    const BYTE blue = GetBValue(c), green = GetGValue(c), red = GetRValue(c);
    for (int x = x0; x < x1; ++x, p += 3) {
        p[0] = blue;
        p[1] = green;
        p[2] = red;
    }
}

void FillBox(Bitmap& b, int left, int top, int right, int bottom, COLORREF c) {
    if (top < 0) top = 0;
    if (bottom > b.height) bottom = b.height;
    for (int y = top; y < bottom; ++y) FillSpan(b, y, left, right, c);
}

}  // namespace gdi

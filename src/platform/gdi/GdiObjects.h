#pragma once
// What the handles of gdi.h point at. Private to the drawing layer: callers
// see only the opaque handle types.
#include <memory>
#include <vector>

#include "platform/gdi/gdi.h"

namespace gdi {

// Handles are raw pointers; the magic numbers let every call refuse a null,
// foreign or already released handle of the wrong kind instead of drawing
// through it.
constexpr uint32_t kObjectMagic = 0x4f494447;   // "GDIO"
constexpr uint32_t kContextMagic = 0x43494447;  // "GDIC"

enum class ObjectKind : uint8_t { Pen, Brush, Font, Bitmap, Palette };

struct GdiObject {
    explicit GdiObject(ObjectKind k);
    virtual ~GdiObject();
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    uint32_t magic = kObjectMagic;
    ObjectKind kind;
    bool stock = false;
    int selections = 0;  // number of contexts that hold it
};

struct Pen : GdiObject {
    Pen() : GdiObject(ObjectKind::Pen) {}
    bool null = false;
    int width = 1;
    COLORREF colour = 0;
};

struct Brush : GdiObject {
    Brush() : GdiObject(ObjectKind::Brush) {}
    bool null = false;
    COLORREF colour = 0;
};

struct Bitmap : GdiObject {
    Bitmap() : GdiObject(ObjectKind::Bitmap) {}
    int width = 0, height = 0, stride = 0;
    std::vector<BYTE> pixels;  // DIB layout: bottom-up rows, B G R

    // Row y counted from the top of the picture.
    BYTE* row(int y) { return pixels.data() + size_t(height - 1 - y) * size_t(stride); }
    const BYTE* row(int y) const { return pixels.data() + size_t(height - 1 - y) * size_t(stride); }
};

struct Palette : GdiObject {
    Palette() : GdiObject(ObjectKind::Palette) {}
    std::vector<PALETTEENTRY> entries;
};

struct FontInstance;  // the rasterising side of a font, shared between equal fonts

struct Font : GdiObject {
    Font() : GdiObject(ObjectKind::Font) {}
    ~Font() override;
    LOGFONTA log{};
    std::shared_ptr<FontInstance> instance;  // resolved on first use
};

struct DeviceContext {
    uint32_t magic = kContextMagic;
    Bitmap* bitmap = nullptr;
    Pen* pen = nullptr;
    Brush* brush = nullptr;
    Font* font = nullptr;
    Palette* palette = nullptr;
    POINT position{0, 0};
    COLORREF textColour = 0;
    COLORREF bkColour = RGB(255, 255, 255);
    int bkMode = OPAQUE;
    int fillMode = ALTERNATE;
    int stretchMode = COLORONCOLOR;
};

// Checked conversions from handles; null when the handle is not of the kind.
DeviceContext* ContextOf(HDC hdc);
Pen* PenOf(HGDIOBJ obj);
Brush* BrushOf(HGDIOBJ obj);
Font* FontOf(HGDIOBJ obj);
Bitmap* BitmapOf(HGDIOBJ obj);
Palette* PaletteOf(HGDIOBJ obj);

// The bitmap a context draws on (never null for a valid context).
inline Bitmap* TargetOf(DeviceContext* dc) {
    return dc ? dc->bitmap : nullptr;
}

// Pixel helpers shared by the shapes, blits and text; all clip to the bitmap.
inline void PutPixel(Bitmap& b, int x, int y, COLORREF c) {
    if (x < 0 || y < 0 || x >= b.width || y >= b.height) return;
    BYTE* p = b.row(y) + 3 * x;
    p[0] = GetBValue(c);
    p[1] = GetGValue(c);
    p[2] = GetRValue(c);
}
// Fills columns [x0, x1) of row y.
void FillSpan(Bitmap& b, int y, int x0, int x1, COLORREF c);
// Fills [left, right) x [top, bottom), clipped to the bitmap.
void FillBox(Bitmap& b, int left, int top, int right, int bottom, COLORREF c);
// Fills a polygon by the scanline rule of Polygon: a pixel is inside when its
// point (x, y) is, edges on the left and top belong to the shape, on the right
// and bottom they do not. Coordinates are in 1/256 pixel so that text
// decorations can be rotated without rounding their corners first.
void FillPolygonFixed(Bitmap& b, const std::vector<std::pair<int64_t, int64_t>>& pts, bool winding, COLORREF c,
                      const RECT* clip = nullptr);

// Coordinates are held to +-4 million pixels before any arithmetic, far
// beyond any bitmap, so that sums and fixed-point products cannot overflow.
constexpr int kCoordLimit = 1 << 22;
inline int ClampCoord(int64_t v) {
    return int(v < -kCoordLimit ? -kCoordLimit : v > kCoordLimit ? kCoordLimit : v);
}

void AddLiveObject();
void RemoveLiveObject();

}  // namespace gdi

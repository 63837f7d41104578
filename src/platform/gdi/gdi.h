#pragma once
// The program's own stand-in for the Windows drawing calls that the gradient
// label, the sun dial, the encoder's sampling and the window capture are
// written against. Same names, same argument order, same pixel rules
// (end points of lines left out, right and bottom edges of rectangles
// excluded, HALFTONE averaging), on plain memory bitmaps: no display needed.
//
// Every bitmap is 24 bits per pixel. A bitmap made by CreateDIBSection keeps
// the Windows DIB layout (bottom-up rows, stride rounded up to 4 bytes, blue,
// green, red) and hands out a pointer to its bits; other bitmaps use the same
// layout internally.
#include <cstdint>
#include <string>

namespace gdi {

using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using LONG = int32_t;
using UINT = uint32_t;
using BOOL = int;
using COLORREF = uint32_t;  // 0x00BBGGRR

struct GdiObject;  // pens, brushes, fonts, bitmaps, palettes
struct DeviceContext;
using HGDIOBJ = GdiObject*;
using HPEN = GdiObject*;
using HBRUSH = GdiObject*;
using HFONT = GdiObject*;
using HBITMAP = GdiObject*;
using HPALETTE = GdiObject*;
using HDC = DeviceContext*;

struct POINT {
    LONG x, y;
};
struct RECT {
    LONG left, top, right, bottom;
};

constexpr COLORREF RGB(int r, int g, int b) {
    return COLORREF(BYTE(r)) | (COLORREF(BYTE(g)) << 8) | (COLORREF(BYTE(b)) << 16);
}
constexpr BYTE GetRValue(COLORREF c) {
    return BYTE(c);
}
constexpr BYTE GetGValue(COLORREF c) {
    return BYTE(c >> 8);
}
constexpr BYTE GetBValue(COLORREF c) {
    return BYTE(c >> 16);
}

// Pen styles
constexpr int PS_SOLID = 0;
constexpr int PS_NULL = 5;
// Stretch modes
constexpr int BLACKONWHITE = 1;
constexpr int WHITEONBLACK = 2;
constexpr int COLORONCOLOR = 3;
constexpr int HALFTONE = 4;
// Raster operation
constexpr DWORD SRCCOPY = 0x00CC0020;
// Background modes
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;
// Polygon fill modes
constexpr int ALTERNATE = 1;
constexpr int WINDING = 2;
// Device caps
constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int BITSPIXEL = 12;
constexpr int PLANES = 14;
constexpr int RASTERCAPS = 38;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;
constexpr int SIZEPALETTE = 104;
constexpr int RC_BITBLT = 0x0001;
constexpr int RC_BITMAP64 = 0x0008;
constexpr int RC_DI_BITMAP = 0x0080;
constexpr int RC_PALETTE = 0x0100;
constexpr int RC_DIBTODEV = 0x0200;
constexpr int RC_STRETCHBLT = 0x0800;
constexpr int RC_STRETCHDIB = 0x2000;
// DrawText flags
constexpr UINT DT_LEFT = 0x0000;
constexpr UINT DT_CENTER = 0x0001;
constexpr UINT DT_RIGHT = 0x0002;
constexpr UINT DT_VCENTER = 0x0004;
constexpr UINT DT_BOTTOM = 0x0008;
constexpr UINT DT_WORDBREAK = 0x0010;
constexpr UINT DT_SINGLELINE = 0x0020;
constexpr UINT DT_NOCLIP = 0x0100;
constexpr UINT DT_CALCRECT = 0x0400;
// Font
constexpr LONG FW_NORMAL = 400;
constexpr LONG FW_BOLD = 700;
constexpr BYTE ANTIALIASED_QUALITY = 4;
constexpr int LF_FACESIZE = 32;
// DIB
constexpr DWORD BI_RGB = 0;
constexpr UINT DIB_RGB_COLORS = 0;

struct LOGFONTA {
    LONG lfHeight;  // negative: character height in pixels; positive: cell height
    LONG lfWidth;
    LONG lfEscapement;  // tenths of a degree, counter-clockwise
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    char lfFaceName[LF_FACESIZE];  // need not be terminated when 32 characters long
};

struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;  // positive: bottom-up rows
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};
struct RGBQUAD {
    BYTE rgbBlue, rgbGreen, rgbRed, rgbReserved;
};
struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};
struct PALETTEENTRY {
    BYTE peRed, peGreen, peBlue, peFlags;
};
struct LOGPALETTE {
    WORD palVersion;
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[1];
};

// --- device contexts -------------------------------------------------------
// A memory context starts with a 1 x 1 bitmap selected, a black 1-pixel solid
// pen, a white brush, a default font, black text, opaque background mode,
// ALTERNATE fill and COLORONCOLOR stretching, as Windows does.
HDC CreateCompatibleDC(HDC hdc);  // hdc may be null (the "screen")
BOOL DeleteDC(HDC hdc);
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ obj);  // returns the object displaced, null on failure
BOOL DeleteObject(HGDIOBJ obj);              // refuses (returns 0) while the object is selected
int GetDeviceCaps(HDC hdc, int index);
// The rectangle of the bitmap selected into hdc: (0, 0, width, height).
BOOL GetClientRect(HDC hdc, RECT* rect);

// --- bitmaps ---------------------------------------------------------------
HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height);
// 24 bits per pixel only; *bits receives the pixel memory (owned by the bitmap).
HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits, void* section, DWORD offset);
// The one bitmap layout the program draws into and encodes: a bottom-up
// 24-bit DIB section of width x height, rows padded to 4 bytes. Null for an
// empty or negative size; *bits (when given) receives the pixel memory.
HBITMAP CreateDIB24(HDC hdc, int width, int height, void** bits = nullptr);
// Width, height and the DIB-layout bits of a bitmap (for tests, capture, PNG).
struct BitmapView {
    int width = 0, height = 0;
    int stride = 0;        // bytes per stored row, multiple of 4
    BYTE* bits = nullptr;  // stored row 0 is the bottom row of the picture
};
BitmapView GetBitmapView(HBITMAP bitmap);
HBITMAP GetCurrentBitmap(HDC hdc);
COLORREF GetPixel(HDC hdc, int x, int y);  // CLR_INVALID (0xFFFFFFFF) outside
COLORREF SetPixel(HDC hdc, int x, int y, COLORREF colour);
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

// --- pens, brushes, shapes ---------------------------------------------------
HPEN CreatePen(int style, int width, COLORREF colour);
HBRUSH CreateSolidBrush(COLORREF colour);
enum StockObject {
    WHITE_BRUSH = 0,
    LTGRAY_BRUSH = 1,
    GRAY_BRUSH = 2,
    DKGRAY_BRUSH = 3,
    BLACK_BRUSH = 4,
    NULL_BRUSH = 5,
    WHITE_PEN = 6,
    BLACK_PEN = 7,
    NULL_PEN = 8,
    SYSTEM_FONT = 13,
    DEFAULT_PALETTE = 15,
    DEFAULT_GUI_FONT = 17
};
HGDIOBJ GetStockObject(int which);  // stock objects are never freed
BOOL MoveToEx(HDC hdc, int x, int y, POINT* previous);
BOOL LineTo(HDC hdc, int x, int y);  // the end point is not drawn
BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom);
BOOL Polygon(HDC hdc, const POINT* points, int count);
BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom);
int FillRect(HDC hdc, const RECT* rect, HBRUSH brush);
int SetPolyFillMode(HDC hdc, int mode);

// --- blits -------------------------------------------------------------------
BOOL BitBlt(HDC dst, int x, int y, int cx, int cy, HDC src, int x1, int y1, DWORD rop);
BOOL StretchBlt(HDC dst, int x, int y, int cx, int cy, HDC src, int x1, int y1, int cx1, int cy1, DWORD rop);
int SetStretchBltMode(HDC hdc, int mode);  // previous mode, 0 on failure
int GetStretchBltMode(HDC hdc);

// --- text --------------------------------------------------------------------
HFONT CreateFontIndirectA(const LOGFONTA* font);
COLORREF SetTextColor(HDC hdc, COLORREF colour);
COLORREF SetBkColor(HDC hdc, COLORREF colour);
int SetBkMode(HDC hdc, int mode);
// Returns the height of the text drawn; with DT_CALCRECT only sets rect.
// Text is UTF-8. count -1 means the whole zero-terminated text.
int DrawTextA(HDC hdc, const char* text, int count, RECT* rect, UINT format);

// --- system colours and palettes ---------------------------------------------
constexpr int COLOR_SCROLLBAR = 0;
constexpr int COLOR_BACKGROUND = 1;
constexpr int COLOR_ACTIVECAPTION = 2;
constexpr int COLOR_INACTIVECAPTION = 3;
constexpr int COLOR_MENU = 4;
constexpr int COLOR_WINDOW = 5;
constexpr int COLOR_WINDOWFRAME = 6;
constexpr int COLOR_MENUTEXT = 7;
constexpr int COLOR_WINDOWTEXT = 8;
constexpr int COLOR_CAPTIONTEXT = 9;
constexpr int COLOR_HIGHLIGHT = 13;
constexpr int COLOR_HIGHLIGHTTEXT = 14;
constexpr int COLOR_BTNFACE = 15;
constexpr int COLOR_BTNSHADOW = 16;
constexpr int COLOR_GRAYTEXT = 17;
constexpr int COLOR_BTNTEXT = 18;
constexpr int COLOR_BTNHIGHLIGHT = 20;
constexpr int COLOR_INFOTEXT = 23;
constexpr int COLOR_INFOBK = 24;
// Colours of a stock Windows 10 desktop; an index outside the table gives 0.
COLORREF GetSysColor(int index);
UINT GetSystemPaletteEntries(HDC hdc, UINT start, UINT count, PALETTEENTRY* entries);
HPALETTE CreatePalette(const LOGPALETTE* palette);
HPALETTE SelectPalette(HDC hdc, HPALETTE palette, BOOL forceBackground);
UINT RealizePalette(HDC hdc);

// --- surfaces owned by others ------------------------------------------------
// A context over an existing bitmap, for a control's persistent surface or a
// captured window picture. The bitmap stays owned by the caller; the context
// is freed by ReleaseDC (or DeleteDC). Such a context starts in TRANSPARENT
// background mode: text on a surface is drawn over what is already there.
// Several surface contexts may share one bitmap, as several GetDC calls on
// one window do; the bitmap cannot be deleted while any of them is alive.
HDC CreateSurfaceDC(HBITMAP bitmap);
int ReleaseDC(void* window, HDC hdc);

// --- files -------------------------------------------------------------------
// Writes the bitmap selected in hdc (or the bitmap itself) as an RGB PNG.
bool SaveBitmapPng(HBITMAP bitmap, const std::string& path);
// Loads a PNG (or binary PPM) into a new compatible bitmap; null on failure.
HBITMAP LoadBitmapFile(const std::string& path, std::string* error = nullptr);

// Live object count (pens, brushes, fonts, bitmaps, palettes, contexts), for leak tests.
int LiveObjectCount();

}  // namespace gdi

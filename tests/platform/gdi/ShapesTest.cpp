#include <climits>
#include <cmath>

#include "GdiTestSupport.h"

namespace gdi {
namespace {

using test::Canvas;
using test::WithPenAndBrush;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kInk = RGB(10, 20, 200);

void Line(HDC dc, int x0, int y0, int x1, int y1, int width = 1) {
    HPEN pen = CreatePen(PS_SOLID, width, kInk);
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);
    SelectObject(dc, old);
    DeleteObject(pen);
}

TEST(Lines, LeaveOutTheirEndPoint) {
    Canvas c(12, 12);
    Line(c.dc, 0, 0, 10, 0);
    for (int x = 0; x < 10; ++x) EXPECT_EQ(GetPixel(c.dc, x, 0), kInk) << x;
    EXPECT_EQ(GetPixel(c.dc, 10, 0), kWhite);

    Line(c.dc, 0, 2, 5, 7);  // diagonal
    for (int i = 0; i < 5; ++i) EXPECT_EQ(GetPixel(c.dc, i, 2 + i), kInk) << i;
    EXPECT_EQ(GetPixel(c.dc, 5, 7), kWhite);

    Line(c.dc, 11, 11, 11, 4);  // upwards
    for (int y = 5; y <= 11; ++y) EXPECT_EQ(GetPixel(c.dc, 11, y), kInk) << y;
    EXPECT_EQ(GetPixel(c.dc, 11, 4), kWhite);
    EXPECT_EQ(c.Count(kInk), 10 + 5 + 7);
}

TEST(Lines, ShallowLineLightsOnePixelPerColumnAndIsTheSameBothWays) {
    Canvas a(20, 8), b(20, 8);
    Line(a.dc, 0, 1, 17, 6);
    Line(b.dc, 17, 6, 0, 1);
    // Each leaves out its own end point; otherwise they agree.
    SetPixel(a.dc, 17, 6, kInk);
    SetPixel(b.dc, 0, 1, kInk);
    EXPECT_EQ(a.Mask(kInk), b.Mask(kInk));
    SetPixel(a.dc, 17, 6, RGB(255, 255, 255));
    EXPECT_EQ(a.Count(kInk), 17);
    for (int x = 0; x < 17; ++x) {
        int lit = 0;
        for (int y = 0; y < 8; ++y) lit += GetPixel(a.dc, x, y) == kInk;
        EXPECT_EQ(lit, 1) << x;
    }
}

TEST(Lines, AreClippedAndKeepTheCurrentPosition) {
    Canvas c(10, 5);
    Line(c.dc, -1000000, 2, 1000000, 2);
    EXPECT_EQ(c.Count(kInk), 10);
    Line(c.dc, 3, -50, 3, 50);
    EXPECT_EQ(c.Count(kInk), 14);

    // A polyline: each segment starts where the previous one stopped, so the
    // corner is drawn by the second segment.
    c.Clear(kWhite);
    HPEN pen = CreatePen(PS_SOLID, 1, kInk);
    HGDIOBJ old = SelectObject(c.dc, pen);
    MoveToEx(c.dc, 0, 0, nullptr);
    LineTo(c.dc, 4, 0);
    LineTo(c.dc, 4, 3);
    POINT where{};
    MoveToEx(c.dc, 0, 0, &where);
    EXPECT_EQ(where.x, 4);
    EXPECT_EQ(where.y, 3);
    SelectObject(c.dc, old);
    DeleteObject(pen);
    EXPECT_EQ(GetPixel(c.dc, 4, 0), kInk);
    EXPECT_EQ(GetPixel(c.dc, 4, 3), kWhite);
    EXPECT_EQ(c.Count(kInk), 7);
}

TEST(Lines, WidePenIsCentredOnThePath) {
    Canvas c(12, 12);
    Line(c.dc, 2, 5, 9, 5, 3);  // rows 4..6
    for (int y = 0; y < 12; ++y) EXPECT_EQ(GetPixel(c.dc, 5, y) == kInk, y >= 4 && y <= 6) << y;
    c.Clear(kWhite);
    Line(c.dc, 2, 5, 9, 5, 2);  // rows 4 and 5
    for (int y = 0; y < 12; ++y) EXPECT_EQ(GetPixel(c.dc, 5, y) == kInk, y == 4 || y == 5) << y;
}

TEST(Rectangles, OnePixelPenExcludesRightAndBottomEdges) {
    Canvas c(8, 6);
    WithPenAndBrush(c.dc, CreatePen(PS_SOLID, 1, kInk), CreateSolidBrush(RGB(0, 255, 0)),
                    [&] { Rectangle(c.dc, 1, 1, 6, 5); });
    EXPECT_EQ(c.Mask(kInk),
              "........\n"
              ".#####..\n"
              ".#...#..\n"
              ".#...#..\n"
              ".#####..\n"
              "........\n");
    EXPECT_EQ(c.Count(RGB(0, 255, 0)), 3 * 2);
}

TEST(Rectangles, TwoPixelBorderOfTheLabelCoversExactlyItsPixels) {
    // The label's border: (0, 0) to (100, 20), 2-pixel pen, no fill.
    Canvas c(110, 30);
    HPEN pen = CreatePen(PS_SOLID, 2, kInk);
    HGDIOBJ oldPen = SelectObject(c.dc, pen);
    HGDIOBJ oldBrush = SelectObject(c.dc, GetStockObject(NULL_BRUSH));
    Rectangle(c.dc, 0, 0, 100, 20);
    SelectObject(c.dc, oldPen);
    SelectObject(c.dc, oldBrush);
    DeleteObject(pen);
    // The pen straddles the path through columns 0 and 99 and rows 0 and 19,
    // taking one pixel on the upper or left side of the path: the half
    // outside the bitmap is lost, the right and bottom sides lie inside.
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 110; ++x) {
            const bool inside = x < 100 && y < 20;
            const bool border = inside && (x == 0 || x >= 98 || y == 0 || y >= 18);
            ASSERT_EQ(GetPixel(c.dc, x, y) == kInk, border) << x << "," << y;
        }
}

TEST(Rectangles, NullPenFillsOnePixelLessAndNullBrushLeavesTheInterior) {
    Canvas c(8, 6);
    WithPenAndBrush(c.dc, CreatePen(PS_NULL, 1, 0), CreateSolidBrush(kInk), [&] { Rectangle(c.dc, 1, 1, 6, 5); });
    EXPECT_EQ(c.Mask(kInk),
              "........\n"
              ".####...\n"
              ".####...\n"
              ".####...\n"
              "........\n"
              "........\n");
    c.Clear(RGB(1, 2, 3));
    WithPenAndBrush(c.dc, CreatePen(PS_SOLID, 1, kInk), (HBRUSH)GetStockObject(NULL_BRUSH),
                    [&] { Rectangle(c.dc, 0, 0, 8, 6); });
    EXPECT_EQ(c.Count(RGB(1, 2, 3)), 6 * 4);
}

// Reference rule: (x, y) is inside when an odd number of edges cross the row
// y at or left of x, each edge holding its upper end but not its lower one.
bool InsideReference(const std::vector<POINT>& p, int x, int y) {
    int crossings = 0;
    for (size_t i = 0; i < p.size(); ++i) {
        POINT a = p[i], b = p[(i + 1) % p.size()];
        if (a.y == b.y) continue;
        if (a.y > b.y) std::swap(a, b);
        if (y < a.y || y >= b.y) continue;
        // crossing x <= x  <=>  a.x * dy + (y - a.y) * dx <= x * dy, dy > 0
        const int64_t dy = b.y - a.y, dx = b.x - a.x;
        if (int64_t(a.x) * dy + int64_t(y - a.y) * dx <= int64_t(x) * dy) ++crossings;
    }
    return crossings % 2 == 1;
}

void ExpectPolygonMatchesReference(const std::vector<POINT>& pts, int w, int h) {
    Canvas c(w, h);
    WithPenAndBrush(c.dc, CreatePen(PS_NULL, 0, 0), CreateSolidBrush(kInk),
                    [&] { Polygon(c.dc, pts.data(), int(pts.size())); });
    int filled = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const COLORREF px = GetPixel(c.dc, x, y);
            ASSERT_TRUE(px == kInk || px == kWhite) << "outline or stray colour at " << x << "," << y;
            ASSERT_EQ(px == kInk, InsideReference(pts, x, y)) << x << "," << y;
            filled += px == kInk;
        }
    EXPECT_GT(filled, 0);
}

TEST(Polygons, NullPenFillMatchesTheScanlineRule) {
    // A dial sector as the sun control builds it: 36 arc points and the centre.
    std::vector<POINT> sector;
    for (int i = 0; i <= 35; ++i) {
        const float a = (-90.0f + 225.0f * i / 35.0f) / 180.0f * 3.14159265f;
        sector.push_back({LONG(std::lround(60 + 50 * std::cos(a))), LONG(std::lround(55 + 50 * std::sin(a)))});
    }
    sector.push_back({60, 55});
    ExpectPolygonMatchesReference(sector, 120, 110);
    // Shapes with horizontal edges, vertices off the bitmap and a triangle
    // whose slanted edges cross pixel points exactly.
    ExpectPolygonMatchesReference({{2, 2}, {30, 2}, {30, 9}, {15, 9}, {15, 20}, {2, 20}}, 32, 24);
    ExpectPolygonMatchesReference({{-10, -5}, {40, 3}, {12, 50}}, 32, 24);
    ExpectPolygonMatchesReference({{0, 0}, {8, 16}, {16, 0}}, 20, 20);
}

TEST(Polygons, AlternateModeLeavesTheCentreOfAStarOpen) {
    const std::vector<POINT> star = {{20, 2}, {32, 38}, {2, 15}, {38, 15}, {8, 38}};
    ExpectPolygonMatchesReference(star, 40, 40);
    Canvas c(40, 40);
    WithPenAndBrush(c.dc, CreatePen(PS_NULL, 0, 0), CreateSolidBrush(kInk), [&] { Polygon(c.dc, star.data(), 5); });
    EXPECT_EQ(GetPixel(c.dc, 20, 22), kWhite);
    SetPolyFillMode(c.dc, WINDING);
    WithPenAndBrush(c.dc, CreatePen(PS_NULL, 0, 0), CreateSolidBrush(kInk), [&] { Polygon(c.dc, star.data(), 5); });
    EXPECT_EQ(GetPixel(c.dc, 20, 22), kInk);
}

TEST(Polygons, PenDrawsTheClosedOutline) {
    Canvas c(10, 10);
    const POINT square[] = {{1, 1}, {6, 1}, {6, 6}, {1, 6}};
    WithPenAndBrush(c.dc, CreatePen(PS_SOLID, 1, kInk), (HBRUSH)GetStockObject(NULL_BRUSH),
                    [&] { Polygon(c.dc, square, 4); });
    EXPECT_EQ(c.Count(kInk), 20);
    EXPECT_EQ(GetPixel(c.dc, 6, 6), kInk);
    EXPECT_EQ(GetPixel(c.dc, 3, 3), kWhite);
}

TEST(Objects, SelectionReturnsTheDisplacedObjectAndDeletionWaitsForRelease) {
    const int before = LiveObjectCount();
    {
        Canvas c(4, 4);
        HPEN pen = CreatePen(PS_SOLID, 1, kInk);
        HGDIOBJ stockPen = SelectObject(c.dc, pen);
        EXPECT_EQ(stockPen, GetStockObject(BLACK_PEN));
        EXPECT_EQ(DeleteObject(pen), 0) << "a selected pen must not be freed";
        EXPECT_EQ(SelectObject(c.dc, stockPen), pen);
        EXPECT_EQ(DeleteObject(pen), 1);

        // A bitmap is drawn on through one memory context at a time.
        HDC other = CreateCompatibleDC(nullptr);
        EXPECT_EQ(SelectObject(other, c.bitmap), nullptr);
        DeleteDC(other);
        EXPECT_EQ(DeleteObject(GetStockObject(WHITE_BRUSH)), 1);
        EXPECT_EQ(SelectObject(c.dc, nullptr), nullptr);
    }
    EXPECT_EQ(LiveObjectCount(), before);
}

TEST(Objects, DeletingAContextReleasesWhatIsSelectedInIt) {
    const int before = LiveObjectCount();
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 5, 5);
    HBRUSH brush = CreateSolidBrush(kInk);
    SelectObject(dc, bitmap);
    SelectObject(dc, brush);
    EXPECT_EQ(DeleteObject(bitmap), 0);
    DeleteDC(dc);
    EXPECT_EQ(DeleteObject(bitmap), 1);
    EXPECT_EQ(DeleteObject(brush), 1);
    EXPECT_EQ(LiveObjectCount(), before);
}

TEST(Surfaces, DibSectionHasTheWindowsLayout) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 10, 3, 1, 24, BI_RGB, 32 * 3, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(dib, nullptr);
    ASSERT_NE(bits, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, dib);
    SetPixel(dc, 1, 0, RGB(1, 2, 3));  // top row = last stored row
    SetPixel(dc, 9, 2, RGB(4, 5, 6));  // bottom row = first stored row
    const BYTE* p = static_cast<const BYTE*>(bits);
    const int stride = 32;  // 30 bytes rounded up to a multiple of 4
    EXPECT_EQ(GetBitmapView(dib).stride, stride);
    EXPECT_EQ(GetBitmapView(dib).bits, p);
    EXPECT_EQ(p[2 * stride + 3], 3);
    EXPECT_EQ(p[2 * stride + 4], 2);
    EXPECT_EQ(p[2 * stride + 5], 1);
    EXPECT_EQ(p[27], 6);
    EXPECT_EQ(p[28], 5);
    EXPECT_EQ(p[29], 4);
    RECT r{};
    GetClientRect(dc, &r);
    EXPECT_EQ(r.right, 10);
    EXPECT_EQ(r.bottom, 3);
    EXPECT_EQ(GetPixel(dc, 10, 0), CLR_INVALID);
    SelectObject(dc, old);
    DeleteObject(dib);
    DeleteDC(dc);

    for (auto change :
         {+[](BITMAPINFOHEADER& h) { h.biBitCount = 32; }, +[](BITMAPINFOHEADER& h) { h.biHeight = -3; },
          +[](BITMAPINFOHEADER& h) { h.biCompression = 3; }, +[](BITMAPINFOHEADER& h) { h.biWidth = 0; }}) {
        BITMAPINFO bad = info;
        change(bad.bmiHeader);
        void* badBits = &bad;
        EXPECT_EQ(CreateDIBSection(nullptr, &bad, DIB_RGB_COLORS, &badBits, nullptr, 0), nullptr);
        EXPECT_EQ(badBits, nullptr);
    }
}

TEST(Surfaces, TrueColourDeviceWithoutPaletteAndSystemColours) {
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE, 0);
    EXPECT_NE(GetDeviceCaps(dc, RASTERCAPS) & RC_STRETCHBLT, 0);
    EXPECT_EQ(GetDeviceCaps(dc, SIZEPALETTE), 0);
    EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), 24);
    PALETTEENTRY entries[4]{};
    EXPECT_EQ(GetSystemPaletteEntries(dc, 0, 4, entries), 0u);
    DeleteDC(dc);
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), RGB(255, 255, 255));
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), RGB(240, 240, 240));
    EXPECT_EQ(GetSysColor(999), 0u);
    EXPECT_EQ(RGB(1, 2, 3), 0x00030201u);
}

}  // namespace
}  // namespace gdi

namespace gdi {
namespace {

// Coordinates from a corrupt property bag or a zero-sized control must not
// crash or wrap around; what lies on the bitmap is still drawn.
TEST(Robustness, ExtremeCoordinatesAreClippedNotWrapped) {
    test::Canvas c(16, 16);
    const int lo = INT32_MIN, hi = INT32_MAX;
    HPEN pen = CreatePen(PS_SOLID, 3, kInk);
    HBRUSH brush = CreateSolidBrush(RGB(0, 200, 0));
    HGDIOBJ oldPen = SelectObject(c.dc, pen);
    HGDIOBJ oldBrush = SelectObject(c.dc, brush);
    MoveToEx(c.dc, lo, 8, nullptr);
    LineTo(c.dc, hi, 8);
    Rectangle(c.dc, lo, lo, hi, hi);
    const POINT tri[] = {{lo, lo}, {hi, 0}, {0, hi}};
    Polygon(c.dc, tri, 3);
    Ellipse(c.dc, lo, lo, hi, hi);
    RECT r{lo, lo, hi, hi};
    FillRect(c.dc, &r, brush);
    SelectObject(c.dc, oldPen);
    DeleteObject(pen);
    test::Canvas other(4, 4);
    BitBlt(c.dc, lo, lo, hi, hi, other.dc, hi, lo, SRCCOPY);
    SetStretchBltMode(c.dc, HALFTONE);
    StretchBlt(c.dc, lo, lo, hi, hi, other.dc, hi, hi, lo, lo, SRCCOPY);
    StretchBlt(c.dc, 0, 0, 16, 16, other.dc, lo, lo, hi, hi, SRCCOPY);
    LOGFONTA lf{};
    lf.lfHeight = lo;
    lf.lfEscapement = hi;
    HFONT font = CreateFontIndirectA(&lf);
    HGDIOBJ oldFont = SelectObject(c.dc, font);
    RECT t{lo, lo, hi, hi};
    DrawTextA(c.dc, "wide", -1, &t, DT_WORDBREAK | DT_CENTER);
    RECT m{hi - 1, hi - 1, hi, hi};
    DrawTextA(c.dc, "measure", -1, &m, DT_CALCRECT);
    EXPECT_EQ(m.right, hi);
    SelectObject(c.dc, oldFont);
    DeleteObject(font);
    SelectObject(c.dc, oldBrush);
    DeleteObject(brush);
    EXPECT_EQ(GetPixel(c.dc, 2, 2), RGB(0, 200, 0)) << "the brush covers the bitmap";
    // A diagonal from one corner of the coordinate space to the other passes
    // through the bitmap on its diagonal.
    MoveToEx(c.dc, -100000000, -100000000, nullptr);
    LineTo(c.dc, hi, hi);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(GetPixel(c.dc, i, i), RGB(0, 0, 0)) << i;
}

}  // namespace
}  // namespace gdi

#include <cstring>
#include <memory>
#include <set>

#include "GdiTestSupport.h"

namespace gdi {
namespace {

using test::Canvas;

constexpr COLORREF kWhite = RGB(255, 255, 255);

struct Ink {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;  // inclusive bounds
    int pixels = 0;
    bool empty() const { return pixels == 0; }
};

Ink FindInk(const Canvas& c, int w, int h, COLORREF background = kWhite) {
    Ink ink;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (GetPixel(c.dc, x, y) != background) {
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x);
                ink.top = std::min(ink.top, y);
                ink.bottom = std::max(ink.bottom, y);
                ++ink.pixels;
            }
    return ink;
}

HFONT MakeFont(const char* face, int height, int escapement = 0, int weight = FW_NORMAL, BYTE quality = 4) {
    LOGFONTA lf{};
    lf.lfHeight = height;
    lf.lfEscapement = escapement;
    lf.lfWeight = weight;
    lf.lfQuality = quality;
    std::strncpy(lf.lfFaceName, face, LF_FACESIZE);
    return CreateFontIndirectA(&lf);
}

// Selects a font for the lifetime of the object, as a caption draw does.
class WithFont {
public:
    WithFont(HDC dc, HFONT font) : dc_(dc), font_(font), old_(SelectObject(dc, font)) {}
    ~WithFont() {
        SelectObject(dc_, old_);
        DeleteObject(font_);
    }

private:
    HDC dc_;
    HFONT font_;
    HGDIOBJ old_;
};

RECT Measure(HDC dc, const char* text, RECT r, UINT flags) {
    DrawTextA(dc, text, -1, &r, flags | DT_CALCRECT);
    return r;
}

TEST(DrawText, WrappedCaptionFillsTheMeasuredRectangle) {
    Canvas c(200, 200);
    WithFont f(c.dc, MakeFont("Arial", -13));
    SetBkMode(c.dc, TRANSPARENT);
    const char* caption = "Mostly cloudy with a chance of light showers later";
    const RECT box{10, 10, 90, 10};
    const RECT m = Measure(c.dc, caption, box, DT_NOCLIP | DT_WORDBREAK);
    const RECT one = Measure(c.dc, "X", box, DT_NOCLIP);
    const int lineHeight = one.bottom - one.top;
    ASSERT_GT(lineHeight, 12);
    const int lines = (m.bottom - m.top) / lineHeight;
    EXPECT_EQ(m.bottom - m.top, lines * lineHeight);
    EXPECT_GE(lines, 3) << "the caption must wrap";
    EXPECT_LE(m.right, box.right) << "no word is wider than the box";
    EXPECT_EQ(m.left, box.left);
    EXPECT_EQ(m.top, box.top);

    RECT draw = box;
    EXPECT_EQ(DrawTextA(c.dc, caption, -1, &draw, DT_NOCLIP | DT_WORDBREAK), m.bottom - m.top);
    const Ink ink = FindInk(c, 200, 200);
    ASSERT_FALSE(ink.empty());
    EXPECT_GE(ink.left, m.left);
    EXPECT_LE(ink.right, m.right) << "at most a glyph's overhang past its advance";
    EXPECT_GE(ink.top, m.top);
    EXPECT_LT(ink.bottom, m.bottom);
    // The last measured line is drawn: there is ink in its band.
    EXPECT_GT(ink.bottom, m.bottom - lineHeight);
}

TEST(DrawText, AlignsAndBreaksLines) {
    Canvas c(200, 60);
    WithFont f(c.dc, MakeFont("Arial", -16));
    SetBkMode(c.dc, TRANSPARENT);
    RECT r{0, 0, 200, 60};
    DrawTextA(c.dc, "Now", -1, &r, DT_RIGHT | DT_NOCLIP);
    Ink ink = FindInk(c, 200, 60);
    EXPECT_GE(ink.right, 195);
    EXPECT_GT(ink.left, 150);

    c.Clear(kWhite);
    DrawTextA(c.dc, "Now", -1, &r, DT_CENTER | DT_NOCLIP);
    ink = FindInk(c, 200, 60);
    EXPECT_NEAR(ink.left, 199 - ink.right, 3);

    // Two lines through CR LF, measured as two line heights.
    const RECT one = Measure(c.dc, "Sunrise", r, 0);
    const RECT two = Measure(c.dc, "Sunrise\r\nSunset", r, 0);
    EXPECT_EQ(two.bottom - two.top, 2 * (one.bottom - one.top));
    EXPECT_EQ(Measure(c.dc, "Sunrise\r\nSunset", r, DT_SINGLELINE).bottom, one.bottom);
    const RECT empty = Measure(c.dc, "", r, 0);
    EXPECT_EQ(empty.right, r.left);
    EXPECT_EQ(empty.bottom, r.top);
}

TEST(DrawText, ClipsToTheRectangleUnlessNoClip) {
    Canvas c(100, 40);
    WithFont f(c.dc, MakeFont("Arial", -20));
    RECT r{0, 0, 15, 40};
    SetBkMode(c.dc, TRANSPARENT);
    DrawTextA(c.dc, "Wednesday", -1, &r, 0);
    EXPECT_LT(FindInk(c, 100, 40).right, 15);
    DrawTextA(c.dc, "Wednesday", -1, &r, DT_NOCLIP);
    EXPECT_GT(FindInk(c, 100, 40).right, 40);
}

TEST(DrawText, EscapementOf900RunsUpwardsFromTheStart) {
    Canvas flat(200, 200), up(200, 200);
    RECT r{50, 150, 200, 200};
    RECT flatMeasured{};
    {
        WithFont f(flat.dc, MakeFont("Arial", -18));
        SetBkMode(flat.dc, TRANSPARENT);
        flatMeasured = Measure(flat.dc, "Forecast", r, DT_NOCLIP);
        DrawTextA(flat.dc, "Forecast", -1, &r, DT_NOCLIP);
    }
    RECT measured{};
    {
        WithFont f(up.dc, MakeFont("Arial", -18, 900));
        SetBkMode(up.dc, TRANSPARENT);
        measured = Measure(up.dc, "Forecast", r, DT_NOCLIP);
        DrawTextA(up.dc, "Forecast", -1, &r, DT_NOCLIP);
    }
    const Ink a = FindInk(flat, 200, 200), b = FindInk(up, 200, 200);
    ASSERT_FALSE(b.empty());
    // Measured unturned; the turned text lies above its start point, its
    // tops towards the left, within one line height of the start column.
    EXPECT_EQ(measured.right, flatMeasured.right);
    EXPECT_EQ(measured.bottom, flatMeasured.bottom);
    EXPECT_LE(b.bottom, r.top);
    EXPECT_GE(b.left, r.left);
    EXPECT_LE(b.right, r.left + (measured.bottom - measured.top));
    EXPECT_NEAR(b.bottom - b.top, a.right - a.left, 2);
    EXPECT_NEAR(b.right - b.left, a.bottom - a.top, 2);
    // The first letter ("F") starts at the bottom: its stem is the lowest ink.
    EXPECT_GE(b.bottom, r.top - 4);
}

TEST(DrawText, AntialiasedForQualityFourAndTransparentOrOpaqueBackground) {
    const COLORREF paper = RGB(200, 220, 240);
    auto draw = [&](BYTE quality, int mode) {
        auto c = std::make_unique<Canvas>(120, 40, paper);
        WithFont f(c->dc, MakeFont("Arial", -20, 0, FW_NORMAL, quality));
        SetBkMode(c->dc, mode);
        SetBkColor(c->dc, RGB(255, 255, 0));
        SetTextColor(c->dc, RGB(0, 0, 0));
        RECT r{5, 5, 120, 40};
        DrawTextA(c->dc, "Sunny", -1, &r, DT_NOCLIP);
        return c;
    };
    auto colours = [](const Canvas& c) {
        std::set<COLORREF> s;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 120; ++x) s.insert(GetPixel(c.dc, x, y));
        return s;
    };
    auto aa = draw(ANTIALIASED_QUALITY, TRANSPARENT);
    EXPECT_GT(colours(*aa).size(), 4u) << "grey edges between ink and paper";
    EXPECT_EQ(GetPixel(aa->dc, 3, 3), paper);
    auto mono = draw(3, TRANSPARENT);
    EXPECT_EQ(colours(*mono), (std::set<COLORREF>{paper, RGB(0, 0, 0)}));
    auto opaque = draw(3, OPAQUE);
    EXPECT_EQ(GetPixel(opaque->dc, 6, 6), RGB(255, 255, 0)) << "the text cell is filled";
    EXPECT_EQ(GetPixel(opaque->dc, 3, 3), paper);
}

TEST(Fonts, FacesResolveOrFallBackAndStyleChangesTheMetrics) {
    Canvas c(10, 10);
    const RECT r{0, 0, 0, 0};
    auto width = [&](const char* face, int weight = FW_NORMAL) {
        WithFont f(c.dc, MakeFont(face, -20, 0, weight));
        const RECT m = Measure(c.dc, "Temperature 21", r, DT_NOCLIP);
        return m.right - m.left;
    };
    const int arial = width("Arial");
    EXPECT_GT(arial, 100);
    EXPECT_LT(width("Arial Narrow"), arial * 9 / 10);
    EXPECT_GT(width("Arial", FW_BOLD), arial);
    EXPECT_GT(width("No Such Face At All"), 50);
    // A 32-character name without terminator is read as 32 characters.
    LOGFONTA lf{};
    lf.lfHeight = -12;
    std::memset(lf.lfFaceName, 'A', LF_FACESIZE);
    HFONT font = CreateFontIndirectA(&lf);
    WithFont f(c.dc, font);
    EXPECT_GT(Measure(c.dc, "x", r, 0).right, 0);
}

TEST(Fonts, EveryFontIsReleasedByItsDeleteCall) {
    const int before = LiveObjectCount();
    for (int i = 0; i < 20; ++i) {
        Canvas c(40, 20);
        WithFont f(c.dc, MakeFont("Arial", -10 - i, i * 100));
        RECT r{0, 0, 40, 20};
        DrawTextA(c.dc, "abc", -1, &r, DT_NOCLIP);
    }
    EXPECT_EQ(LiveObjectCount(), before);
}

}  // namespace
}  // namespace gdi

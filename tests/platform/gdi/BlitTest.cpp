#include "GdiTestSupport.h"

namespace gdi {
namespace {

using test::Canvas;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

void Checkerboard(Canvas& c, int w, int h) {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) SetPixel(c.dc, x, y, (x + y) % 2 ? kWhite : kBlack);
}

TEST(StretchBlt, HalftoneShrinkAveragesAndColourOnColourDrops) {
    Canvas src(16, 12), dst(8, 6, RGB(9, 9, 9));
    Checkerboard(src, 16, 12);
    EXPECT_EQ(GetStretchBltMode(dst.dc), COLORONCOLOR);
    EXPECT_EQ(SetStretchBltMode(dst.dc, HALFTONE), COLORONCOLOR);
    StretchBlt(dst.dc, 0, 0, 8, 6, src.dc, 0, 0, 16, 12, SRCCOPY);
    EXPECT_EQ(dst.Count(RGB(128, 128, 128)), 48) << "each pixel the mean of 2 x 2";

    SetStretchBltMode(dst.dc, COLORONCOLOR);
    StretchBlt(dst.dc, 0, 0, 8, 6, src.dc, 0, 0, 16, 12, SRCCOPY);
    EXPECT_EQ(dst.Count(kWhite) + dst.Count(kBlack), 48) << "nearest pixels only, no blending";
    EXPECT_EQ(SetStretchBltMode(dst.dc, 99), 0);
}

// An exact halving from another bitmap takes a quicker path than a stretch
// within one bitmap; both must give the same pixels, clipping included.
TEST(StretchBlt, HalvingGivesTheSamePixelsOnEveryPath) {
    Canvas original(37, 23), same(37, 23), other(37, 23);
    uint32_t seed = 12345;
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x) {
            seed = seed * 1664525u + 1013904223u;
            SetPixel(original.dc, x, y, RGB(seed >> 24, (seed >> 16) & 0xFF, (seed >> 8) & 0xFF));
        }
    BitBlt(same.dc, 0, 0, 37, 23, original.dc, 0, 0, SRCCOPY);
    BitBlt(other.dc, 0, 0, 37, 23, original.dc, 0, 0, SRCCOPY);
    SetStretchBltMode(same.dc, HALFTONE);
    SetStretchBltMode(other.dc, HALFTONE);
    StretchBlt(same.dc, -2, 4, 15, 10, same.dc, 3, 1, 30, 20, SRCCOPY);
    StretchBlt(other.dc, -2, 4, 15, 10, original.dc, 3, 1, 30, 20, SRCCOPY);
    int differ = 0;
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x) differ += GetPixel(same.dc, x, y) != GetPixel(other.dc, x, y);
    EXPECT_EQ(differ, 0);
    // Destination (0, 4) is the mean of source (7..8, 1..2), halves rounded up.
    EXPECT_EQ(GetPixel(other.dc, 0, 4) & 0xFF,
              ((GetPixel(original.dc, 7, 1) & 0xFF) + (GetPixel(original.dc, 8, 1) & 0xFF) +
               (GetPixel(original.dc, 7, 2) & 0xFF) + (GetPixel(original.dc, 8, 2) & 0xFF) + 2) /
                  4);
}

TEST(StretchBlt, HalftoneWeighsPartlyCoveredPixels) {
    Canvas src(3, 1), dst(2, 1);
    SetPixel(src.dc, 0, 0, RGB(0, 0, 0));
    SetPixel(src.dc, 1, 0, RGB(90, 90, 90));
    SetPixel(src.dc, 2, 0, RGB(240, 240, 240));
    SetStretchBltMode(dst.dc, HALFTONE);
    StretchBlt(dst.dc, 0, 0, 2, 1, src.dc, 0, 0, 3, 1, SRCCOPY);
    EXPECT_EQ(GetPixel(dst.dc, 0, 0), RGB(30, 30, 30));     // 2/3 of 0 + 1/3 of 90
    EXPECT_EQ(GetPixel(dst.dc, 1, 0), RGB(190, 190, 190));  // 1/3 of 90 + 2/3 of 240
}

TEST(StretchBlt, EnlargesByRepeatingAndClipsBothSides) {
    Canvas src(2, 2), dst(6, 6, RGB(9, 9, 9));
    SetPixel(src.dc, 0, 0, RGB(255, 0, 0));
    SetPixel(src.dc, 1, 0, RGB(0, 255, 0));
    SetPixel(src.dc, 0, 1, RGB(0, 0, 255));
    SetPixel(src.dc, 1, 1, kBlack);
    for (int mode : {COLORONCOLOR, HALFTONE}) {
        dst.Clear(RGB(9, 9, 9));
        SetStretchBltMode(dst.dc, mode);
        // Destination hangs over the left and top; source covers 2 x 2 only.
        StretchBlt(dst.dc, -2, -2, 8, 8, src.dc, 0, 0, 2, 2, SRCCOPY);
        EXPECT_EQ(GetPixel(dst.dc, 0, 0), RGB(255, 0, 0)) << mode;
        EXPECT_EQ(GetPixel(dst.dc, 1, 1), RGB(255, 0, 0)) << mode;
        EXPECT_EQ(GetPixel(dst.dc, 2, 0), RGB(0, 255, 0)) << mode;
        EXPECT_EQ(GetPixel(dst.dc, 5, 5), kBlack) << mode;
        // Source rectangle half outside its bitmap: only the inside is copied.
        dst.Clear(RGB(9, 9, 9));
        StretchBlt(dst.dc, 0, 0, 4, 4, src.dc, 1, 0, 2, 2, SRCCOPY);
        EXPECT_EQ(GetPixel(dst.dc, 0, 0), RGB(0, 255, 0)) << mode;
        EXPECT_EQ(GetPixel(dst.dc, 3, 3), RGB(9, 9, 9)) << mode;
    }
}

TEST(BitBlt, CopiesClipsAndHandlesOverlap) {
    Canvas src(4, 4), dst(5, 5, RGB(9, 9, 9));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) SetPixel(src.dc, x, y, RGB(x * 10, y * 10, 0));
    BitBlt(dst.dc, 2, 2, 4, 4, src.dc, -1, 0, SRCCOPY);
    EXPECT_EQ(GetPixel(dst.dc, 2, 2), RGB(9, 9, 9)) << "source column -1 does not exist";
    EXPECT_EQ(GetPixel(dst.dc, 3, 2), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(dst.dc, 4, 4), RGB(10, 20, 0));
    EXPECT_EQ(dst.Count(RGB(9, 9, 9)), 25 - 2 * 3);

    // Padding within one picture: the last column copied onto the next ones.
    for (int x = 2; x < 4; ++x) BitBlt(src.dc, x, 0, 1, 4, src.dc, x - 1, 0, SRCCOPY);
    for (int y = 0; y < 4; ++y) EXPECT_EQ(GetPixel(src.dc, 3, y), RGB(10, y * 10, 0));
    // Overlapping rows: shift the picture down by one.
    BitBlt(src.dc, 0, 1, 4, 3, src.dc, 0, 0, SRCCOPY);
    EXPECT_EQ(GetPixel(src.dc, 0, 3), RGB(0, 20, 0));
    EXPECT_EQ(BitBlt(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, 0x00EE0086), 0) << "only SRCCOPY";
}

// The halving works on groups of pixels with the rest one by one: every
// width from 1 to 19 and a left edge at an odd pixel give each destination
// byte the rounded mean of its four source bytes, extremes included, and
// leave the pixels beside the destination rectangle alone.
TEST(StretchBlt, HalvingEveryWidthIsTheRoundedMeanOfFour) {
    Canvas source(48, 6);
    uint32_t seed = 99;
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 48; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const bool extreme = (x + y) % 7 == 0;
            const int v = extreme ? ((x / 7) % 2 ? 255 : 0) : int(seed >> 24);
            SetPixel(source.dc, x, y, RGB(v, (seed >> 16) & 0xFF, extreme ? 255 - v : (seed >> 8) & 0xFF));
        }
    const auto channel = [](COLORREF c, int k) { return int((c >> (8 * k)) & 0xFF); };
    for (int width = 1; width <= 19; ++width) {
        Canvas dst(24, 4, RGB(1, 2, 3));
        SetStretchBltMode(dst.dc, HALFTONE);
        ASSERT_TRUE(StretchBlt(dst.dc, 1, 1, width, 2, source.dc, 5, 1, 2 * width, 4, SRCCOPY));
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 24; ++x) {
                const COLORREF got = GetPixel(dst.dc, x, y);
                if (x < 1 || x > width || y < 1 || y > 2) {
                    ASSERT_EQ(got, RGB(1, 2, 3)) << width << " at " << x << "," << y;
                    continue;
                }
                const int sx = 5 + 2 * (x - 1), sy = 1 + 2 * (y - 1);
                for (int k = 0; k < 3; ++k) {
                    const int sum =
                        channel(GetPixel(source.dc, sx, sy), k) + channel(GetPixel(source.dc, sx + 1, sy), k) +
                        channel(GetPixel(source.dc, sx, sy + 1), k) + channel(GetPixel(source.dc, sx + 1, sy + 1), k);
                    ASSERT_EQ(channel(got, k), (sum + 2) / 4) << width << " at " << x << "," << y << " channel " << k;
                }
            }
    }
}

}  // namespace
}  // namespace gdi

// Draws one sheet with every primitive, as the controls use them, and keeps
// it as a PNG to look at; also checks the PNG and PPM round trips.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "GdiTestSupport.h"

namespace gdi {
namespace {

using test::Canvas;
using test::WithPenAndBrush;

void Caption(HDC dc, const char* text, RECT r, UINT flags, int height, int escapement = 0, LONG weight = FW_NORMAL,
             BYTE italic = 0, BYTE underline = 0, BYTE strike = 0, const char* face = "Arial") {
    LOGFONTA lf{};
    lf.lfHeight = height;
    lf.lfEscapement = escapement;
    lf.lfWeight = weight;
    lf.lfItalic = italic;
    lf.lfUnderline = underline;
    lf.lfStrikeOut = strike;
    lf.lfQuality = ANTIALIASED_QUALITY;
    std::strncpy(lf.lfFaceName, face, LF_FACESIZE);
    HFONT font = CreateFontIndirectA(&lf);
    HGDIOBJ old = SelectObject(dc, font);
    DrawTextA(dc, text, -1, &r, flags);
    SelectObject(dc, old);
    DeleteObject(font);
}

void Band(HDC dc, int x0, int y0, int x1, int y1, COLORREF colour, int width = 1) {
    HPEN pen = CreatePen(PS_SOLID, width, colour);
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);
    SelectObject(dc, old);
    DeleteObject(pen);
}

void DrawSheet(HDC dc) {
    // A label: vertical gradient on a half-size buffer stretched with HALFTONE,
    // then a caption with a halo and a 2-pixel border.
    {
        Canvas buffer(100, 20, GetSysColor(COLOR_WINDOW));
        for (int i = 0; i <= 20; ++i) Band(buffer.dc, 0, i, 100, i, RGB(255 - 2 * i, 255 - 3 * i, 255 - 5 * i));
        SetStretchBltMode(dc, HALFTONE);
        StretchBlt(dc, 0, 0, 200, 40, buffer.dc, 0, 0, 100, 20, SRCCOPY);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(255, 255, 255));
        for (auto [dx, dy] : {std::pair{-1, -1}, {-1, 1}, {1, -1}, {1, 1}})
            Caption(dc, "Tomorrow", {dx, 8 + dy, 200 + dx, 40 + dy}, 273, -20, 0, FW_BOLD);
        SetTextColor(dc, RGB(0, 0, 128));
        Caption(dc, "Tomorrow", {0, 8, 200, 40}, 273, -20, 0, FW_BOLD);
        WithPenAndBrush(dc, CreatePen(PS_SOLID, 2, RGB(0, 0, 0)), (HBRUSH)GetStockObject(NULL_BRUSH),
                        [&] { Rectangle(dc, 0, 0, 200, 40); });
    }
    // A sun dial: day and night sectors without outline, red hand.
    {
        auto sector = [&](float start, float sweep, COLORREF colour) {
            std::vector<POINT> pts;
            float a = start - 90, step = sweep / 35;
            for (int i = 0; i <= 35; ++i, a += step) {
                const float rad = a / 180 * 3.14159265358979f;
                pts.push_back(
                    {LONG(std::lround(300 + 50 * std::cos(rad))), LONG(std::lround(100 + 50 * std::sin(rad)))});
            }
            pts.push_back({300, 100});
            WithPenAndBrush(dc, CreatePen(PS_NULL, 0, 0), CreateSolidBrush(colour),
                            [&] { Polygon(dc, pts.data(), int(pts.size())); });
        };
        sector(-112, 225, RGB(215, 235, 255));
        sector(113, 135, RGB(40, 0, 80));
        Band(dc, 300, 50, 300, 100, RGB(255, 0, 0));
    }
    // Lines of widths 1 to 4 in every direction, and rectangles.
    for (int k = 0; k < 16; ++k) {
        const double a = k * 3.14159265358979 / 8;
        Band(dc, 80, 120, 80 + int(std::lround(35 * std::cos(a))), 120 - int(std::lround(35 * std::sin(a))),
             RGB(0, 0, 0));
    }
    for (int w = 1; w <= 4; ++w) Band(dc, 130, 70 + 12 * w, 220, 90 + 12 * w, RGB(0, 100, 0), w);
    for (int w = 1; w <= 3; ++w)
        WithPenAndBrush(dc, CreatePen(PS_SOLID, w, RGB(160, 0, 0)), CreateSolidBrush(RGB(255, 230, 150)),
                        [&] { Rectangle(dc, 10 + 40 * (w - 1), 170, 40 + 40 * (w - 1), 200); });
    WithPenAndBrush(dc, CreatePen(PS_SOLID, 1, RGB(0, 0, 160)), CreateSolidBrush(RGB(180, 220, 180)),
                    [&] { Ellipse(dc, 130, 170, 190, 200); });
    // Texts: wrapped and centred, right aligned, styles, narrow face, turned.
    SetTextColor(dc, RGB(0, 0, 0));
    Caption(dc, "Mostly cloudy with a chance of light showers", {10, 210, 130, 210},
            DT_WORDBREAK | DT_CENTER | DT_NOCLIP, -13);
    Caption(dc,
            "Right 21\xC2\xB0"
            "C",
            {140, 210, 290, 230}, DT_RIGHT | DT_NOCLIP, -14);
    Caption(dc, "Bold Italic", {140, 232, 290, 250}, DT_NOCLIP, -14, 0, FW_BOLD, 1);
    Caption(dc, "Under Strike", {140, 252, 290, 270}, DT_NOCLIP, -14, 0, FW_NORMAL, 0, 1, 1);
    Caption(dc, "Arial Narrow caption", {140, 272, 290, 290}, DT_NOCLIP, -14, 0, FW_NORMAL, 0, 0, 0, "Arial Narrow");
    Caption(dc, "Upwards 90", {360, 290, 400, 290}, DT_NOCLIP, -16, 900);
    Caption(dc, "Slanted 45", {250, 300, 400, 300}, DT_NOCLIP, -16, 450);
    // HALFTONE and COLORONCOLOR of a checkerboard shrunk by two.
    Canvas board(40, 20);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            SetPixel(board.dc, x, y, ((x / 1 + y / 1) % 2) ? RGB(255, 255, 255) : RGB(0, 0, 0));
    SetStretchBltMode(dc, HALFTONE);
    StretchBlt(dc, 10, 300, 20, 10, board.dc, 0, 0, 40, 20, SRCCOPY);
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, 40, 300, 20, 10, board.dc, 0, 0, 40, 20, SRCCOPY);
    BitBlt(dc, 70, 300, 40, 20, board.dc, 0, 0, SRCCOPY);
}

TEST(Sheet, EveryPrimitiveSavedAsPngAndReadBack) {
    const int before = LiveObjectCount();
    const std::string path = std::string(NIMBREL_BINARY_DIR) + "/gdi_sheet.png";
    {
        Canvas sheet(400, 320, GetSysColor(COLOR_BTNFACE));
        DrawSheet(sheet.dc);
        ASSERT_TRUE(SaveBitmapPng(sheet.bitmap, path));
        std::string error;
        HBITMAP loaded = LoadBitmapFile(path, &error);
        ASSERT_NE(loaded, nullptr) << error;
        const BitmapView a = GetBitmapView(sheet.bitmap), b = GetBitmapView(loaded);
        ASSERT_EQ(a.width, b.width);
        ASSERT_EQ(a.height, b.height);
        ASSERT_EQ(a.stride, b.stride);
        for (int row = 0; row < a.height; ++row)
            ASSERT_EQ(std::memcmp(a.bits + row * a.stride, b.bits + row * b.stride, size_t(3 * a.width)), 0) << row;
        DeleteObject(loaded);
    }
    EXPECT_EQ(LiveObjectCount(), before);
}

TEST(Files, PpmLoadsAndBadFilesFailWithAReason) {
    const auto dir = std::filesystem::temp_directory_path() / ("gdi_files_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string ppm = (dir / "two.ppm").string();
    {
        std::ofstream out(ppm, std::ios::binary);
        out << "P6\n# two pixels\n2 1\n255\n";
        out.write("\xFF\x00\x00\x00\x00\xFF", 6);
    }
    HBITMAP bitmap = LoadBitmapFile(ppm);
    ASSERT_NE(bitmap, nullptr);
    HDC dc = CreateSurfaceDC(bitmap);
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 1, 0), RGB(0, 0, 255));
    ReleaseDC(nullptr, dc);
    DeleteObject(bitmap);

    const std::string bad = (dir / "bad.png").string();
    for (const std::string& content : {std::string("\x89PNG\r\n\x1a\n garbage"), std::string("P6\n2 1\n255\n\x01")}) {
        std::ofstream(bad, std::ios::binary) << content;
        std::string error;
        EXPECT_EQ(LoadBitmapFile(bad, &error), nullptr);
        EXPECT_FALSE(error.empty());
    }
    std::string error;
    EXPECT_EQ(LoadBitmapFile((dir / "missing.png").string(), &error), nullptr);
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(SaveBitmapPng(nullptr, (dir / "x.png").string()));
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace gdi

// One label redraw's worth of drawing: the gradient bands of a buffer (one
// pen per band, as the label draws them), the stretch of a 48 x 36 buffer
// over the control, and a short caption with its measuring call.
#include <benchmark/benchmark.h>

#include <cstring>

#include "platform/gdi/gdi.h"

namespace {

using namespace gdi;

struct Surface {
    explicit Surface(int w, int h) {
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateCompatibleBitmap(dc, w, h);
        old = SelectObject(dc, bitmap);
    }
    ~Surface() {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ old;
};

void Lines(HDC dc, int count) {
    for (int i = 0; i < count; ++i) {
        HPEN pen = CreatePen(PS_SOLID, 1, RGB(i & 255, 128, 255 - (i & 255)));
        HGDIOBJ old = SelectObject(dc, pen);
        MoveToEx(dc, 0, i % 36, nullptr);
        LineTo(dc, 48, i % 36);
        SelectObject(dc, old);
        DeleteObject(pen);
    }
}

void Stretch(HDC dst, HDC src) {
    SetStretchBltMode(dst, HALFTONE);
    StretchBlt(dst, 0, 0, 96, 72, src, 0, 0, 48, 36, SRCCOPY);
}

void Caption(HDC dc) {
    LOGFONTA lf{};
    lf.lfHeight = -13;
    lf.lfWeight = FW_BOLD;
    lf.lfQuality = ANTIALIASED_QUALITY;
    std::strcpy(lf.lfFaceName, "Arial");
    HFONT font = CreateFontIndirectA(&lf);
    HGDIOBJ old = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    RECT r{0, 0, 96, 72};
    RECT m = r;
    DrawTextA(dc, "Tomorrow", -1, &m, DT_NOCLIP | DT_WORDBREAK | DT_CENTER | DT_CALCRECT);
    r.top = (r.bottom - r.top - (m.bottom - m.top)) / 2;
    DrawTextA(dc, "Tomorrow", -1, &r, DT_NOCLIP | DT_WORDBREAK | DT_CENTER);
    SelectObject(dc, old);
    DeleteObject(font);
}

void BM_Lines1000(benchmark::State& state) {
    Surface buffer(48, 36);
    for (auto _ : state) Lines(buffer.dc, 1000);
}
BENCHMARK(BM_Lines1000)->Unit(benchmark::kMicrosecond);

void BM_Stretch48x36(benchmark::State& state) {
    Surface buffer(48, 36), control(96, 72);
    for (auto _ : state) Stretch(control.dc, buffer.dc);
}
BENCHMARK(BM_Stretch48x36)->Unit(benchmark::kMicrosecond);

void BM_ShortCaption(benchmark::State& state) {
    Surface control(96, 72);
    for (auto _ : state) Caption(control.dc);
}
BENCHMARK(BM_ShortCaption)->Unit(benchmark::kMicrosecond);

// The encoder's chroma sampling of a captured window: HALFTONE by two.
void BM_HalftoneHalve800x600(benchmark::State& state) {
    Surface picture(800, 600), half(400, 300);
    SetStretchBltMode(half.dc, HALFTONE);
    for (auto _ : state) StretchBlt(half.dc, 0, 0, 400, 300, picture.dc, 0, 0, 800, 600, SRCCOPY);
}
BENCHMARK(BM_HalftoneHalve800x600)->Unit(benchmark::kMicrosecond);

// All three together: the figure to hold well under a millisecond.
void BM_LabelRedraw(benchmark::State& state) {
    Surface buffer(48, 36), control(96, 72);
    for (auto _ : state) {
        Lines(buffer.dc, 1000);
        Stretch(control.dc, buffer.dc);
        Caption(control.dc);
    }
}
BENCHMARK(BM_LabelRedraw)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

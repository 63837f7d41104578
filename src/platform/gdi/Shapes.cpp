// Lines, rectangles, polygons and ellipses with the pixel rules of the
// Windows drawing calls the controls were laid out against:
// - a one-pixel line leaves out its end point;
// - shapes exclude their right and bottom edges;
// - fills light the pixels whose point (x, y) lies inside the figure, the
//   top and left boundaries included, the bottom and right ones not;
// - a wide pen is centred on the figure's path, with round ends and joins.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/gdi/GdiObjects.h"

namespace gdi {

namespace {

int64_t FloorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}
int64_t CeilDiv(int64_t a, int64_t b) {
    return -FloorDiv(-a, b);
}

// step * slope / den (den > 0) to the nearest integer, an exact half going
// to the smaller one, so a line and its reverse light the same pixels. The
// product of two 33-bit values needs 128 bits.
int64_t RoundHalfDown(int64_t step, int64_t slope, int64_t den) {
    using Wide = __int128;
    const Wide a = 2 * Wide(step) * slope + den - 1, b = 2 * Wide(den);
    Wide q = a / b;
    if (a % b != 0 && a < 0) --q;
    return int64_t(q);
}

// One-pixel line from (x0, y0) towards (x1, y1), the end point left out.
// Each step along the major axis lights the pixel nearest the true line;
// only the part inside the bitmap is walked, so far-off end points cost
// nothing.
void ThinLine(Bitmap& b, int x0, int y0, int x1, int y1, COLORREF c) {
    const int64_t dx = int64_t(x1) - x0, dy = int64_t(y1) - y0;
    const int64_t adx = std::llabs(dx), ady = std::llabs(dy);
    if (adx == 0 && ady == 0) return;
    if (adx >= ady) {
        const int sx = dx > 0 ? 1 : -1;
        int64_t lo = 0, hi = adx - 1;
        if (sx > 0) {
            lo = std::max<int64_t>(lo, -int64_t(x0));
            hi = std::min<int64_t>(hi, int64_t(b.width) - 1 - x0);
        } else {
            lo = std::max<int64_t>(lo, int64_t(x0) - (b.width - 1));
            hi = std::min<int64_t>(hi, x0);
        }
        for (int64_t n = lo; n <= hi; ++n) {
            const int64_t y = y0 + RoundHalfDown(n, dy, adx);
            if (y >= 0 && y < b.height) PutPixel(b, int(x0 + sx * n), int(y), c);
        }
    } else {
        const int sy = dy > 0 ? 1 : -1;
        int64_t lo = 0, hi = ady - 1;
        if (sy > 0) {
            lo = std::max<int64_t>(lo, -int64_t(y0));
            hi = std::min<int64_t>(hi, int64_t(b.height) - 1 - y0);
        } else {
            lo = std::max<int64_t>(lo, int64_t(y0) - (b.height - 1));
            hi = std::min<int64_t>(hi, y0);
        }
        for (int64_t n = lo; n <= hi; ++n) {
            const int64_t x = x0 + RoundHalfDown(n, dx, ady);
            if (x >= 0 && x < b.width) PutPixel(b, int(x), int(y0 + sy * n), c);
        }
    }
}

// A pen of width w swept along a segment: the pixels whose point lies closer
// than w / 2 to it. The test point is nudged a little right and down so that
// a pixel exactly on the boundary belongs to the shape on the top and left
// sides only; a 2-pixel horizontal line at y then covers rows y - 1 and y.
void WideSegment(Bitmap& b, double x0, double y0, double x1, double y1, int width, COLORREF c) {
    const double r = width / 2.0;
    // The box is held to the bitmap in double first: a segment far outside
    // it would not fit an int.
    auto within = [](double v, int hi) { return int(std::clamp(v, -1.0, double(hi) + 1.0)); };
    const int left = std::max(0, within(std::floor(std::min(x0, x1) - r), b.width));
    const int right = std::min(b.width - 1, within(std::ceil(std::max(x0, x1) + r), b.width));
    const int top = std::max(0, within(std::floor(std::min(y0, y1) - r), b.height));
    const int bottom = std::min(b.height - 1, within(std::ceil(std::max(y0, y1) + r), b.height));
    const double vx = x1 - x0, vy = y1 - y0, len2 = vx * vx + vy * vy;
    for (int y = top; y <= bottom; ++y) {
        const double py = y + 1.0 / 512;
        for (int x = left; x <= right; ++x) {
            const double px = x + 1.0 / 1024;
            double t = len2 > 0 ? ((px - x0) * vx + (py - y0) * vy) / len2 : 0;
            t = std::clamp(t, 0.0, 1.0);
            const double ex = px - (x0 + t * vx), ey = py - (y0 + t * vy);
            if (ex * ex + ey * ey < r * r) PutPixel(b, x, y, c);
        }
    }
}

int PenWidth(const Pen& p) {
    return std::max(1, p.width);
}

}  // namespace

void FillPolygonFixed(Bitmap& b, const std::vector<std::pair<int64_t, int64_t>>& pts, bool winding, COLORREF c,
                      const RECT* clip) {
    if (pts.size() < 3) return;
    constexpr int64_t limit = int64_t(kCoordLimit) * 256;
    for (const auto& p : pts)
        if (p.first < -limit || p.first > limit || p.second < -limit || p.second > limit) {
            std::vector<std::pair<int64_t, int64_t>> held(pts);
            for (auto& q : held) {
                q.first = std::clamp(q.first, -limit, limit);
                q.second = std::clamp(q.second, -limit, limit);
            }
            FillPolygonFixed(b, held, winding, c, clip);
            return;
        }
    int64_t minY = pts[0].second, maxY = pts[0].second;
    for (const auto& p : pts) {
        minY = std::min(minY, p.second);
        maxY = std::max(maxY, p.second);
    }
    int64_t rowTop = std::max<int64_t>(CeilDiv(minY, 256), 0);
    int64_t rowEnd = std::min<int64_t>(CeilDiv(maxY, 256), b.height);
    int clipLeft = 0, clipRight = b.width;
    if (clip) {
        rowTop = std::max<int64_t>(rowTop, clip->top);
        rowEnd = std::min<int64_t>(rowEnd, clip->bottom);
        clipLeft = std::max<int>(clipLeft, clip->left);
        clipRight = std::min<int>(clipRight, clip->right);
    }
    std::vector<std::pair<int64_t, int>> crossings;
    const size_t n = pts.size();
    for (int64_t y = rowTop; y < rowEnd; ++y) {
        const int64_t Y = y * 256;
        crossings.clear();
        for (size_t i = 0; i < n; ++i) {
            const auto& a = pts[i];
            const auto& e = pts[(i + 1) % n];
            if (a.second == e.second) continue;
            const bool down = e.second > a.second;
            const auto& lo = down ? a : e;
            const auto& hi = down ? e : a;
            if (Y < lo.second || Y >= hi.second) continue;
            // Exact crossing x (in 1/256 pixel) = lo.x + (Y - lo.y) * dx / dy;
            // the first pixel at or right of it is where the span starts.
            const int64_t dyv = hi.second - lo.second;
            const int64_t num = lo.first * dyv + (Y - lo.second) * (hi.first - lo.first);
            crossings.emplace_back(CeilDiv(num, dyv * 256), down ? 1 : -1);
        }
        std::sort(crossings.begin(), crossings.end());
        auto span = [&](int64_t x0, int64_t x1) {
            x0 = std::max<int64_t>(x0, clipLeft);
            x1 = std::min<int64_t>(x1, clipRight);
            if (x0 < x1) FillSpan(b, int(y), int(x0), int(x1), c);
        };
        if (!winding) {
            for (size_t i = 0; i + 1 < crossings.size(); i += 2) span(crossings[i].first, crossings[i + 1].first);
        } else {
            int count = 0;
            for (size_t i = 0; i + 1 < crossings.size(); ++i) {
                count += crossings[i].second;
                if (count != 0) span(crossings[i].first, crossings[i + 1].first);
            }
        }
    }
}

BOOL MoveToEx(HDC hdc, int x, int y, POINT* previous) {
    DeviceContext* dc = ContextOf(hdc);
    if (!dc) return 0;
    if (previous) *previous = dc->position;
    dc->position = {x, y};
    return 1;
}

BOOL LineTo(HDC hdc, int x, int y) {
    DeviceContext* dc = ContextOf(hdc);
    if (!dc) return 0;
    const POINT from = dc->position;
    dc->position = {x, y};
    const Pen& pen = *dc->pen;
    if (pen.null) return 1;
    if (PenWidth(pen) == 1)
        ThinLine(*dc->bitmap, from.x, from.y, x, y, pen.colour);
    else
        WideSegment(*dc->bitmap, from.x, from.y, x, y, pen.width, pen.colour);
    return 1;
}

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom) {
    DeviceContext* dc = ContextOf(hdc);
    if (!dc) return 0;
    left = ClampCoord(left), top = ClampCoord(top), right = ClampCoord(right), bottom = ClampCoord(bottom);
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    Bitmap& b = *dc->bitmap;
    // The figure's path runs through the outermost pixels of a one-pixel
    // outline: columns left and right - 1, rows top and bottom - 1.
    const int r = right - 1, btm = bottom - 1;
    if (r < left || btm < top) return 1;
    const Brush& brush = *dc->brush;
    if (!brush.null) FillBox(b, left, top, r, btm, brush.colour);
    const Pen& pen = *dc->pen;
    if (pen.null) return 1;
    if (PenWidth(pen) == 1) {
        FillSpan(b, top, left, right, pen.colour);
        FillSpan(b, btm, left, right, pen.colour);
        FillBox(b, left, top, left + 1, bottom, pen.colour);
        FillBox(b, r, top, right, bottom, pen.colour);
    } else {
        WideSegment(b, left, top, r, top, pen.width, pen.colour);
        WideSegment(b, r, top, r, btm, pen.width, pen.colour);
        WideSegment(b, r, btm, left, btm, pen.width, pen.colour);
        WideSegment(b, left, btm, left, top, pen.width, pen.colour);
    }
    return 1;
}

BOOL Polygon(HDC hdc, const POINT* points, int count) {
    DeviceContext* dc = ContextOf(hdc);
    if (!dc || !points || count < 2) return 0;
    Bitmap& b = *dc->bitmap;
    const Brush& brush = *dc->brush;
    if (!brush.null && count >= 3) {
        std::vector<std::pair<int64_t, int64_t>> fixed;
        fixed.reserve(size_t(count));
        for (int i = 0; i < count; ++i)
            fixed.emplace_back(int64_t(ClampCoord(points[i].x)) * 256, int64_t(ClampCoord(points[i].y)) * 256);
        FillPolygonFixed(b, fixed, dc->fillMode == WINDING, brush.colour);
    }
    const Pen& pen = *dc->pen;
    if (pen.null) return 1;
    for (int i = 0; i < count; ++i) {
        const POINT& p = points[i];
        const POINT& q = points[(i + 1) % count];
        if (PenWidth(pen) == 1)
            ThinLine(b, p.x, p.y, q.x, q.y, pen.colour);
        else
            WideSegment(b, p.x, p.y, q.x, q.y, pen.width, pen.colour);
    }
    return 1;
}

BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom) {
    DeviceContext* dc = ContextOf(hdc);
    if (!dc) return 0;
    left = ClampCoord(left), top = ClampCoord(top), right = ClampCoord(right), bottom = ClampCoord(bottom);
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    if (right - left < 1 || bottom - top < 1) return 1;
    Bitmap& b = *dc->bitmap;
    // The ellipse inscribed in the path of the bounding rectangle.
    const double cx = (left + right - 1) / 2.0, cy = (top + bottom - 1) / 2.0;
    const double ax = (right - left - 1) / 2.0, ay = (bottom - top - 1) / 2.0;
    const Pen& pen = *dc->pen;
    const double half = pen.null ? 0.0 : PenWidth(pen) / 2.0;
    auto inside = [](double x, double y, double rx, double ry) {
        if (rx <= 0 || ry <= 0) return rx >= 0 && ry >= 0 && std::abs(x) <= rx + 1e-9 && std::abs(y) <= ry + 1e-9;
        return (x * x) / (rx * rx) + (y * y) / (ry * ry) <= 1.0 + 1e-9;
    };
    const int x0 = std::max(0, int(std::floor(cx - ax - half))),
              x1 = std::min(b.width - 1, int(std::ceil(cx + ax + half)));
    const int y0 = std::max(0, int(std::floor(cy - ay - half))),
              y1 = std::min(b.height - 1, int(std::ceil(cy + ay + half)));
    const Brush& brush = *dc->brush;
    const int w = pen.null ? 0 : PenWidth(pen);
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            const double px = x - cx, py = y - cy;
            bool onPen = false;
            if (w == 1) {
                onPen = inside(px, py, ax, ay) && (!inside(px + 1, py, ax, ay) || !inside(px - 1, py, ax, ay) ||
                                                   !inside(px, py + 1, ax, ay) || !inside(px, py - 1, ax, ay));
            } else if (w > 1) {
                onPen = inside(px, py, ax + half, ay + half) && !inside(px, py, ax - half, ay - half);
            }
            if (onPen)
                PutPixel(b, x, y, pen.colour);
            else if (!brush.null && inside(px, py, ax, ay))
                PutPixel(b, x, y, brush.colour);
        }
    }
    return 1;
}

int FillRect(HDC hdc, const RECT* rect, HBRUSH brush) {
    DeviceContext* dc = ContextOf(hdc);
    Brush* br = BrushOf(brush);
    if (!dc || !rect || !br) return 0;
    if (!br->null)
        FillBox(*dc->bitmap, ClampCoord(rect->left), ClampCoord(rect->top), ClampCoord(rect->right),
                ClampCoord(rect->bottom), br->colour);
    return 1;
}

HPEN CreatePen(int style, int width, COLORREF colour) {
    auto* p = new Pen;
    // Dashed styles draw solid: nothing here draws dashes, and Windows does
    // the same for wide pens.
    p->null = style == PS_NULL;
    p->width = std::max(1, width);
    p->colour = colour & 0xFFFFFF;
    AddLiveObject();
    return p;
}

HBRUSH CreateSolidBrush(COLORREF colour) {
    auto* b = new Brush;
    b->colour = colour & 0xFFFFFF;
    AddLiveObject();
    return b;
}

}  // namespace gdi

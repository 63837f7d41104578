// BitBlt and StretchBlt (SRCCOPY), clipped against both bitmaps.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/gdi/GdiObjects.h"

namespace gdi {

BOOL BitBlt(HDC dst, int x, int y, int cx, int cy, HDC src, int x1, int y1, DWORD rop) {
    DeviceContext* d = ContextOf(dst);
    DeviceContext* s = ContextOf(src);
    if (!d || !s || rop != SRCCOPY) return 0;
    if (cx <= 0 || cy <= 0) return 1;
    x = ClampCoord(x), y = ClampCoord(y), cx = ClampCoord(cx), cy = ClampCoord(cy);
    x1 = ClampCoord(x1), y1 = ClampCoord(y1);
    Bitmap& db = *d->bitmap;
    const Bitmap& sb = *s->bitmap;
    // Clip the rectangle so that both its source and destination lie inside
    // their bitmaps; what falls outside either is left alone.
    int64_t left = 0, top = 0, right = cx, bottom = cy;
    left = std::max({left, -int64_t(x), -int64_t(x1)});
    top = std::max({top, -int64_t(y), -int64_t(y1)});
    right = std::min({right, int64_t(db.width) - x, int64_t(sb.width) - x1});
    bottom = std::min({bottom, int64_t(db.height) - y, int64_t(sb.height) - y1});
    if (left >= right || top >= bottom) return 1;
    const size_t bytes = size_t(right - left) * 3;
    const int rows = int(bottom - top);
    if (&db == &sb) {
        // Overlapping copy within one bitmap (the encoder pads a picture by
        // copying its last column and row onto their neighbours).
        std::vector<BYTE> tmp(bytes * size_t(rows));
        for (int r = 0; r < rows; ++r)
            std::memcpy(&tmp[size_t(r) * bytes], sb.row(int(y1 + top + r)) + 3 * (x1 + left), bytes);
        for (int r = 0; r < rows; ++r)
            std::memcpy(db.row(int(y + top + r)) + 3 * (x + left), &tmp[size_t(r) * bytes], bytes);
        return 1;
    }
    for (int r = 0; r < rows; ++r)
        std::memcpy(db.row(int(y + top + r)) + 3 * (x + left), sb.row(int(y1 + top + r)) + 3 * (x1 + left), bytes);
    return 1;
}

namespace {

// For one axis of a stretch: which source pixels each destination pixel
// takes, and with what weight.
struct Tap {
    int src;
    float weight;
};
struct AxisMap {
    int lo = 0;              // first destination pixel mapped
    std::vector<int> first;  // index into taps of each destination pixel; one extra at the end
    std::vector<Tap> taps;
    int begin(int i) const { return first[size_t(i - lo)]; }
    int end(int i) const { return first[size_t(i - lo) + 1]; }
};

// Area sampling: destination pixel i covers source [i * n / m, (i + 1) * n / m)
// and takes every source pixel under it in proportion to the part covered.
// Source pixels outside [0, limit) do not count; a destination pixel with no
// source under it gets no taps and is left alone.
AxisMap AreaAxis(int lo, int hi, int m, int n, int origin, int limit, bool mirror) {
    AxisMap a;
    a.lo = lo;
    a.first.reserve(size_t(hi - lo) + 1);
    const double scale = double(n) / m;
    for (int i = lo; i < hi; ++i) {
        a.first.push_back(int(a.taps.size()));
        const int k = mirror ? m - 1 - i : i;
        const double s0 = k * scale, s1 = (k + 1) * scale;
        float total = 0;
        const size_t start = a.taps.size();
        const int64_t jFirst = std::max<int64_t>(int64_t(std::floor(s0)), -int64_t(origin));
        const int64_t jEnd = std::min<int64_t>(int64_t(std::ceil(s1)), int64_t(limit) - origin);
        for (int64_t j = jFirst; j < jEnd; ++j) {
            const double cover = std::min(s1, j + 1.0) - std::max(s0, double(j));
            if (cover <= 1e-9) continue;
            a.taps.push_back({int(origin + j), float(cover)});
            total += float(cover);
        }
        for (size_t t = start; t < a.taps.size(); ++t) a.taps[t].weight /= total;
    }
    a.first.push_back(int(a.taps.size()));
    return a;
}

// Nearest pixel: the source pixel under the centre of the destination pixel.
AxisMap NearestAxis(int lo, int hi, int m, int n, int origin, int limit, bool mirror) {
    AxisMap a;
    a.lo = lo;
    a.first.reserve(size_t(hi - lo) + 1);
    for (int i = lo; i < hi; ++i) {
        a.first.push_back(int(a.taps.size()));
        const int k = mirror ? m - 1 - i : i;
        const int64_t sx = origin + (2 * int64_t(k) + 1) * n / (2 * int64_t(m));
        if (sx >= 0 && sx < limit) a.taps.push_back({int(sx), 1.0f});
    }
    a.first.push_back(int(a.taps.size()));
    return a;
}

// Weighted sums of bytes are never negative; round half up, saturate.
inline BYTE ToByte(float v) {
    return v >= 255.0f ? BYTE(255) : BYTE(int(v + 0.5f));
}

}  // namespace

BOOL StretchBlt(HDC dst, int x, int y, int cx, int cy, HDC src, int x1, int y1, int cx1, int cy1, DWORD rop) {
    DeviceContext* d = ContextOf(dst);
    DeviceContext* s = ContextOf(src);
    if (!d || !s || rop != SRCCOPY) return 0;
    if (cx == 0 || cy == 0 || cx1 == 0 || cy1 == 0) return 1;
    x = ClampCoord(x), y = ClampCoord(y), cx = ClampCoord(cx), cy = ClampCoord(cy);
    x1 = ClampCoord(x1), y1 = ClampCoord(y1), cx1 = ClampCoord(cx1), cy1 = ClampCoord(cy1);
    // A negative extent mirrors that side, as in Windows.
    bool mirrorX = false, mirrorY = false;
    if (cx < 0) {
        x += cx;
        cx = -cx;
        mirrorX = !mirrorX;
    }
    if (cx1 < 0) {
        x1 += cx1;
        cx1 = -cx1;
        mirrorX = !mirrorX;
    }
    if (cy < 0) {
        y += cy;
        cy = -cy;
        mirrorY = !mirrorY;
    }
    if (cy1 < 0) {
        y1 += cy1;
        cy1 = -cy1;
        mirrorY = !mirrorY;
    }
    if (cx == cx1 && cy == cy1 && !mirrorX && !mirrorY) return BitBlt(dst, x, y, cx, cy, src, x1, y1, rop);

    Bitmap& db = *d->bitmap;
    const Bitmap& sb = *s->bitmap;
    // Only destination pixels inside the destination bitmap are computed.
    const int dx0 = std::max(0, -x), dx1 = int(std::min<int64_t>(cx, int64_t(db.width) - x));
    const int dy0 = std::max(0, -y), dy1 = int(std::min<int64_t>(cy, int64_t(db.height) - y));
    if (dx0 >= dx1 || dy0 >= dy1) return 1;

    const bool halftone = d->stretchMode == HALFTONE;
    // An exact halving with its whole source inside the source bitmap (the
    // encoder's colour subsampling) takes four pixels at a quarter each. In
    // single precision those halves and quarters of byte values are exact,
    // so the general path rounds (sum + 2) / 4; this does the same in
    // integers without building the axis tables.
    if (halftone && !mirrorX && !mirrorY && cx1 == 2 * cx && cy1 == 2 * cy && &db != &sb && x1 >= 0 && y1 >= 0 &&
        int64_t(x1) + cx1 <= sb.width && int64_t(y1) + cy1 <= sb.height) {
        for (int i = dy0; i < dy1; ++i) {
            const BYTE* s0 = sb.row(y1 + 2 * i) + 3 * (x1 + 2 * dx0);
            const BYTE* s1 = sb.row(y1 + 2 * i + 1) + 3 * (x1 + 2 * dx0);
            BYTE* q = db.row(y + i) + 3 * (x + dx0);
            for (int j = dx0; j < dx1; ++j, s0 += 6, s1 += 6, q += 3) {
                q[0] = BYTE((s0[0] + s0[3] + s1[0] + s1[3] + 2) >> 2);
                q[1] = BYTE((s0[1] + s0[4] + s1[1] + s1[4] + 2) >> 2);
                q[2] = BYTE((s0[2] + s0[5] + s1[2] + s1[5] + 2) >> 2);
            }
        }
        return 1;
    }
    const AxisMap ax = halftone ? AreaAxis(dx0, dx1, cx, cx1, x1, sb.width, mirrorX)
                                : NearestAxis(dx0, dx1, cx, cx1, x1, sb.width, mirrorX);
    const AxisMap ay = halftone ? AreaAxis(dy0, dy1, cy, cy1, y1, sb.height, mirrorY)
                                : NearestAxis(dy0, dy1, cy, cy1, y1, sb.height, mirrorY);

    // Reading and writing the same bitmap: work from a copy of the source.
    std::vector<BYTE> copy;
    const BYTE* srcBits = sb.pixels.data();
    if (&db == &sb) {
        copy = sb.pixels;
        srcBits = copy.data();
    }
    auto srcRow = [&](int row) { return srcBits + size_t(sb.height - 1 - row) * size_t(sb.stride); };

    if (!halftone) {
        for (int i = dy0; i < dy1; ++i) {
            if (ay.begin(i) == ay.end(i)) continue;
            const BYTE* sr = srcRow(ay.taps[ay.begin(i)].src);
            BYTE* dr = db.row(y + i);
            for (int j = dx0; j < dx1; ++j) {
                if (ax.begin(j) == ax.end(j)) continue;
                const BYTE* p = sr + 3 * ax.taps[ax.begin(j)].src;
                BYTE* q = dr + 3 * (x + j);
                q[0] = p[0];
                q[1] = p[1];
                q[2] = p[2];
            }
        }
        return 1;
    }

    // Area average, separably: first the source rows under a destination row
    // are summed by weight, then the columns of that sum.
    std::vector<float> acc(size_t(sb.width) * 3);
    for (int i = dy0; i < dy1; ++i) {
        const int t0 = ay.begin(i), t1 = ay.end(i);
        if (t0 == t1) continue;
        std::fill(acc.begin(), acc.end(), 0.0f);
        for (int t = t0; t < t1; ++t) {
            const BYTE* sr = srcRow(ay.taps[t].src);
            const float w = ay.taps[t].weight;
            for (size_t k = 0; k < acc.size(); ++k) acc[k] += w * sr[k];
        }
        BYTE* dr = db.row(y + i);
        for (int j = dx0; j < dx1; ++j) {
            const int u0 = ax.begin(j), u1 = ax.end(j);
            if (u0 == u1) continue;
            float b = 0, g = 0, r = 0;
            for (int u = u0; u < u1; ++u) {
                const float* p = &acc[3 * size_t(ax.taps[u].src)];
                const float w = ax.taps[u].weight;
                b += w * p[0];
                g += w * p[1];
                r += w * p[2];
            }
            BYTE* q = dr + 3 * (x + j);
            q[0] = ToByte(b);
            q[1] = ToByte(g);
            q[2] = ToByte(r);
        }
    }
    return 1;
}

}  // namespace gdi

// BitBlt and StretchBlt (SRCCOPY), clipped against both bitmaps.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

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

// One destination row of an exact halving: each byte the rounded mean of
// the four source bytes under it, (sum + 2) / 4.
void HalveRowPlain(const BYTE* s0, const BYTE* s1, BYTE* q, int n) {
    for (int j = 0; j < n; ++j, s0 += 6, s1 += 6, q += 3) {
        q[0] = BYTE((s0[0] + s0[3] + s1[0] + s1[3] + 2) >> 2);
        q[1] = BYTE((s0[1] + s0[4] + s1[1] + s1[4] + 2) >> 2);
        q[2] = BYTE((s0[2] + s0[5] + s1[2] + s1[5] + 2) >> 2);
    }
}

#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("ssse3"), always_inline)) inline __m128i Pick(__m128i a, __m128i b, __m128i fromA,
                                                                    __m128i fromB) {
    return _mm_or_si128(_mm_shuffle_epi8(a, fromA), _mm_shuffle_epi8(b, fromB));
}

// The same, four destination pixels (24 source bytes of each row) at a
// time: the left and the right pixel of every pair gathered into their own
// register, the four summed in 16 bits. Reads no byte past the pixels used.
__attribute__((target("ssse3"))) void HalveRowSsse3(const BYTE* s0, const BYTE* s1, BYTE* q, int n) {
    // Source bytes 0..15 come from the first load, 16..23 from the second
    // (which starts at byte 8).
    const __m128i leftFirst = _mm_setr_epi8(0, 1, 2, 6, 7, 8, 12, 13, 14, -1, -1, -1, -1, -1, -1, -1);
    const __m128i leftSecond = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, 10, 11, 12, -1, -1, -1, -1);
    const __m128i rightFirst = _mm_setr_epi8(3, 4, 5, 9, 10, 11, 15, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i rightSecond = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, 8, 9, 13, 14, 15, -1, -1, -1, -1);
    const __m128i zero = _mm_setzero_si128(), two = _mm_set1_epi16(2);
    int j = 0;
    for (; j + 4 <= n; j += 4, s0 += 24, s1 += 24, q += 12) {
        const __m128i a0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s0));
        const __m128i b0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s0 + 8));
        const __m128i a1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s1));
        const __m128i b1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s1 + 8));
        const __m128i l0 = Pick(a0, b0, leftFirst, leftSecond), r0 = Pick(a0, b0, rightFirst, rightSecond);
        const __m128i l1 = Pick(a1, b1, leftFirst, leftSecond), r1 = Pick(a1, b1, rightFirst, rightSecond);
        __m128i low = _mm_add_epi16(_mm_add_epi16(_mm_unpacklo_epi8(l0, zero), _mm_unpacklo_epi8(r0, zero)),
                                    _mm_add_epi16(_mm_unpacklo_epi8(l1, zero), _mm_unpacklo_epi8(r1, zero)));
        __m128i high = _mm_add_epi16(_mm_add_epi16(_mm_unpackhi_epi8(l0, zero), _mm_unpackhi_epi8(r0, zero)),
                                     _mm_add_epi16(_mm_unpackhi_epi8(l1, zero), _mm_unpackhi_epi8(r1, zero)));
        low = _mm_srli_epi16(_mm_add_epi16(low, two), 2);
        high = _mm_srli_epi16(_mm_add_epi16(high, two), 2);
        const __m128i bytes = _mm_packus_epi16(low, high);  // 12 of them
        _mm_storel_epi64(reinterpret_cast<__m128i*>(q), bytes);
        const int last = _mm_cvtsi128_si32(_mm_srli_si128(bytes, 8));
        std::memcpy(q + 8, &last, 4);
    }
    HalveRowPlain(s0, s1, q, n - j);
}
#endif

using HalveRow = void (*)(const BYTE*, const BYTE*, BYTE*, int);
HalveRow ChooseHalveRow() {
#if defined(__x86_64__) || defined(__i386__)
    if (__builtin_cpu_supports("ssse3")) return HalveRowSsse3;
#endif
    return HalveRowPlain;
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
        static const HalveRow halve = ChooseHalveRow();
        for (int i = dy0; i < dy1; ++i)
            halve(sb.row(y1 + 2 * i) + 3 * (x1 + 2 * dx0), sb.row(y1 + 2 * i + 1) + 3 * (x1 + 2 * dx0),
                  db.row(y + i) + 3 * (x + dx0), dx1 - dx0);
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

// The scaled floating-point transform of Arai, Agui and Nakajima, and the
// quantization that removes its scale together with the quantizer.
//
// Every named value is stored in single precision while each formula is
// evaluated in double precision with double constants; files must come out
// the same on every machine, so the code writes those roundings out and the
// build keeps the compiler from fusing multiplies and adds. Eight lines are
// transformed side by side so that the compiler can vectorise the lanes:
// lane order does not change any rounding.
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "jpeg/JpegTables.h"
#include "jpeg/cJpeg.h"

namespace nimbrel {

using namespace jpeg_tables;

namespace {

inline float Store(double value) {
    return static_cast<float>(value);
}

// Transforms eight lines at once: line l reads in[i * 8 + l] for i = 0..7
// and writes the eight outputs to out[i * 8 + l].
inline void TransformLines(const float* in, float* out) {
    for (int l = 0; l < 8; ++l) {
        const double d0 = in[0 * 8 + l], d1 = in[1 * 8 + l], d2 = in[2 * 8 + l], d3 = in[3 * 8 + l];
        const double d4 = in[4 * 8 + l], d5 = in[5 * 8 + l], d6 = in[6 * 8 + l], d7 = in[7 * 8 + l];
        const float t0 = Store(d0 + d7), t7 = Store(d0 - d7);
        const float t1 = Store(d1 + d6), t6 = Store(d1 - d6);
        const float t2 = Store(d2 + d5), t5 = Store(d2 - d5);
        const float t3 = Store(d3 + d4), t4 = Store(d3 - d4);

        // Even part.
        const float t10 = Store(double(t0) + t3), t13 = Store(double(t0) - t3);
        const float t11 = Store(double(t1) + t2);
        out[0 * 8 + l] = Store(double(t10) + t11);
        out[4 * 8 + l] = Store(double(t10) - t11);
        const float z1 = Store(((double(t1) - t2) + t13) * kC4);
        out[2 * 8 + l] = Store(double(t13) + z1);
        out[6 * 8 + l] = Store(double(t13) - z1);

        // Odd part.
        const float p10 = Store(double(t4) + t5), p12 = Store(double(t6) + t7);
        const float z5 = Store((double(p10) - p12) * kC6);
        const float z2 = Store(kC2mC6 * p10 + z5);
        const float z4 = Store(kC2pC6 * p12 + z5);
        const float z3 = Store((double(t5) + t6) * kC4);
        const float z11 = Store(double(t7) + z3), z13 = Store(double(t7) - z3);
        out[5 * 8 + l] = Store(double(z13) + z2);
        out[3 * 8 + l] = Store(double(z13) - z2);
        out[1 * 8 + l] = Store(double(z11) + z4);
        out[7 * 8 + l] = Store(double(z11) - z4);
    }
}

inline void Transpose(const float* in, float* out) {
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 8; ++c) out[c * 8 + r] = in[r * 8 + c];
}

#if !defined(__SSE2__)
// Adding and removing 1.5 * 2^52 leaves the nearest integer, halves to even,
// for any |x| below 2^51: the same as nearbyint in the default mode, but
// without a library call in the loop.
inline double RoundHalfEven(double x) {
    constexpr double kShift = 6755399441055744.0;
    return (x + kShift) - kShift;
}
#endif

// Index u * 8 + v of the transposed result -> zig-zag position.
struct TransposedToZigZag {
    int zz[64] = {};
    constexpr TransposedToZigZag() {
        for (int u = 0; u < 8; ++u)
            for (int v = 0; v < 8; ++v) zz[u * 8 + v] = kZigZag.zz[u][v];
    }
};
constexpr TransposedToZigZag kTransposedToZigZag{};

#if defined(__SSE2__)
// Zig-zag position -> index u * 8 + v of the transposed result.
struct ZigZagToTransposed {
    int index[64] = {};
    constexpr ZigZagToTransposed() {
        for (int i = 0; i < 64; ++i) index[kTransposedToZigZag.zz[i]] = i;
    }
};
constexpr ZigZagToTransposed kZigZagToTransposed{};

// Zig-zag positions Z..Z + 7 gathered into one register, so that the block
// is stored as eight whole 16-byte pieces rather than 64 scattered values.
template <int Z>
inline __m128i ZigZagEight(const int32_t* r) {
    constexpr const int* i = kZigZagToTransposed.index + Z;
    __m128i v = _mm_cvtsi32_si128(r[i[0]]);
    v = _mm_insert_epi16(v, r[i[1]], 1);
    v = _mm_insert_epi16(v, r[i[2]], 2);
    v = _mm_insert_epi16(v, r[i[3]], 3);
    v = _mm_insert_epi16(v, r[i[4]], 4);
    v = _mm_insert_epi16(v, r[i[5]], 5);
    v = _mm_insert_epi16(v, r[i[6]], 6);
    return _mm_insert_epi16(v, r[i[7]], 7);
}
#endif

// The two passes; the result is left transposed, at index u * 8 + v.
inline void TransformTransposed(const float* workspace, float* result) {
    alignas(32) float columns[64], rows[64];
    TransformLines(workspace, columns);  // down each column: result row v = vertical frequency
    Transpose(columns, rows);
    TransformLines(rows, result);  // along each row: result[u * 8 + v]
}

}  // namespace

void cJpeg::ForwardDCT(float* workspace) {
    alignas(32) float result[64];
    TransformTransposed(workspace, result);
    Transpose(result, workspace);  // back to index v * 8 + u
}

// Quantizing straight from the transposed result saves the transpose back;
// the multipliers are kept in that order too. Both factors are single
// precision, so their product is exact in double and the one rounding is to
// the nearest integer, halves to even.
void cJpeg::QuantizeBlock(const float* transposed, CoefficientArray& coefficients, size_t& position, int t) const {
    const float* M = mTransposed_[t];
    alignas(16) int32_t rounded[64];
#if defined(__SSE2__)
    // The conversion rounds in the default mode, to nearest with halves to
    // even, two products at a time. A value fits 16 bits when adding 32768
    // leaves nothing above bit 15.
    __m128i outside = _mm_setzero_si128();
    const __m128i bias = _mm_set1_epi32(32768);
    for (int i = 0; i < 64; i += 4) {
        const __m128 f = _mm_loadu_ps(transposed + i);
        const __m128 m = _mm_loadu_ps(M + i);
        const __m128d low = _mm_mul_pd(_mm_cvtps_pd(f), _mm_cvtps_pd(m));
        const __m128d high = _mm_mul_pd(_mm_cvtps_pd(_mm_movehl_ps(f, f)), _mm_cvtps_pd(_mm_movehl_ps(m, m)));
        const __m128i r = _mm_unpacklo_epi64(_mm_cvtpd_epi32(low), _mm_cvtpd_epi32(high));
        outside = _mm_or_si128(outside, _mm_srli_epi32(_mm_add_epi32(r, bias), 16));
        _mm_store_si128(reinterpret_cast<__m128i*>(rounded + i), r);
    }
    const bool overflow = _mm_movemask_epi8(_mm_cmpeq_epi32(outside, _mm_setzero_si128())) != 0xFFFF;
#else
    bool overflow = false;
    for (int i = 0; i < 64; ++i) {
        const double r = RoundHalfEven(double(transposed[i]) * M[i]);
        overflow = overflow || r < -32768.0 || r > 32767.0;
        rounded[i] = overflow ? 0 : static_cast<int32_t>(r);
    }
#endif
    if (overflow) throw JpegError(jpeg_errors::kOverflow, jpeg_errors::kOverflowText);
    int16_t* out = coefficients.data() + position;
#if defined(__SSE2__)
    __m128i* o = reinterpret_cast<__m128i*>(out);
    _mm_storeu_si128(o + 0, ZigZagEight<0>(rounded));
    _mm_storeu_si128(o + 1, ZigZagEight<8>(rounded));
    _mm_storeu_si128(o + 2, ZigZagEight<16>(rounded));
    _mm_storeu_si128(o + 3, ZigZagEight<24>(rounded));
    _mm_storeu_si128(o + 4, ZigZagEight<32>(rounded));
    _mm_storeu_si128(o + 5, ZigZagEight<40>(rounded));
    _mm_storeu_si128(o + 6, ZigZagEight<48>(rounded));
    _mm_storeu_si128(o + 7, ZigZagEight<56>(rounded));
#else
    for (int i = 0; i < 64; ++i) out[kTransposedToZigZag.zz[i]] = static_cast<int16_t>(rounded[i]);
#endif
    position += 64;
}

void cJpeg::TransformAndQuantize(const float* workspace, CoefficientArray& coefficients, size_t& position,
                                 int t) const {
    alignas(32) float result[64];
    TransformTransposed(workspace, result);
    QuantizeBlock(result, coefficients, position, t);
}

}  // namespace nimbrel

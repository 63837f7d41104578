// The scaled floating-point transform of Arai, Agui and Nakajima, the
// quantization that removes its scale together with the quantizer, and the
// kernel that converts, transforms and quantizes a row of blocks.
//
// Every named value is stored in single precision while each formula is
// evaluated in double precision with double constants; files must come out
// the same on every machine, so the code writes those roundings out and the
// build keeps the compiler from fusing multiplies and adds. Eight lines are
// transformed side by side, four lanes to a vector: lane order does not
// change any rounding, and the instruction set only sets how many lanes one
// instruction takes.
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include "jpeg/BlockKernel.h"
#include "jpeg/JpegTables.h"
#include "jpeg/cJpeg.h"

namespace nimbrel {

using namespace jpeg_tables;

namespace {

using v4f = float __attribute__((vector_size(16)));
using v4d = double __attribute__((vector_size(32)));
using v4i = int32_t __attribute__((vector_size(16)));

// The kernels are written once and inlined into each instruction-set build.
#define NIMBREL_KERNEL inline __attribute__((always_inline))
// Widening is exact; narrowing is the one rounding to single precision.
#define WIDE(x) __builtin_convertvector((x), v4d)
#define STORE(x) __builtin_convertvector((x), v4f)

NIMBREL_KERNEL float Store(double value) {
    return static_cast<float>(value);
}

// Transforms eight lines at once: line l reads in[i * 8 + l] for i = 0..7
// and writes the eight outputs to out[i * 8 + l].
NIMBREL_KERNEL void TransformLines(const float* in, float* out) {
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

NIMBREL_KERNEL void Transpose(const float* in, float* out) {
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 8; ++c) out[c * 8 + r] = in[r * 8 + c];
}

// The two passes; the result is left transposed, at index u * 8 + v.
NIMBREL_KERNEL void TransformTransposed(const float* workspace, float* result) {
    alignas(32) float columns[64], rows[64];
    TransformLines(workspace, columns);  // down each column: result row v = vertical frequency
    Transpose(columns, rows);
    TransformLines(rows, result);  // along each row: result[u * 8 + v]
}

// Index u * 8 + v of the transposed result -> zig-zag position.
struct TransposedToZigZag {
    int zz[64] = {};
    constexpr TransposedToZigZag() {
        for (int u = 0; u < 8; ++u)
            for (int v = 0; v < 8; ++v) zz[u * 8 + v] = kZigZag.zz[u][v];
    }
};
constexpr TransposedToZigZag kTransposedToZigZag{};

#if !defined(__SSE2__)
// Adding and removing 1.5 * 2^52 leaves the nearest integer, halves to even,
// for any |x| below 2^51: the same as nearbyint in the default mode, but
// without a library call in the loop.
NIMBREL_KERNEL double RoundHalfEven(double x) {
    constexpr double kShift = 6755399441055744.0;
    return (x + kShift) - kShift;
}
#endif

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
NIMBREL_KERNEL __m128i ZigZagEight(const int32_t* r) {
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

// Quantizes straight from the transposed result, which saves the transpose
// back; the multipliers are kept in that order too. Both factors are single
// precision, so their product is exact in double and the one rounding is to
// the nearest integer, halves to even. False when a value does not fit 16
// bits.
NIMBREL_KERNEL bool Quantize(const float* transposed, const float* M, int16_t* out) {
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
    if (overflow) return false;
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
    return true;
}

NIMBREL_KERNEL void ConvertBlock(const block_kernel::BlockRow& job, int bx, float* workspace) {
    for (int j = 0; j < 8; ++j) {
        const uint8_t* p = job.rows[j] + 24 * bx;
        float* out = workspace + j * 8;
        for (int k = 0; k < 8; ++k, p += 3)
            out[k] = static_cast<float>(job.red[p[2]] + job.green[p[1]] + job.blueAndOffset[p[0]]);
    }
}

NIMBREL_KERNEL bool SampleBlockRowBody(const block_kernel::BlockRow& job) {
    alignas(32) float workspace[64], result[64];
    for (int bx = 0; bx < job.blocks; ++bx) {
        ConvertBlock(job, bx, workspace);
        TransformTransposed(workspace, result);
        if (!Quantize(result, job.M, job.out + 64 * bx)) return false;
    }
    return true;
}

#if defined(__x86_64__) || defined(__i386__)
// The same transform written for AVX2, eight lines to a register. A sum or
// difference of two single-precision values rounded to single precision is
// the same whether it is evaluated in double and then rounded or directly
// in single precision (double has more than twice the digits, so the double
// rounding cannot differ); those are done in single precision, eight at a
// time. The formulas with a constant are evaluated in double, four lanes at
// a time, exactly as written.
#define NIMBREL_AVX2 __attribute__((target("avx2"), always_inline)) inline

// c * a + b, evaluated in double.
NIMBREL_AVX2 __m256 MulAddConstant(double c, __m256 a, __m256 b) {
    const __m256d k = _mm256_set1_pd(c);
    const __m256d lo = _mm256_add_pd(_mm256_mul_pd(k, _mm256_cvtps_pd(_mm256_castps256_ps128(a))),
                                     _mm256_cvtps_pd(_mm256_castps256_ps128(b)));
    const __m256d hi = _mm256_add_pd(_mm256_mul_pd(k, _mm256_cvtps_pd(_mm256_extractf128_ps(a, 1))),
                                     _mm256_cvtps_pd(_mm256_extractf128_ps(b, 1)));
    return _mm256_set_m128(_mm256_cvtpd_ps(hi), _mm256_cvtpd_ps(lo));
}
// ((a - b) + c) * k, evaluated in double.
NIMBREL_AVX2 __m128 DiffSumTimesHalf(__m128 a, __m128 b, __m128 c, __m256d k) {
    return _mm256_cvtpd_ps(
        _mm256_mul_pd(_mm256_add_pd(_mm256_sub_pd(_mm256_cvtps_pd(a), _mm256_cvtps_pd(b)), _mm256_cvtps_pd(c)), k));
}
NIMBREL_AVX2 __m256 DiffSumTimes(__m256 a, __m256 b, __m256 c, double k) {
    const __m256d kk = _mm256_set1_pd(k);
    return _mm256_set_m128(
        DiffSumTimesHalf(_mm256_extractf128_ps(a, 1), _mm256_extractf128_ps(b, 1), _mm256_extractf128_ps(c, 1), kk),
        DiffSumTimesHalf(_mm256_castps256_ps128(a), _mm256_castps256_ps128(b), _mm256_castps256_ps128(c), kk));
}
// (a - b) * k and (a + b) * k, evaluated in double.
NIMBREL_AVX2 __m256 DiffTimes(__m256 a, __m256 b, double k) {
    const __m256d kk = _mm256_set1_pd(k);
    const __m256d lo = _mm256_mul_pd(
        _mm256_sub_pd(_mm256_cvtps_pd(_mm256_castps256_ps128(a)), _mm256_cvtps_pd(_mm256_castps256_ps128(b))), kk);
    const __m256d hi = _mm256_mul_pd(
        _mm256_sub_pd(_mm256_cvtps_pd(_mm256_extractf128_ps(a, 1)), _mm256_cvtps_pd(_mm256_extractf128_ps(b, 1))), kk);
    return _mm256_set_m128(_mm256_cvtpd_ps(hi), _mm256_cvtpd_ps(lo));
}
NIMBREL_AVX2 __m256 SumTimes(__m256 a, __m256 b, double k) {
    const __m256d kk = _mm256_set1_pd(k);
    const __m256d lo = _mm256_mul_pd(
        _mm256_add_pd(_mm256_cvtps_pd(_mm256_castps256_ps128(a)), _mm256_cvtps_pd(_mm256_castps256_ps128(b))), kk);
    const __m256d hi = _mm256_mul_pd(
        _mm256_add_pd(_mm256_cvtps_pd(_mm256_extractf128_ps(a, 1)), _mm256_cvtps_pd(_mm256_extractf128_ps(b, 1))), kk);
    return _mm256_set_m128(_mm256_cvtpd_ps(hi), _mm256_cvtpd_ps(lo));
}

// d[i] holds element i of eight lines, one line a lane; the outputs replace them.
NIMBREL_AVX2 void TransformLines8(__m256* d) {
    const __m256 t0 = _mm256_add_ps(d[0], d[7]), t7 = _mm256_sub_ps(d[0], d[7]);
    const __m256 t1 = _mm256_add_ps(d[1], d[6]), t6 = _mm256_sub_ps(d[1], d[6]);
    const __m256 t2 = _mm256_add_ps(d[2], d[5]), t5 = _mm256_sub_ps(d[2], d[5]);
    const __m256 t3 = _mm256_add_ps(d[3], d[4]), t4 = _mm256_sub_ps(d[3], d[4]);

    const __m256 t10 = _mm256_add_ps(t0, t3), t13 = _mm256_sub_ps(t0, t3);
    const __m256 t11 = _mm256_add_ps(t1, t2);
    d[0] = _mm256_add_ps(t10, t11);
    d[4] = _mm256_sub_ps(t10, t11);
    const __m256 z1 = DiffSumTimes(t1, t2, t13, kC4);
    d[2] = _mm256_add_ps(t13, z1);
    d[6] = _mm256_sub_ps(t13, z1);

    const __m256 p10 = _mm256_add_ps(t4, t5), p12 = _mm256_add_ps(t6, t7);
    const __m256 z5 = DiffTimes(p10, p12, kC6);
    const __m256 z2 = MulAddConstant(kC2mC6, p10, z5);
    const __m256 z4 = MulAddConstant(kC2pC6, p12, z5);
    const __m256 z3 = SumTimes(t5, t6, kC4);
    const __m256 z11 = _mm256_add_ps(t7, z3), z13 = _mm256_sub_ps(t7, z3);
    d[5] = _mm256_add_ps(z13, z2);
    d[3] = _mm256_sub_ps(z13, z2);
    d[1] = _mm256_add_ps(z11, z4);
    d[7] = _mm256_sub_ps(z11, z4);
}

NIMBREL_AVX2 void Transpose8(__m256* r) {
    const __m256 a0 = _mm256_unpacklo_ps(r[0], r[1]), a1 = _mm256_unpackhi_ps(r[0], r[1]);
    const __m256 a2 = _mm256_unpacklo_ps(r[2], r[3]), a3 = _mm256_unpackhi_ps(r[2], r[3]);
    const __m256 a4 = _mm256_unpacklo_ps(r[4], r[5]), a5 = _mm256_unpackhi_ps(r[4], r[5]);
    const __m256 a6 = _mm256_unpacklo_ps(r[6], r[7]), a7 = _mm256_unpackhi_ps(r[6], r[7]);
    const __m256 b0 = _mm256_shuffle_ps(a0, a2, 0x44), b1 = _mm256_shuffle_ps(a0, a2, 0xEE);
    const __m256 b2 = _mm256_shuffle_ps(a1, a3, 0x44), b3 = _mm256_shuffle_ps(a1, a3, 0xEE);
    const __m256 b4 = _mm256_shuffle_ps(a4, a6, 0x44), b5 = _mm256_shuffle_ps(a4, a6, 0xEE);
    const __m256 b6 = _mm256_shuffle_ps(a5, a7, 0x44), b7 = _mm256_shuffle_ps(a5, a7, 0xEE);
    r[0] = _mm256_permute2f128_ps(b0, b4, 0x20);
    r[1] = _mm256_permute2f128_ps(b1, b5, 0x20);
    r[2] = _mm256_permute2f128_ps(b2, b6, 0x20);
    r[3] = _mm256_permute2f128_ps(b3, b7, 0x20);
    r[4] = _mm256_permute2f128_ps(b0, b4, 0x31);
    r[5] = _mm256_permute2f128_ps(b1, b5, 0x31);
    r[6] = _mm256_permute2f128_ps(b2, b6, 0x31);
    r[7] = _mm256_permute2f128_ps(b3, b7, 0x31);
}

// The transposed result (index u * 8 + v) of the block in workspace.
NIMBREL_AVX2 void TransformTransposedAvx2(const float* workspace, float* result) {
    __m256 r[8];
    for (int i = 0; i < 8; ++i) r[i] = _mm256_load_ps(workspace + 8 * i);
    TransformLines8(r);  // down the columns
    Transpose8(r);
    TransformLines8(r);  // along the rows
    for (int i = 0; i < 8; ++i) _mm256_store_ps(result + 8 * i, r[i]);
}

// Eight pixels of a row (24 bytes, B G R) converted, the same sums as the
// tables give: every product and sum is exact in double, whatever the order.
NIMBREL_AVX2 __m256d Weighted(__m128i values, double w) {
    return _mm256_mul_pd(_mm256_cvtepi32_pd(values), _mm256_set1_pd(w));
}
NIMBREL_AVX2 __m128 ConvertFourAvx2(__m128i r, __m128i g, __m128i b, const block_kernel::BlockRow& job) {
    const __m256d rg = _mm256_add_pd(Weighted(r, double(job.wR)), Weighted(g, double(job.wG)));
    const __m256d bo = _mm256_add_pd(Weighted(b, double(job.wB)), _mm256_set1_pd(double(job.offset)));
    return _mm256_cvtpd_ps(_mm256_add_pd(rg, bo));
}
// Byte 3k + c of pixel k = 0..7, as 32-bit values: bytes below 16 from the
// first load (bytes 0..15), the others from the second (bytes 8..23).
NIMBREL_AVX2 __m256i Channel(__m128i lo, __m128i hi, __m128i fromLo, __m128i fromHi) {
    return _mm256_cvtepu8_epi32(_mm_or_si128(_mm_shuffle_epi8(lo, fromLo), _mm_shuffle_epi8(hi, fromHi)));
}
NIMBREL_AVX2 __m256 ConvertEightAvx2(const uint8_t* p, const block_kernel::BlockRow& job) {
    const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8));
    const __m256i b = Channel(lo, hi, _mm_setr_epi8(0, 3, 6, 9, 12, 15, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1),
                              _mm_setr_epi8(-1, -1, -1, -1, -1, -1, 10, 13, -1, -1, -1, -1, -1, -1, -1, -1));
    const __m256i g = Channel(lo, hi, _mm_setr_epi8(1, 4, 7, 10, 13, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1),
                              _mm_setr_epi8(-1, -1, -1, -1, -1, 8, 11, 14, -1, -1, -1, -1, -1, -1, -1, -1));
    const __m256i r = Channel(lo, hi, _mm_setr_epi8(2, 5, 8, 11, 14, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1),
                              _mm_setr_epi8(-1, -1, -1, -1, -1, 9, 12, 15, -1, -1, -1, -1, -1, -1, -1, -1));
    const __m128 first =
        ConvertFourAvx2(_mm256_castsi256_si128(r), _mm256_castsi256_si128(g), _mm256_castsi256_si128(b), job);
    const __m128 second = ConvertFourAvx2(_mm256_extracti128_si256(r, 1), _mm256_extracti128_si256(g, 1),
                                          _mm256_extracti128_si256(b, 1), job);
    return _mm256_set_m128(second, first);
}

// Quantize, eight products at a time; the conversion rounds in the default
// mode, to nearest with halves to even, as the portable build does.
NIMBREL_AVX2 bool QuantizeAvx2(const float* transposed, const float* M, int16_t* out) {
    alignas(32) int32_t rounded[64];
    __m256i outside = _mm256_setzero_si256();
    const __m256i bias = _mm256_set1_epi32(32768);
    for (int i = 0; i < 64; i += 8) {
        const __m256 f = _mm256_loadu_ps(transposed + i), m = _mm256_loadu_ps(M + i);
        const __m256d lo =
            _mm256_mul_pd(_mm256_cvtps_pd(_mm256_castps256_ps128(f)), _mm256_cvtps_pd(_mm256_castps256_ps128(m)));
        const __m256d hi =
            _mm256_mul_pd(_mm256_cvtps_pd(_mm256_extractf128_ps(f, 1)), _mm256_cvtps_pd(_mm256_extractf128_ps(m, 1)));
        const __m256i r = _mm256_set_m128i(_mm256_cvtpd_epi32(hi), _mm256_cvtpd_epi32(lo));
        // A value fits 16 bits when adding 32768 leaves nothing above bit 15.
        outside = _mm256_or_si256(outside, _mm256_srli_epi32(_mm256_add_epi32(r, bias), 16));
        _mm256_store_si256(reinterpret_cast<__m256i*>(rounded + i), r);
    }
    if (!_mm256_testz_si256(outside, outside)) return false;
    __m128i* o = reinterpret_cast<__m128i*>(out);
    _mm_storeu_si128(o + 0, ZigZagEight<0>(rounded));
    _mm_storeu_si128(o + 1, ZigZagEight<8>(rounded));
    _mm_storeu_si128(o + 2, ZigZagEight<16>(rounded));
    _mm_storeu_si128(o + 3, ZigZagEight<24>(rounded));
    _mm_storeu_si128(o + 4, ZigZagEight<32>(rounded));
    _mm_storeu_si128(o + 5, ZigZagEight<40>(rounded));
    _mm_storeu_si128(o + 6, ZigZagEight<48>(rounded));
    _mm_storeu_si128(o + 7, ZigZagEight<56>(rounded));
    return true;
}

__attribute__((target("avx2"))) bool SampleBlockRowAvx2(const block_kernel::BlockRow& job) {
    alignas(32) float workspace[64], result[64];
    for (int bx = 0; bx < job.blocks; ++bx) {
        for (int j = 0; j < 8; ++j) _mm256_store_ps(workspace + 8 * j, ConvertEightAvx2(job.rows[j] + 24 * bx, job));
        TransformTransposedAvx2(workspace, result);
        if (!QuantizeAvx2(result, job.M, job.out + 64 * bx)) return false;
    }
    return true;
}

// The same kernel for AVX-512 (with its byte permutes, VBMI): every formula with a constant evaluated in
// double over eight lines in one register, the block kept in registers from
// the conversion to the quantization, and the zig-zag reordering done by two
// word permutes. Every value is rounded exactly as above.
#define NIMBREL_AVX512_ISA "avx512f,avx512bw,avx512vl,avx512vbmi"
#define NIMBREL_AVX512 __attribute__((target(NIMBREL_AVX512_ISA), always_inline)) inline
// GCC's headers build several of these intrinsics on an undefined source
// register and then warn about it.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

NIMBREL_AVX512 __m512d Wide512(__m256 x) {
    return _mm512_cvtps_pd(x);
}
NIMBREL_AVX512 __m256 Narrow512(__m512d x) {
    return _mm512_cvtpd_ps(x);
}

struct Constants512 {
    __m512d c4, c6, c2mC6, c2pC6;
};

NIMBREL_AVX512 void TransformLines8Avx512(__m256* d, const Constants512& k) {
    const __m256 t0 = _mm256_add_ps(d[0], d[7]), t7 = _mm256_sub_ps(d[0], d[7]);
    const __m256 t1 = _mm256_add_ps(d[1], d[6]), t6 = _mm256_sub_ps(d[1], d[6]);
    const __m256 t2 = _mm256_add_ps(d[2], d[5]), t5 = _mm256_sub_ps(d[2], d[5]);
    const __m256 t3 = _mm256_add_ps(d[3], d[4]), t4 = _mm256_sub_ps(d[3], d[4]);

    const __m256 t10 = _mm256_add_ps(t0, t3), t13 = _mm256_sub_ps(t0, t3);
    const __m256 t11 = _mm256_add_ps(t1, t2);
    d[0] = _mm256_add_ps(t10, t11);
    d[4] = _mm256_sub_ps(t10, t11);
    // ((t1 - t2) + t13) * C4
    const __m256 z1 =
        Narrow512(_mm512_mul_pd(_mm512_add_pd(_mm512_sub_pd(Wide512(t1), Wide512(t2)), Wide512(t13)), k.c4));
    d[2] = _mm256_add_ps(t13, z1);
    d[6] = _mm256_sub_ps(t13, z1);

    const __m256 p10 = _mm256_add_ps(t4, t5), p12 = _mm256_add_ps(t6, t7);
    const __m512d p10d = Wide512(p10), p12d = Wide512(p12);
    const __m256 z5 = Narrow512(_mm512_mul_pd(_mm512_sub_pd(p10d, p12d), k.c6));
    const __m512d z5d = Wide512(z5);
    const __m256 z2 = Narrow512(_mm512_add_pd(_mm512_mul_pd(k.c2mC6, p10d), z5d));
    const __m256 z4 = Narrow512(_mm512_add_pd(_mm512_mul_pd(k.c2pC6, p12d), z5d));
    const __m256 z3 = Narrow512(_mm512_mul_pd(_mm512_add_pd(Wide512(t5), Wide512(t6)), k.c4));
    const __m256 z11 = _mm256_add_ps(t7, z3), z13 = _mm256_sub_ps(t7, z3);
    d[5] = _mm256_add_ps(z13, z2);
    d[3] = _mm256_sub_ps(z13, z2);
    d[1] = _mm256_add_ps(z11, z4);
    d[7] = _mm256_sub_ps(z11, z4);
}

struct Weights512 {
    __m512d r, g, b, offset;
};

// Byte 3k + c of a row's 24 as the low byte of 64-bit lane k, the others
// from the constant: with 2^52's bits around it, the lane is the double
// 2^52 + byte, and subtracting 2^52 leaves the byte exactly.
struct ChannelBytes {
    alignas(64) uint8_t index[3][64] = {};
    constexpr ChannelBytes() {
        for (int c = 0; c < 3; ++c)
            for (int k = 0; k < 8; ++k) index[c][8 * k] = static_cast<uint8_t>(3 * k + c);
    }
};
constexpr ChannelBytes kChannelBytes{};

struct Channels512 {
    __m512i blue, green, red, magic;
    __m512d twoTo52;
};

NIMBREL_AVX512 __m512d ChannelAvx512(__m512i row, __m512i index, const Channels512& ch) {
    constexpr __mmask64 kLowBytes = 0x0101010101010101ull;
    return _mm512_sub_pd(_mm512_castsi512_pd(_mm512_mask_permutexvar_epi8(ch.magic, kLowBytes, index, row)),
                         ch.twoTo52);
}

// Eight pixels of a row (24 bytes, B G R, nothing read beyond them).
NIMBREL_AVX512 __m256 ConvertEightAvx512(const uint8_t* p, const Weights512& w, const Channels512& ch) {
    const __m512i row = _mm512_castsi256_si512(_mm256_maskz_loadu_epi8(0x00FFFFFF, p));
    // Exact products and sums, as in the other builds; the one rounding is the last.
    const __m512d rg = _mm512_add_pd(_mm512_mul_pd(ChannelAvx512(row, ch.red, ch), w.r),
                                     _mm512_mul_pd(ChannelAvx512(row, ch.green, ch), w.g));
    const __m512d bo = _mm512_add_pd(_mm512_mul_pd(ChannelAvx512(row, ch.blue, ch), w.b), w.offset);
    return _mm512_cvtpd_ps(_mm512_add_pd(rg, bo));
}

// The word permutes' indices: zig-zag position z takes transposed index
// kZigZagToTransposed.index[z], words 32..63 coming from the second register.
struct ZigZagWords {
    alignas(64) int16_t index[64] = {};
    constexpr ZigZagWords() {
        for (int z = 0; z < 64; ++z) index[z] = static_cast<int16_t>(kZigZagToTransposed.index[z]);
    }
};
constexpr ZigZagWords kZigZagWords{};

NIMBREL_AVX512 __m512i Join(__m256i low, __m256i high) {
    return _mm512_inserti64x4(_mm512_castsi256_si512(low), high, 1);
}

__attribute__((target(NIMBREL_AVX512_ISA))) bool SampleBlockRowAvx512(const block_kernel::BlockRow& job) {
    const Constants512 k{_mm512_set1_pd(kC4), _mm512_set1_pd(kC6), _mm512_set1_pd(kC2mC6), _mm512_set1_pd(kC2pC6)};
    const Weights512 w{_mm512_set1_pd(double(job.wR)), _mm512_set1_pd(double(job.wG)), _mm512_set1_pd(double(job.wB)),
                       _mm512_set1_pd(double(job.offset))};
    __m512d M[8];
    for (int i = 0; i < 8; ++i) M[i] = _mm512_cvtps_pd(_mm256_loadu_ps(job.M + 8 * i));
    const __m512i firstHalf = _mm512_load_si512(kZigZagWords.index);
    const __m512i secondHalf = _mm512_load_si512(kZigZagWords.index + 32);
    const __m512i bias = _mm512_set1_epi32(32768);
    const Channels512 channels{_mm512_load_si512(kChannelBytes.index[0]), _mm512_load_si512(kChannelBytes.index[1]),
                               _mm512_load_si512(kChannelBytes.index[2]), _mm512_set1_epi64(0x4330000000000000ll),
                               _mm512_set1_pd(4503599627370496.0)};
    for (int bx = 0; bx < job.blocks; ++bx) {
        __m256 r[8];
        for (int j = 0; j < 8; ++j) r[j] = ConvertEightAvx512(job.rows[j] + 24 * bx, w, channels);
        TransformLines8Avx512(r, k);  // down the columns
        Transpose8(r);
        TransformLines8Avx512(r, k);  // along the rows: r[u] holds v = 0..7
        // Quantize: the product of two single-precision values is exact in
        // double, and the conversion rounds in the default mode, to nearest
        // with halves to even.
        __m256i q[8];
        for (int i = 0; i < 8; ++i) q[i] = _mm512_cvtpd_epi32(_mm512_mul_pd(_mm512_cvtps_pd(r[i]), M[i]));
        const __m512i q01 = Join(q[0], q[1]), q23 = Join(q[2], q[3]);
        const __m512i q45 = Join(q[4], q[5]), q67 = Join(q[6], q[7]);
        // A value fits 16 bits when adding 32768 leaves nothing above bit 15.
        const __m512i outside = _mm512_or_si512(_mm512_or_si512(_mm512_srli_epi32(_mm512_add_epi32(q01, bias), 16),
                                                                _mm512_srli_epi32(_mm512_add_epi32(q23, bias), 16)),
                                                _mm512_or_si512(_mm512_srli_epi32(_mm512_add_epi32(q45, bias), 16),
                                                                _mm512_srli_epi32(_mm512_add_epi32(q67, bias), 16)));
        if (_mm512_test_epi32_mask(outside, outside) != 0) return false;
        const __m512i low = Join(_mm512_cvtepi32_epi16(q01), _mm512_cvtepi32_epi16(q23));   // indices 0..31
        const __m512i high = Join(_mm512_cvtepi32_epi16(q45), _mm512_cvtepi32_epi16(q67));  // indices 32..63
        int16_t* out = job.out + 64 * bx;
        _mm512_storeu_si512(out, _mm512_permutex2var_epi16(low, firstHalf, high));
        _mm512_storeu_si512(out + 32, _mm512_permutex2var_epi16(low, secondHalf, high));
    }
    return true;
}
#pragma GCC diagnostic pop
#endif

using Kernel = bool (*)(const block_kernel::BlockRow&);

Kernel KernelFor(block_kernel::Isa isa) {
    switch (isa) {
        case block_kernel::Isa::Portable:
            return block_kernel::SampleBlockRowPortable;
#if defined(__x86_64__) || defined(__i386__)
        case block_kernel::Isa::Avx2:
            return __builtin_cpu_supports("avx2") ? SampleBlockRowAvx2 : nullptr;
        case block_kernel::Isa::Avx512:
            return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                           __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512vbmi")
                       ? SampleBlockRowAvx512
                       : nullptr;
#endif
        default:
            return nullptr;
    }
}

Kernel ChooseKernel() {
    for (block_kernel::Isa isa : {block_kernel::Isa::Avx512, block_kernel::Isa::Avx2})
        if (Kernel k = KernelFor(isa)) return k;
    return block_kernel::SampleBlockRowPortable;
}

}  // namespace

bool block_kernel::SampleBlockRowPortable(const BlockRow& job) {
    return SampleBlockRowBody(job);
}

bool block_kernel::Runs(Isa isa) {
    return KernelFor(isa) != nullptr;
}

bool block_kernel::SampleBlockRowWith(Isa isa, const BlockRow& job) {
    const Kernel kernel = KernelFor(isa);
    return kernel && kernel(job);
}

bool block_kernel::SampleBlockRow(const BlockRow& job) {
    static const Kernel kernel = ChooseKernel();
    return kernel(job);
}

void cJpeg::ForwardDCT(float* workspace) {
    alignas(32) float result[64];
    TransformTransposed(workspace, result);
    Transpose(result, workspace);  // back to index v * 8 + u
}

void cJpeg::QuantizeBlock(const float* transposed, CoefficientArray& coefficients, size_t& position, int t) const {
    if (!Quantize(transposed, mTransposed_[t], coefficients.data() + position))
        throw JpegError(jpeg_errors::kOverflow, jpeg_errors::kOverflowText);
    position += 64;
}

}  // namespace nimbrel

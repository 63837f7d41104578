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

// Adding and removing 1.5 * 2^52 leaves the nearest integer, halves to even,
// for any |x| below 2^51: the same as nearbyint in the default mode, but
// without a library call in the loop.
inline double RoundHalfEven(double x) {
    constexpr double kShift = 6755399441055744.0;
    return (x + kShift) - kShift;
}

// Natural (row-major) index -> zig-zag position.
struct NaturalToZigZag {
    int zz[64] = {};
    constexpr NaturalToZigZag() {
        for (int v = 0; v < 8; ++v)
            for (int u = 0; u < 8; ++u) zz[v * 8 + u] = kZigZag.zz[u][v];
    }
};
constexpr NaturalToZigZag kNaturalToZigZag{};

}  // namespace

void cJpeg::ForwardDCT(float* workspace) {
    alignas(32) float columns[64], rows[64], result[64];
    TransformLines(workspace, columns);  // down each column: result row v = vertical frequency
    Transpose(columns, rows);
    TransformLines(rows, result);  // along each row: result[u * 8 + v]
    Transpose(result, workspace);  // back to index v * 8 + u
}

void cJpeg::QuantizeBlock(std::vector<int16_t>& coefficients, size_t& position, int t) const {
    const QuantizationTable& table = qt_[t];
    alignas(32) double rounded[64];
    double low = 0, high = 0;
    for (int i = 0; i < 64; ++i) {
        // Both factors are single precision, so their product is exact in double.
        const double r = RoundHalfEven(double(workspace_[i]) * table.M[kNaturalToZigZag.zz[i]]);
        rounded[i] = r;
        low = std::min(low, r);
        high = std::max(high, r);
    }
    if (low < -32768.0 || high > 32767.0) throw JpegError(jpeg_errors::kOverflow, jpeg_errors::kOverflowText);
    int16_t* out = coefficients.data() + position;
    for (int i = 0; i < 64; ++i) out[kNaturalToZigZag.zz[i]] = static_cast<int16_t>(rounded[i]);
    position += 64;
}

}  // namespace nimbrel

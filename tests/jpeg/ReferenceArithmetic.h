#pragma once
// The encoder's arithmetic written out plainly, one value at a time: the
// colour conversion with single-precision weights, and the transform with
// each named value stored in single precision and each formula evaluated in
// double. The encoder may compute them any faster way, but must arrive at
// the same bits.
#include <cstdint>

namespace reference {

// Sample of component 0 (Y), 1 (Cb) or 2 (Cr) of a pixel stored B, G, R.
inline float Sample(const uint8_t* bgr, int component) {
    static const float w[3][4] = {
        {0.299f, 0.587f, 0.114f, -128.0f}, {-0.16874f, -0.33126f, 0.5f, 0.0f}, {0.5f, -0.41869f, -0.08131f, 0.0f}};
    const float* c = w[component];
    return float(double(bgr[2]) * c[0] + double(bgr[1]) * c[1] + double(bgr[0]) * c[2] + c[3]);
}

// One line of eight values, d[0], d[step], ..., d[7 * step], in place.
inline void Line(float* d, int step) {
    const double c4 = 0.707106781186548, c6 = 0.382683432365091, c2m6 = 0.541196100146196, c2p6 = 1.30656296487638;
    auto at = [&](int i) -> float& { return d[i * step]; };
    const float t0 = float(double(at(0)) + at(7)), t7 = float(double(at(0)) - at(7));
    const float t1 = float(double(at(1)) + at(6)), t6 = float(double(at(1)) - at(6));
    const float t2 = float(double(at(2)) + at(5)), t5 = float(double(at(2)) - at(5));
    const float t3 = float(double(at(3)) + at(4)), t4 = float(double(at(3)) - at(4));
    const float t10 = float(double(t0) + t3), t13 = float(double(t0) - t3), t11 = float(double(t1) + t2);
    const float z1 = float(((double(t1) - t2) + t13) * c4);
    const float p10 = float(double(t4) + t5), p12 = float(double(t6) + t7);
    const float z5 = float((double(p10) - p12) * c6);
    const float z2 = float(c2m6 * p10 + z5), z4 = float(c2p6 * p12 + z5);
    const float z3 = float((double(t5) + t6) * c4);
    const float z11 = float(double(t7) + z3), z13 = float(double(t7) - z3);
    at(0) = float(double(t10) + t11), at(4) = float(double(t10) - t11);
    at(2) = float(double(t13) + z1), at(6) = float(double(t13) - z1);
    at(5) = float(double(z13) + z2), at(3) = float(double(z13) - z2);
    at(1) = float(double(z11) + z4), at(7) = float(double(z11) - z4);
}

// The block (row-major) transformed in place: down each column, then along each row.
inline void Transform(float* block) {
    for (int c = 0; c < 8; ++c) Line(block + c, 8);
    for (int r = 0; r < 8; ++r) Line(block + 8 * r, 1);
}

}  // namespace reference

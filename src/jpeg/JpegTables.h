#pragma once
// The standard's tables and the constants of the transform, named once.
#include <array>
#include <cstdint>

namespace nimbrel::jpeg_tables {

// Zig-zag position of coefficient (u, v), u the horizontal frequency
// (column) and v the vertical one (row), by walking the path of T.81
// Figure A.6: up-right and down-left, turning at the edges of the square.
struct ZigZag {
    int32_t zz[8][8] = {};  // zz[u][v]
    constexpr ZigZag() {
        int u = 0, v = 0, du = 1, dv = -1;
        for (int value = 0; value < 64; ++value) {
            zz[u][v] = value;
            u += du;
            v += dv;
            if (u >= 8) {
                u = 7, v += 2, du = -1, dv = 1;
            } else if (v >= 8) {
                v = 7, u += 2, du = 1, dv = -1;
            } else if (u < 0) {
                u = 0, du = 1, dv = -1;
            } else if (v < 0) {
                v = 0, du = -1, dv = 1;
            }
        }
    }
};
inline constexpr ZigZag kZigZag{};

// T.81 Tables K.1 (luminance) and K.2 (chrominance) as printed there, row by row.
inline constexpr std::array<int16_t, 64> kLuminanceRows = {
    16, 11,  10,  16, 24, 40, 51, 61, 12,  12,  14,  19,  26, 58, 60, 55,  14,  13,  16,  24, 40, 57,
    69, 56,  14,  17, 22, 29, 51, 87, 80,  62,  18,  22,  37, 56, 68, 109, 103, 77,  24,  35, 55, 64,
    81, 104, 113, 92, 49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98,  112, 100, 103, 99};
inline constexpr std::array<int16_t, 64> kChrominanceRows = {
    17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99, 24, 26, 56, 99, 99, 99,
    99, 99, 47, 66, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

constexpr std::array<int16_t, 64> ToZigZag(const std::array<int16_t, 64>& rows) {
    std::array<int16_t, 64> out{};
    for (int v = 0; v < 8; ++v)
        for (int u = 0; u < 8; ++u) out[kZigZag.zz[u][v]] = rows[v * 8 + u];
    return out;
}
// The base tables the quality scales, in zig-zag order as the file stores them.
inline constexpr std::array<int16_t, 64> kBaseLuminance = ToZigZag(kLuminanceRows);
inline constexpr std::array<int16_t, 64> kBaseChrominance = ToZigZag(kChrominanceRows);

// De-scaling factors of the scaled transform, S[0] = 1/(2 sqrt 2) and
// S[k] = 1/(4 cos(k pi/16)), to 15 significant digits.
inline constexpr std::array<double, 8> kDctScale = {0.353553390593273, 0.25489778955208,  0.270598050073098,
                                                    0.300672443467523, 0.353553390593273, 0.449988111568207,
                                                    0.653281482438186, 1.28145772387074};

// Rotation constants of the Arai-Agui-Nakajima transform.
inline constexpr double kC4 = 0.707106781186548;     // cos(4 pi/16)
inline constexpr double kC6 = 0.382683432365091;     // cos(6 pi/16)
inline constexpr double kC2mC6 = 0.541196100146196;  // cos(2 pi/16) - cos(6 pi/16)
inline constexpr double kC2pC6 = 1.30656296487638;   // cos(2 pi/16) + cos(6 pi/16)

// Colour weights of the conversion to Y, Cb, Cr, held in single precision.
struct ColourRow {
    float wR, wG, wB, offset;
};
inline constexpr std::array<ColourRow, 3> kColourRows = {{
    {0.299f, 0.587f, 0.114f, -128.0f},
    {-0.16874f, -0.33126f, 0.5f, 0.0f},
    {0.5f, -0.41869f, -0.08131f, 0.0f},
}};

// Marker codes (the byte after FF).
inline constexpr uint8_t kSOI = 0xD8, kEOI = 0xD9, kAPP0 = 0xE0, kCOM = 0xFE, kDQT = 0xDB, kSOF0 = 0xC0, kDHT = 0xC4,
                         kSOS = 0xDA;

// Largest number of blocks an interleaved scan may hold in one MCU (T.81 B.2.3).
inline constexpr int kMaxBlocksPerMcu = 10;

}  // namespace nimbrel::jpeg_tables

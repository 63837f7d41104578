// The encoder object: construction, quality, sampling factors, comment, and
// the tables derived from them.
#include "jpeg/cJpeg.h"

#include <algorithm>
#include <cmath>

#include "jpeg/AnsiText.h"
#include "jpeg/JpegTables.h"

namespace nimbrel {

using namespace jpeg_tables;

namespace {

// Halves go to the even neighbour: the default rounding mode does that.
double RoundEven(double value) {
    return std::nearbyint(value);
}

[[noreturn]] void Fail(const char* description) {
    throw JpegError(jpeg_errors::kOwnCheck, description);
}

bool InRange(int32_t value) {
    return value >= 1 && value <= 4;
}

}  // namespace

cJpeg::cJpeg() {
    SetSamplingFrequencies(2, 2, 1, 1, 1, 1);
    Quality(75);
}

void cJpeg::Quality(int32_t vData) {
    if (vData < 1 || vData > 100) return;  // not an error: the old tables stay
    quality_ = vData;
    const double scale = vData < 50 ? RoundEven(5000.0 / vData) : 200.0 - 2.0 * vData;
    for (int i = 0; i < 64; ++i) {
        const double lum = RoundEven((kBaseLuminance[i] * scale + 50.0) / 100.0);
        const double chr = RoundEven((kBaseChrominance[i] * scale + 50.0) / 100.0);
        qt_[0].Q[i] = static_cast<int16_t>(std::clamp(lum, 1.0, 255.0));
        qt_[1].Q[i] = static_cast<int16_t>(std::clamp(chr, 1.0, 255.0));
    }
    PrepareQuantizationTable(0);
    PrepareQuantizationTable(1);
}

void cJpeg::PrepareQuantizationTable(int t) {
    const int limit = P_ == 12 ? 65535 : 255;
    QuantizationTable& table = qt_[t];
    for (int u = 0; u < 8; ++u) {
        for (int v = 0; v < 8; ++v) {
            const int z = kZigZag.zz[u][v];
            if (table.Q[z] < 1 || table.Q[z] > limit) Fail("Bad Quantization Table");
            table.M[z] = static_cast<float>(kDctScale[u] * kDctScale[v] / table.Q[z]);
            mTransposed_[t][u * 8 + v] = table.M[z];
        }
    }
}

void cJpeg::SetSamplingFrequencies(int32_t H1, int32_t V1, int32_t H2, int32_t V2, int32_t H3, int32_t V3) {
    if (!InRange(H1) || !InRange(V1)) Fail("Invalid Sampling Value");
    const bool grayscale = H2 == 0 && V2 == 0 && H3 == 0 && V3 == 0;
    if (!grayscale && (!InRange(H2) || !InRange(H3) || !InRange(V2) || !InRange(V3))) Fail("Invalid Sampling Value");

    std::vector<Component> fresh;
    if (grayscale) {
        fresh.push_back(Component{0, 1, 1, 0, {}});
    } else {
        fresh.push_back(Component{0, H1, V1, 0, {}});
        fresh.push_back(Component{0, H2, V2, 1, {}});
        fresh.push_back(Component{0, H3, V3, 1, {}});
    }
    components_ = std::move(fresh);
    Nf_ = static_cast<int32_t>(components_.size());
    Hmax_ = Vmax_ = 1;
    for (const Component& c : components_) {
        Hmax_ = std::max(Hmax_, c.H);
        Vmax_ = std::max(Vmax_, c.V);
    }
}

void cJpeg::Comment(const std::string& Value) {
    // The segment's length field holds the characters plus its own two bytes.
    if (ansi_text::CharacterCount(Value) > 65533) Fail("Illegal Comment Length");
    comment_ = Value;
}

void cJpeg::ExpandHuffmanTable(HuffmanTable& table, int largestSymbol) {
    std::fill(std::begin(table.SIZE), std::end(table.SIZE), 0);
    std::fill(std::begin(table.CODE), std::end(table.CODE), -1);
    int k = 0;
    int32_t code = 0, mask = 1;
    for (int length = 1; length <= 16; ++length) {
        const int n = table.BITS[length - 1];
        if (k + n > 256) Fail("Bad Huffman Table");
        for (int i = 0; i < n; ++i, ++k) {
            const int s = table.HUFFVAL[k];
            if (s > largestSymbol || table.CODE[s] >= 0) Fail("Bad Huffman Table");
            table.SIZE[s] = mask;
            table.CODE[s] = code++;
        }
        mask *= 2;
        if (code >= mask) Fail("Bad Huffman Table");  // more codes than this length can hold
        code *= 2;
    }
    if (k == 0) Fail("Bad Huffman Table");
}

std::vector<cJpeg::ScanGroup> cJpeg::GroupScans(int first, int last) const {
    std::vector<ScanGroup> groups;
    int a = first;
    while (a <= last) {
        int count = 0;
        int b = a;
        for (;; ++b) {
            count += components_[b].H * components_[b].V;
            if (count > kMaxBlocksPerMcu) {
                // The group closes before b, unless b would be alone.
                if (b == a) ++b;
                break;
            }
            if (b - a + 1 == 3 || b == last) {
                ++b;
                break;
            }
        }
        groups.push_back({a, b - 1});
        a = b;
    }
    return groups;
}

}  // namespace nimbrel

// Huffman tables built for each picture: count the symbols the scans will
// write, derive code lengths with the procedure of T.81 Annex K.2, and
// estimate the size of the coded data from the counts and the lengths.
#include <algorithm>
#include <bit>
#include <cstring>

#include "jpeg/BlockMask.h"
#include "jpeg/McuOrder.h"
#include "jpeg/cJpeg.h"

namespace nimbrel {

namespace {

constexpr int kSymbols = 257;  // 256 values and the reserved code point
constexpr int kReserved = 256;

// The symbols EncodeBlock writes for one block, counted: the DC category of
// the difference to the predictor, and the AC run/size symbols with ZRL and EOB.
inline void CountBlock(const int16_t* block, int32_t& predictor, int32_t* dc, int32_t* ac) {
    dc[cJpeg::Category(block[0] - predictor)]++;
    predictor = block[0];
    uint64_t nonZero = block_mask::NonZero(block) & ~uint64_t(1);
    int last = 0;
    while (nonZero) {
        const int k = std::countr_zero(nonZero);
        nonZero &= nonZero - 1;
        int run = k - last - 1;
        for (; run > 15; run -= 16) ac[0xF0]++;
        ac[run * 16 + cJpeg::Category(block[k])]++;
        last = k;
    }
    if (last < 63) ac[0x00]++;  // EOB
}

// Bits of the code of a symbol, from its SIZE mask 2^(length - 1).
int CodeLength(int32_t sizeMask) {
    return std::bit_width(static_cast<uint32_t>(sizeMask));
}

// Whole bytes and a remainder of 0..7 bits.
struct Estimate {
    int64_t bytes = 0;
    int64_t bits = 0;
    void Add(int64_t n) {
        bits += n;
        bytes += bits / 8;
        bits %= 8;
    }
};

}  // namespace

void cJpeg::OptimizeHuffmanTable(HuffmanTable& table, int32_t* F) {
    int32_t codeSize[kSymbols] = {};
    int32_t others[kSymbols];
    std::fill(std::begin(others), std::end(others), -1);
    F[kReserved] = 1;  // keeps any code from consisting only of 1-bits

    int32_t c1 = -1;
    for (;;) {
        // The two smallest non-zero counts; ties go to the larger symbol.
        c1 = -1;
        int32_t c2 = -1;
        int64_t v1 = INT64_MAX, v2 = INT64_MAX;
        for (int i = 0; i < kSymbols; ++i) {
            if (F[i] == 0) continue;
            if (F[i] <= v1) {
                c2 = c1, v2 = v1;
                c1 = i, v1 = F[i];
            } else if (F[i] <= v2) {
                c2 = i, v2 = F[i];
            }
        }
        if (c2 < 0) break;
        F[c1] += F[c2];
        F[c2] = 0;
        int k = c1;
        for (;;) {
            ++codeSize[k];
            if (others[k] < 0) break;
            k = others[k];
        }
        others[k] = c2;
        for (k = c2;; k = others[k]) {
            ++codeSize[k];
            if (others[k] < 0) break;
        }
    }
    if (c1 >= 0) F[c1] = 0;

    // Codes per length; a length can in principle reach the symbol count.
    int32_t count[kSymbols + 1] = {};
    int maxLen = 0;
    for (int i = 0; i < kSymbols; ++i) {
        if (codeSize[i] == 0) continue;
        count[codeSize[i]]++;
        maxLen = std::max(maxLen, codeSize[i]);
    }
    // No code longer than 16 bits (Figure K.3): move pairs of the longest
    // codes up, one level at a time.
    for (int i = maxLen; i > 16; --i) {
        while (count[i] > 0) {
            int j = i - 2;
            while (count[j] == 0) --j;
            count[i] -= 2;
            count[i - 1] += 1;
            count[j + 1] += 2;
            count[j] -= 1;
        }
    }
    count[std::min(maxLen, 16)] -= 1;  // the reserved code point
    for (int L = 1; L <= 16; ++L) table.BITS[L - 1] = static_cast<uint8_t>(count[L]);

    // Symbols in order of their unlimited length, then of their value (Figure K.4).
    int k = 0;
    for (int L = 1; L <= maxLen; ++L)
        for (int s = 0; s < 256; ++s)
            if (codeSize[s] == L) table.HUFFVAL[k++] = static_cast<uint8_t>(s);
}

NIMBREL_ENTROPY_CLONES int64_t cJpeg::OptimizeHuffmanTables(int first, int last) {
    // Nothing sampled yet: there is no picture to code.
    for (int c = first; c <= last; ++c)
        if (components_[c].coefficients.empty()) throw JpegError(jpeg_errors::kSubscript, jpeg_errors::kSubscriptText);
    const std::vector<ScanGroup> groups = GroupScans(first, last);
    bool dcUsed[4] = {}, acUsed[4] = {};
    for (const ScanGroup& g : groups)
        for (int c = g.first; c <= g.last; ++c) dcUsed[c == 0 ? 0 : 1] = acUsed[c == 0 ? 0 : 1] = true;
    // Every scan walked once in the order it will be coded, each block's
    // symbols counted for the tables of its component: in an interleaved
    // scan the DC predictor runs along the MCUs, not the raster, and every
    // dummy block writes a DC difference of 0 and an EOB.
    int32_t dcCounts[4][kSymbols] = {}, acCounts[4][kSymbols] = {};
    const auto tableOf = [](int c) { return c == 0 ? 0 : 1; };
    for (const ScanGroup& g : groups) {
        int32_t predictor[3] = {0, 0, 0};
        if (g.first == g.last) {
            const int c = g.first, t = tableOf(c);
            const CoefficientArray& coefficients = components_[c].coefficients;
            for (size_t i = 0; i < coefficients.size(); i += 64)
                CountBlock(coefficients.data() + i, predictor[c], dcCounts[t], acCounts[t]);
            continue;
        }
        mcu_order::Walk(
            components_, g.first, g.last, X_, Y_, Hmax_, Vmax_,
            [&](int c, int64_t block) {
                const int t = tableOf(c);
                CountBlock(components_[c].coefficients.data() + block * 64, predictor[c], dcCounts[t], acCounts[t]);
            },
            [&](int c) {
                dcCounts[tableOf(c)][0]++;
                acCounts[tableOf(c)][0x00]++;
            });
    }

    const int largestDC = P_ == 12 ? 15 : 11;
    int32_t F[kSymbols] = {};
    Estimate estimate;
    for (int t = 0; t < 4; ++t) {
        if (dcUsed[t]) {
            std::memcpy(F, dcCounts[t], sizeof F);
            OptimizeHuffmanTable(dcTables_[t], F);
            ExpandHuffmanTable(dcTables_[t], largestDC);
            for (int s = 0; s < 16; ++s)
                if (dcCounts[t][s] != 0) estimate.Add(int64_t(dcCounts[t][s]) * (CodeLength(dcTables_[t].SIZE[s]) + s));
        }
        if (acUsed[t]) {
            std::memcpy(F, acCounts[t], sizeof F);
            OptimizeHuffmanTable(acTables_[t], F);
            ExpandHuffmanTable(acTables_[t], 255);
            for (int s = 0; s < 256; ++s)
                if (acCounts[t][s] != 0)
                    estimate.Add(int64_t(acCounts[t][s]) * (CodeLength(acTables_[t].SIZE[s]) + s % 16));
        }
    }
    return estimate.bytes + (estimate.bits != 0 ? 1 : 0);
}

}  // namespace nimbrel

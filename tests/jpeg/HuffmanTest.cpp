// Code lengths from counts (T.81 Annex K.2) and the canonical expansion.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "jpeg/cJpeg.h"

using nimbrel::cJpeg;
using nimbrel::JpegError;

namespace {

struct Built {
    cJpeg::HuffmanTable table;
    std::vector<int> bits, values;
};

Built Build(std::vector<std::pair<int, int>> counts) {
    int32_t F[257] = {};
    for (auto [s, n] : counts) F[s] = n;
    Built b;
    cJpeg::OptimizeHuffmanTable(b.table, F);
    for (int i = 0; i < 257; ++i) EXPECT_EQ(F[i], 0) << "count left at " << i;
    int total = 0;
    for (int L = 0; L < 16; ++L) {
        b.bits.push_back(b.table.BITS[L]);
        total += b.table.BITS[L];
    }
    b.values.assign(b.table.HUFFVAL, b.table.HUFFVAL + total);
    return b;
}

int ExpandError(cJpeg::HuffmanTable t) {
    try {
        cJpeg::ExpandHuffmanTable(t, 255);
    } catch (const JpegError& e) {
        EXPECT_EQ(e.Description(), "Bad Huffman Table");
        return e.Number();
    }
    return 0;
}

}  // namespace

TEST(HuffmanOptimiser, BuildsTheStandardsSmallExamples) {
    // F[0] = 10, F[1] = 5: the reserved point merges with 1 first.
    Built b = Build({{0, 10}, {1, 5}});
    EXPECT_EQ(std::vector<int>(b.bits.begin(), b.bits.begin() + 3), (std::vector<int>{1, 1, 0}));
    EXPECT_EQ(b.values, (std::vector<int>{0, 1}));

    // One symbol: one code of length 1, the reserved point takes the other.
    b = Build({{7, 42}});
    EXPECT_EQ(b.bits[0], 1);
    EXPECT_EQ(b.values, (std::vector<int>{7}));

    // Ties go to the larger symbol: 256 joins 5, so 3 gets the short code.
    b = Build({{3, 1}, {5, 1}});
    EXPECT_EQ(b.values, (std::vector<int>{3, 5}));
    EXPECT_EQ(std::vector<int>(b.bits.begin(), b.bits.begin() + 2), (std::vector<int>{1, 1}));

    cJpeg::ExpandHuffmanTable(b.table, 11);
    EXPECT_EQ(b.table.SIZE[3], 1);  // length 1 as mask 2^0
    EXPECT_EQ(b.table.CODE[3], 0);
    EXPECT_EQ(b.table.SIZE[5], 2);  // length 2 as mask 2^1
    EXPECT_EQ(b.table.CODE[5], 2);  // 10; 11 stays free
    EXPECT_EQ(b.table.CODE[4], -1);
    EXPECT_EQ(b.table.SIZE[4], 0);
}

TEST(HuffmanOptimiser, RandomAndSkewedCountsGiveValidTablesOfAtMost16Bits) {
    std::mt19937 rng(12345);
    for (int round = 0; round < 300; ++round) {
        std::vector<std::pair<int, int>> counts;
        const int used = 1 + int(rng() % 256);
        std::vector<int> symbols(256);
        for (int i = 0; i < 256; ++i) symbols[i] = i;
        std::shuffle(symbols.begin(), symbols.end(), rng);
        for (int i = 0; i < used; ++i) {
            int n;
            if (round % 3 == 0) {
                n = 1 << std::min(i, 30);  // doubling counts: unlimited lengths reach the symbol count
                if (i >= 30) n = 1 + int(rng() % 3);
            } else {
                n = 1 + int(rng() % (round % 3 == 1 ? 5 : 100000));
            }
            counts.push_back({symbols[i], n});
        }
        Built b = Build(counts);
        int total = 0;
        for (int n : b.bits) total += n;
        EXPECT_EQ(total, used) << "round " << round;
        cJpeg::ExpandHuffmanTable(b.table, 255);  // raises on an invalid table
        for (auto [s, n] : counts) EXPECT_GT(b.table.SIZE[s], 0) << s;
        // No code consists only of 1-bits.
        for (int s = 0; s < 256; ++s) {
            if (b.table.SIZE[s] > 0) {
                EXPECT_NE(b.table.CODE[s] + 1, 2 * b.table.SIZE[s]) << s;
            }
        }
    }
}

TEST(HuffmanExpansion, RejectsMalformedTables) {
    cJpeg::HuffmanTable empty;
    EXPECT_EQ(ExpandError(empty), 1);

    cJpeg::HuffmanTable repeated;
    repeated.BITS[1] = 2;
    repeated.HUFFVAL[0] = repeated.HUFFVAL[1] = 4;
    EXPECT_EQ(ExpandError(repeated), 1);

    cJpeg::HuffmanTable threeOfLengthOne;
    threeOfLengthOne.BITS[0] = 3;
    threeOfLengthOne.HUFFVAL[0] = 0, threeOfLengthOne.HUFFVAL[1] = 1, threeOfLengthOne.HUFFVAL[2] = 2;
    EXPECT_EQ(ExpandError(threeOfLengthOne), 1);

    cJpeg::HuffmanTable tooLargeForDc;
    tooLargeForDc.BITS[0] = 1;
    tooLargeForDc.HUFFVAL[0] = 12;
    EXPECT_THROW(cJpeg::ExpandHuffmanTable(tooLargeForDc, 11), JpegError);
}

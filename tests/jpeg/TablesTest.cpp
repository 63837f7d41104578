// Settings, tables and the transform of the encoder, without a picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <string>

#include "ReferenceArithmetic.h"
#include "jpeg/BlockKernel.h"
#include "jpeg/JpegTables.h"
#include "jpeg/cJpeg.h"

using nimbrel::cJpeg;
using nimbrel::JpegError;

namespace {

template <class F>
void ExpectJpegError(F&& f, int number, const std::string& description) {
    try {
        f();
        ADD_FAILURE() << "no error, expected " << description;
    } catch (const JpegError& e) {
        EXPECT_EQ(e.Number(), number);
        EXPECT_EQ(e.Description(), description);
    }
}

std::vector<int> Q(const cJpeg& j, int t, int n = 64) {
    return std::vector<int>(j.QuantTable(t).Q, j.QuantTable(t).Q + n);
}

// One row of blocks for the kernel: eight rows of `blocks` blocks of pixels,
// the colour tables of a component and its multipliers (the transposed
// table of a quality, unless set otherwise). It points into itself, so it
// stays where it is made.
struct KernelJob {
    KernelJob(std::vector<uint8_t>& pixels, int blocks, int component, int quality) {
        const auto& w = nimbrel::jpeg_tables::kColourRows[component];
        for (int v = 0; v < 256; ++v) {
            red[v] = v * double(w.wR);
            green[v] = v * double(w.wG);
            blueAndOffset[v] = v * double(w.wB) + double(w.offset);
        }
        cJpeg j;
        j.Quality(quality);
        const cJpeg::QuantizationTable& qt = j.QuantTable(component == 0 ? 0 : 1);
        for (int z = 0; z < 64; ++z) zigZagM[z] = qt.M[z];
        for (int u = 0; u < 8; ++u)
            for (int v = 0; v < 8; ++v) M[u * 8 + v] = qt.M[nimbrel::jpeg_tables::kZigZag.zz[u][v]];
        for (int r = 0; r < 8; ++r) job.rows[r] = pixels.data() + r * 24 * blocks;
        job.blocks = blocks;
        job.red = red, job.green = green, job.blueAndOffset = blueAndOffset;
        job.wR = w.wR, job.wG = w.wG, job.wB = w.wB, job.offset = w.offset;
        job.M = M;
    }
    KernelJob(const KernelJob&) = delete;
    KernelJob& operator=(const KernelJob&) = delete;

    double red[256], green[256], blueAndOffset[256];
    float M[64];
    float zigZagM[64];  // the quality's multipliers in zig-zag order
    nimbrel::block_kernel::BlockRow job{};
};

}  // namespace

TEST(JpegQuality, NewObjectHasQuality75TablesRoundedHalfToEven) {
    cJpeg j;
    EXPECT_EQ(j.Quality(), 75);
    // 14 * 50 + 50 = 750: 7.5 goes to 8, where truncation would give 7.
    EXPECT_EQ(Q(j, 0, 8), (std::vector<int>{8, 6, 6, 8, 6, 6, 8, 8}));
    EXPECT_EQ(Q(j, 1, 8), (std::vector<int>{9, 10, 10, 12, 11, 12, 24, 14}));
    for (int i = 14; i < 64; ++i) EXPECT_EQ(j.QuantTable(1).Q[i], 50) << i;
    // The multipliers hold the transform's scale and the quantizer, in single precision.
    const double s0 = 0.353553390593273, s1 = 0.25489778955208;
    EXPECT_EQ(j.QuantTable(0).M[0], static_cast<float>(s0 * s0 / 8));
    EXPECT_EQ(j.QuantTable(0).M[1], static_cast<float>(s1 * s0 / 6));  // zig-zag 1 is (u, v) = (1, 0)
}

TEST(JpegQuality, ScalesAtTheLimitsAndIgnoresValuesOutOfRange) {
    cJpeg j;
    j.Quality(50);
    EXPECT_EQ(Q(j, 0, 4), (std::vector<int>{16, 12, 12, 14}));  // odd entries + 1
    EXPECT_EQ(j.QuantTable(1).Q[0], 18);
    j.Quality(100);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(j.QuantTable(0).Q[i] + j.QuantTable(1).Q[i], 2);
    j.Quality(1);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(j.QuantTable(0).Q[i] + j.QuantTable(1).Q[i], 510);
    j.Quality(16);  // 5000 / 16 = 312.5 -> 312: (16 * 312 + 50) / 100 = 50.42
    EXPECT_EQ(j.QuantTable(0).Q[0], 50);
    const std::vector<int> before = Q(j, 0);
    for (int bad : {0, -5, 101}) {
        j.Quality(bad);
        EXPECT_EQ(j.Quality(), 16);
        EXPECT_EQ(Q(j, 0), before);
    }
}

TEST(JpegSampling, SetsComponentsOrRejectsAndKeepsThePrevious) {
    cJpeg j;
    ASSERT_EQ(j.Components().size(), 3u);
    EXPECT_EQ(j.Components()[0].H, 2);
    EXPECT_EQ(j.Components()[2].Tq, 1);
    j.SetSamplingFrequencies(2, 2, 0, 0, 0, 0);
    ASSERT_EQ(j.Components().size(), 1u);
    EXPECT_EQ(j.Components()[0].H, 1);
    EXPECT_EQ(j.Components()[0].V, 1);
    j.SetSamplingFrequencies(1, 2, 3, 4, 1, 1);
    for (auto bad : {std::vector<int>{1, 1, 0, 0, 0, 1},
                     {5, 1, 1, 1, 1, 1},
                     {0, 1, 1, 1, 1, 1},
                     {1, 1, 1, 1, 1, 5},
                     {1, 0, 0, 0, 0, 0}}) {
        ExpectJpegError([&] { j.SetSamplingFrequencies(bad[0], bad[1], bad[2], bad[3], bad[4], bad[5]); }, 1,
                        "Invalid Sampling Value");
    }
    ASSERT_EQ(j.Components().size(), 3u);
    EXPECT_EQ(j.Components()[1].H, 3);
    EXPECT_EQ(j.Components()[1].V, 4);
}

TEST(JpegSampling, GroupsComponentsIntoScansOfAtMostTenBlocks) {
    cJpeg j;
    auto groups = [&] {
        std::vector<std::pair<int, int>> out;
        for (auto g : j.GroupScans(0, int(j.Components().size()) - 1)) out.push_back({g.first, g.last});
        return out;
    };
    EXPECT_EQ(groups(), (std::vector<std::pair<int, int>>{{0, 2}}));
    j.SetSamplingFrequencies(4, 4, 1, 1, 1, 1);
    EXPECT_EQ(groups(), (std::vector<std::pair<int, int>>{{0, 0}, {1, 2}}));
    j.SetSamplingFrequencies(1, 1, 4, 4, 1, 1);
    EXPECT_EQ(groups(), (std::vector<std::pair<int, int>>{{0, 0}, {1, 1}, {2, 2}}));
    j.SetSamplingFrequencies(2, 4, 1, 2, 1, 1);  // 8 + 2 > 10 closes before Cb
    EXPECT_EQ(groups(), (std::vector<std::pair<int, int>>{{0, 1}, {2, 2}}));
}

TEST(JpegComment, AcceptsUpTo65533Characters) {
    cJpeg j;
    EXPECT_EQ(j.Comment(), "");
    j.Comment(std::string(65533, 'x'));
    EXPECT_EQ(j.Comment().size(), 65533u);
    ExpectJpegError([&] { j.Comment(std::string(65534, 'y')); }, 1, "Illegal Comment Length");
    EXPECT_EQ(j.Comment(), std::string(65533, 'x'));
    // Characters, not bytes: 65533 two-byte characters fit.
    std::string wide;
    for (int i = 0; i < 65533; ++i) wide += "\xC3\xA9";
    j.Comment(wide);
    j.Comment("");
    EXPECT_EQ(j.Comment(), "");
}

TEST(JpegTransform, ConstantBlockHasOnlyADcTerm) {
    float block[64];
    for (float& v : block) v = 37.5f;
    cJpeg::ForwardDCT(block);
    EXPECT_EQ(block[0], 64 * 37.5f);  // 8 a(0) a(0) times the DC of the standard's transform
    for (int i = 1; i < 64; ++i) EXPECT_NEAR(block[i], 0.0f, 1e-4f) << i;
}

TEST(JpegTransform, MatchesTheDefinitionTimesItsScale) {
    float block[64];
    for (int i = 0; i < 64; ++i) block[i] = float((i * 37) % 255) - 128.0f;
    float original[64];
    std::copy(block, block + 64, original);
    cJpeg::ForwardDCT(block);
    const double pi = 3.14159265358979323846;
    for (int v = 0; v < 8; ++v)
        for (int u = 0; u < 8; ++u) {
            double sum = 0;
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x)
                    sum +=
                        original[y * 8 + x] * std::cos((2 * x + 1) * u * pi / 16) * std::cos((2 * y + 1) * v * pi / 16);
            const double a = (u == 0 ? 1 : std::sqrt(2.0) * std::cos(u * pi / 16)) *
                             (v == 0 ? 1 : std::sqrt(2.0) * std::cos(v * pi / 16));
            const double cu = u == 0 ? std::sqrt(0.5) : 1, cv = v == 0 ? std::sqrt(0.5) : 1;
            EXPECT_NEAR(block[v * 8 + u], 8 * a * (0.25 * cu * cv * sum), 0.05) << u << "," << v;
        }
}

// Bit for bit, on blocks of samples as the colour conversion makes them
// (fractions included) and on the extremes.
TEST(JpegTransform, RoundsEveryStepLikeThePlainFormulas) {
    uint32_t state = 17;
    for (int n = 0; n < 20000; ++n) {
        float block[64], expected[64];
        for (int i = 0; i < 64; ++i) {
            state = state * 1664525u + 1013904223u;
            const uint8_t bgr[3] = {uint8_t(state >> 24), uint8_t(state >> 16), uint8_t(state >> 8)};
            block[i] = n % 7 == 0 ? ((i + n / 7) % 2 ? 127.0f : -128.0f) : reference::Sample(bgr, n % 3);
        }
        std::copy(block, block + 64, expected);
        cJpeg::ForwardDCT(block);
        reference::Transform(expected);
        for (int i = 0; i < 64; ++i)
            ASSERT_EQ(std::bit_cast<uint32_t>(block[i]), std::bit_cast<uint32_t>(expected[i])) << n << " " << i;
    }
}

TEST(JpegCategory, IsTheBitCountOfTheMagnitude) {
    EXPECT_EQ(cJpeg::Category(0), 0);
    EXPECT_EQ(cJpeg::Category(-3), 2);
    EXPECT_EQ(cJpeg::Category(3), 2);
    EXPECT_EQ(cJpeg::Category(1024), 11);
    EXPECT_EQ(cJpeg::Category(-1023), 10);
    for (int d = -32768; d <= 32767; ++d) {
        const int s = cJpeg::Category(d);
        const long m = std::abs(long(d));
        ASSERT_TRUE(m < (1L << s) && (s == 0 || m >= (1L << (s - 1)))) << d;
    }
}

// The block-row kernel, as this processor runs it and in its portable
// build, against the plain formulas, bit for bit: colour conversion, the
// transform and the quantization, on random pixels, on the extremes and at
// qualities whose multipliers are large (quality 100) and small (quality 1).
TEST(JpegKernel, BlockRowIsExactlyThePlainFormulas) {
    using nimbrel::block_kernel::BlockRow;
    using nimbrel::jpeg_tables::kZigZag;
    constexpr int kBlocks = 9;
    uint32_t state = 5;
    std::vector<uint8_t> pixels(8 * 24 * kBlocks);
    for (int round = 0; round < 300; ++round) {
        for (size_t i = 0; i < pixels.size(); ++i) {
            state = state * 1664525u + 1013904223u;
            pixels[i] = round % 5 == 0 ? ((i / 3 + round / 5) % 2 ? 255 : 0) : uint8_t(state >> 24);
        }
        const int component = round % 3;
        KernelJob row(pixels, kBlocks, component, round % 4 == 0 ? 100 : round % 4 == 1 ? 1 : 75);
        BlockRow& job = row.job;
        std::vector<int16_t> out(64 * kBlocks);
        job.out = out.data();
        std::vector<int16_t> portable(64 * kBlocks);
        BlockRow portableJob = job;
        portableJob.out = portable.data();
        ASSERT_TRUE(nimbrel::block_kernel::SampleBlockRowPortable(portableJob));
        ASSERT_TRUE(nimbrel::block_kernel::SampleBlockRow(job));
        ASSERT_EQ(out, portable) << round;
        for (int b = 0; b < kBlocks; ++b) {
            float block[64];
            for (int r = 0; r < 8; ++r)
                for (int k = 0; k < 8; ++k)
                    block[r * 8 + k] = reference::Sample(job.rows[r] + 24 * b + 3 * k, component);
            reference::Transform(block);
            for (int v = 0; v < 8; ++v)
                for (int u = 0; u < 8; ++u) {
                    const int z = kZigZag.zz[u][v];
                    const double expected = std::nearbyint(double(block[v * 8 + u]) * row.zigZagM[z]);
                    ASSERT_EQ(out[64 * b + z], int16_t(expected)) << round << " block " << b << " " << u << "," << v;
                }
        }
    }
}

// Every build of the kernel this processor runs, not only the one chosen,
// against the portable build: on random pixels, on the extremes, for each
// component and at qualities 1, 75 and 100. Multipliers too large for the
// coefficients make every build refuse the block row instead of storing
// values cut to 16 bits.
TEST(JpegKernel, EveryBuildMatchesThePortableOne) {
    using nimbrel::block_kernel::BlockRow;
    using nimbrel::block_kernel::Isa;
    constexpr int kBlocks = 5;
    std::vector<uint8_t> pixels(8 * 24 * kBlocks);
    uint32_t state = 11;
    for (int round = 0; round < 120; ++round) {
        for (size_t i = 0; i < pixels.size(); ++i) {
            state = state * 1664525u + 1013904223u;
            pixels[i] = round % 4 == 0 ? ((i / 3 + i / 24 + round) % 2 ? 255 : 0) : uint8_t(state >> 24);
        }
        const int component = round % 3;
        KernelJob row(pixels, kBlocks, component, round % 3 == 0 ? 100 : round % 3 == 1 ? 1 : 75);
        BlockRow& job = row.job;
        std::vector<int16_t> portable(64 * kBlocks);
        job.out = portable.data();
        ASSERT_TRUE(nimbrel::block_kernel::SampleBlockRowWith(Isa::Portable, job));
        for (Isa isa : {Isa::Avx2, Isa::Avx512}) {
            if (!nimbrel::block_kernel::Runs(isa)) continue;
            std::vector<int16_t> out(64 * kBlocks, 0x5555);
            job.out = out.data();
            ASSERT_TRUE(nimbrel::block_kernel::SampleBlockRowWith(isa, job));
            ASSERT_EQ(out, portable) << "build " << int(isa) << " round " << round;
        }
    }

    // White gives the transform a DC of 64 * 127 = 8128 (before the
    // multiplier removes the scale); a multiplier of 64 takes it far past 32767.
    std::fill(pixels.begin(), pixels.end(), uint8_t(255));
    KernelJob row(pixels, kBlocks, 0, 75);
    std::fill(std::begin(row.M), std::end(row.M), 64.0f);
    std::vector<int16_t> out(64 * kBlocks);
    BlockRow& job = row.job;
    job.out = out.data();
    for (Isa isa : {Isa::Portable, Isa::Avx2, Isa::Avx512}) {
        if (!nimbrel::block_kernel::Runs(isa)) continue;
        EXPECT_FALSE(nimbrel::block_kernel::SampleBlockRowWith(isa, job)) << int(isa);
    }
}

// The encoder's files decoded by libjpeg-turbo and held against the source.
#include <gtest/gtest.h>

#include "JpegTestSupport.h"
#include "ReferenceArithmetic.h"
#include "jpeg/cJpeg.h"

using nimbrel::cJpeg;
using namespace jpeg_test;

namespace {

// Encodes the picture and returns the file's bytes.
std::vector<uint8_t> Encode(const Picture& p, int quality, std::vector<int> f, const TempDir& dir,
                            const std::string& name = "out.jpg") {
    cJpeg j;
    j.Quality(quality);
    j.SetSamplingFrequencies(f[0], f[1], f[2], f[3], f[4], f[5]);
    EXPECT_EQ(j.SampleHDC(p.dc(), p.width(), p.height(), 0, 0), 0);
    const std::string path = dir.File(name);
    EXPECT_EQ(j.SaveFile(path), 0);
    std::vector<uint8_t> bytes = ReadFile(path);
    std::filesystem::remove(path);
    return bytes;
}

// libjpeg-turbo's own encoding of the same pixels, for comparison.
std::vector<uint8_t> ReferenceEncode(const Picture& p, int quality, int subsamp) {
    const std::vector<uint8_t> rgb = p.Rgb();
    tjhandle h = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    tjCompress2(h, rgb.data(), p.width(), 0, p.height(), TJPF_RGB, &out, &size, subsamp, quality, TJFLAG_ACCURATEDCT);
    std::vector<uint8_t> bytes(out, out + size);
    tjFree(out);
    tjDestroy(h);
    return bytes;
}

std::vector<uint8_t> Luminance(const std::vector<uint8_t>& rgb) {
    std::vector<uint8_t> y;
    for (size_t i = 0; i < rgb.size(); i += 3)
        y.push_back(uint8_t(std::lround(0.299 * rgb[i] + 0.587 * rgb[i + 1] + 0.114 * rgb[i + 2])));
    return y;
}

// Zig-zag position -> natural index (T.81 Figure A.6).
constexpr int kNatural[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
                              41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
                              30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// Encodes with the given factors and checks that the decoder reads back
// exactly the coefficients the encoder holds.
void ExpectCodedExactly(const Picture& p, const std::vector<int>& f, const TempDir& dir) {
    SCOPED_TRACE(::testing::Message() << p.width() << "x" << p.height() << " sampling " << f[0] << f[1] << f[2] << f[3]
                                      << f[4] << f[5]);
    cJpeg j;
    j.SetSamplingFrequencies(f[0], f[1], f[2], f[3], f[4], f[5]);
    ASSERT_EQ(j.SampleHDC(p.dc(), p.width(), p.height(), 0, 0), 0);
    const std::string path = dir.File("sweep.jpg");
    ASSERT_EQ(j.SaveFile(path), 0);
    const std::vector<uint8_t> file = ReadFile(path);
    std::filesystem::remove(path);
    const Coefficients read = ReadCoefficients(file);
    ASSERT_TRUE(read.ok) << read.error;
    ASSERT_EQ(read.components.size(), j.Components().size());
    for (size_t c = 0; c < read.components.size(); ++c) {
        const cJpeg::CoefficientArray& ours = j.Components()[c].coefficients;
        const std::vector<int16_t>& theirs = read.components[c];
        ASSERT_EQ(ours.size(), theirs.size()) << "component " << c;
        for (size_t b = 0; b < ours.size(); b += 64)
            for (int k = 0; k < 64; ++k)
                ASSERT_EQ(ours[b + k], theirs[b + kNatural[k]]) << "component " << c << " block " << b / 64;
    }
}

std::vector<int> Factors(int index) {
    if (index >= 4096) return {1 + index % 4, 1 + index % 4, 0, 0, 0, 0};  // grayscale
    std::vector<int> f;
    for (int k = 0; k < 6; ++k) f.push_back(1 + (index >> (2 * k)) % 4);
    return f;
}

}  // namespace

// Quality 75 with 4:2:0 keeps a photograph recognisable: 30 dB is the usual
// floor for good JPEG quality on smooth pictures. On even sizes the chroma is
// halved exactly as libjpeg-turbo halves it, so the encoder must come within
// 0.5 dB of libjpeg-turbo's own encoding of the same pixels; on odd sizes the
// stretch of X pixels onto ceil(X / 2) drifts by up to a pixel across the
// picture, which costs about 1.5 dB of chroma, so only the floor applies.
TEST(JpegFile, ColourAtQuality75DecodesCloseToTheSource) {
    TempDir dir;
    for (auto [w, h] : {std::pair{124, 78}, {123, 77}}) {
        Picture p(w, h);
        FillPhotographic(p);
        const Decoded d = Decode(Encode(p, 75, {2, 2, 1, 1, 1, 1}, dir));
        ASSERT_TRUE(d.ok) << d.error;
        EXPECT_EQ(d.width, w);
        EXPECT_EQ(d.height, h);
        const double ours = Psnr(p.Rgb(), d.pixels);
        EXPECT_GT(ours, 30.0);
        if (w % 2 == 0 && h % 2 == 0) {
            const double theirs = Psnr(p.Rgb(), Decode(ReferenceEncode(p, 75, TJSAMP_420)).pixels);
            EXPECT_GT(ours, theirs - 0.5) << "libjpeg-turbo reaches " << theirs;
        }
    }
}

// Quality 100 without subsampling: every quantizer is 1, so what is left is
// the rounding of the coefficients and the decoder's integer transform and
// colour conversion, about one level per channel: 45 dB allows an average
// error of 1.4 levels.
TEST(JpegFile, Quality100WithoutSubsamplingIsNearLossless) {
    TempDir dir;
    Picture p(64, 40);
    FillPhotographic(p, 7);
    const Decoded d = Decode(Encode(p, 100, {1, 1, 1, 1, 1, 1}, dir));
    ASSERT_TRUE(d.ok) << d.error;
    const std::vector<uint8_t> source = p.Rgb();
    EXPECT_GT(Psnr(source, d.pixels), 45.0);
    int worst = 0;
    for (size_t i = 0; i < source.size(); ++i) worst = std::max(worst, std::abs(int(source[i]) - d.pixels[i]));
    EXPECT_LE(worst, 6);
}

TEST(JpegFile, GrayscaleHoldsTheLuminance) {
    TempDir dir;
    Picture p(50, 31);
    FillPhotographic(p, 3);
    const std::vector<uint8_t> file = Encode(p, 75, {1, 1, 0, 0, 0, 0}, dir);
    const Decoded d = Decode(file, true);
    ASSERT_TRUE(d.ok) << d.error;
    EXPECT_EQ(d.width, 50);
    EXPECT_EQ(d.height, 31);
    EXPECT_GT(Psnr(Luminance(p.Rgb()), d.pixels), 33.0);
    const Decoded q100 = Decode(Encode(p, 100, {1, 1, 0, 0, 0, 0}, dir), true);
    EXPECT_GT(Psnr(Luminance(p.Rgb()), q100.pixels), 45.0);
}

// Flat colours and sharp edges ring at quality 75 (about 28 dB for this
// picture with either encoder); the encoder stays within 0.5 dB of
// libjpeg-turbo.
TEST(JpegFile, ScreenContentAtQuality75) {
    TempDir dir;
    Picture p(200, 120);
    FillScreen(p);
    const Decoded d = Decode(Encode(p, 75, {2, 2, 1, 1, 1, 1}, dir));
    ASSERT_TRUE(d.ok) << d.error;
    EXPECT_GT(Psnr(p.Rgb(), d.pixels), 25.0);
    const Decoded reference = Decode(ReferenceEncode(p, 75, TJSAMP_420));
    EXPECT_GT(Psnr(p.Rgb(), d.pixels), Psnr(p.Rgb(), reference.pixels) - 0.5);
}

TEST(JpegFile, WhiteAndBlackSampleToTheEndsOfTheRange) {
    Picture p(8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) p.Set(x, y, 255, 255, 255);
    cJpeg j;
    j.Quality(100);
    j.SetSamplingFrequencies(1, 1, 1, 1, 1, 1);
    ASSERT_EQ(j.SampleHDC(p.dc(), 8, 8, 0, 0), 0);
    EXPECT_EQ(j.Components()[0].coefficients[0], 8 * 127);  // 8 k / Q with k = 127, Q = 1
    EXPECT_EQ(j.Components()[1].coefficients[0], 0);
    EXPECT_EQ(j.Components()[2].coefficients[0], 0);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) p.Set(x, y, 0, 0, 0);
    ASSERT_EQ(j.SampleHDC(p.dc(), 8, 8, 0, 0), 0);
    EXPECT_EQ(j.Components()[0].coefficients[0], -8 * 128);
    for (int i = 1; i < 64; ++i) EXPECT_EQ(j.Components()[0].coefficients[i], 0);
}

TEST(JpegFile, SamplesTheSourceRectangleAndPadsByRepeatingTheEdge) {
    // A 10 x 10 picture at (3, 2) of a larger one; the padded blocks repeat
    // the last column and row, so the right-hand block of a picture whose
    // last column is bright has a bright right half.
    Picture big(20, 20);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) big.Set(x, y, x == 12 ? 255 : 0, x == 12 ? 255 : 0, x == 12 ? 255 : 0);
    cJpeg j;
    j.Quality(100);
    j.SetSamplingFrequencies(1, 1, 0, 0, 0, 0);
    ASSERT_EQ(j.SampleHDC(big.dc(), 10, 10, 3, 2), 0);
    const auto& c = j.Components()[0].coefficients;
    ASSERT_EQ(c.size(), 4u * 64);
    // Block 1 covers columns 8..15: column 9 (source 12) and its six repeats are white.
    EXPECT_EQ(c[64], std::lround((7 * 8 * 255.0 - 64 * 128.0) / 8));
    EXPECT_EQ(c[0], -8 * 128);  // block 0: all black
}

// A rectangle that reaches past the picture it is taken from: what lies
// outside is black in every component, the halved ones too, exactly as if
// the picture had black there. The rectangle inside the picture is read
// from the picture's memory, the other through a copy; both give the same
// coefficients.
TEST(JpegFile, ARectangleReachingPastThePictureIsBlackOutsideInEveryComponent) {
    Picture source(20, 20);
    FillPhotographic(source, 3);
    Picture padded(20, 20);  // the part of source at (8, 6) onwards, black beyond
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            const uint8_t* p = x < 12 && y < 14 ? source.at(x + 8, y + 6) : nullptr;
            padded.Set(x, y, p ? p[2] : 0, p ? p[1] : 0, p ? p[0] : 0);
        }
    for (const auto& f : {std::vector<int>{2, 2, 1, 1, 1, 1}, {1, 1, 1, 1, 1, 1}, {2, 1, 1, 1, 2, 2}}) {
        cJpeg outside, inside;
        outside.SetSamplingFrequencies(f[0], f[1], f[2], f[3], f[4], f[5]);
        inside.SetSamplingFrequencies(f[0], f[1], f[2], f[3], f[4], f[5]);
        ASSERT_EQ(outside.SampleHDC(source.dc(), 20, 20, 8, 6), 0);
        ASSERT_EQ(inside.SampleHDC(padded.dc(), 20, 20, 0, 0), 0);
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(outside.Components()[c].coefficients, inside.Components()[c].coefficients)
                << "component " << c << " factors " << f[0] << f[1] << f[2] << f[3] << f[4] << f[5];
    }
}

TEST(JpegSweep, EverySizeUpTo40DecodesToTheSameCoefficients) {
    TempDir dir;
    int index = 0;
    for (int w = 1; w <= 40; ++w)
        for (int h = 1; h <= 40; ++h) {
            Picture p(w, h);
            FillPhotographic(p, unsigned(w * 41 + h));
            ExpectCodedExactly(p, Factors(index++ * 7 % 4100), dir);
            if (::testing::Test::HasFatalFailure()) return;
        }
}

TEST(JpegSweep, EverySamplingCombinationDecodes) {
    TempDir dir;
    for (auto [w, h] : {std::pair{1, 1}, {13, 29}, {40, 40}}) {
        Picture p(w, h);
        FillScreen(p);
        FillPhotographic(p, 5);
        for (int index = 0; index < 4100; ++index) {
            ExpectCodedExactly(p, Factors(index), dir);
            if (::testing::Test::HasFatalFailure()) return;
        }
    }
}

namespace {

struct ReferenceEncoder {
    // The coefficients of one component sampled 1:1 (no stretch), padded by
    // repeating the last column and row.
    static std::vector<int16_t> Component(const Picture& p, int component, const cJpeg::QuantizationTable& q) {
        static const double S[8] = {0.353553390593273, 0.25489778955208,  0.270598050073098, 0.300672443467523,
                                    0.353553390593273, 0.449988111568207, 0.653281482438186, 1.28145772387074};
        const int bw = (p.width() + 7) / 8, bh = (p.height() + 7) / 8;
        std::vector<int16_t> out;
        for (int by = 0; by < bh; ++by)
            for (int bx = 0; bx < bw; ++bx) {
                float ws[64];
                for (int j = 0; j < 8; ++j)
                    for (int k = 0; k < 8; ++k)
                        ws[j * 8 + k] = reference::Sample(
                            p.at(std::min(8 * bx + k, p.width() - 1), std::min(8 * by + j, p.height() - 1)), component);
                reference::Transform(ws);
                int16_t block[64];
                for (int v = 0; v < 8; ++v)
                    for (int u = 0; u < 8; ++u) {
                        const int z = kZigZagOf(u, v);
                        const float m = float(S[u] * S[v] / q.Q[z]);
                        EXPECT_EQ(m, q.M[z]);
                        block[z] = int16_t(std::nearbyint(double(ws[v * 8 + u]) * m));
                    }
                out.insert(out.end(), block, block + 64);
            }
        return out;
    }

    static int kZigZagOf(int u, int v) {
        for (int z = 0; z < 64; ++z)
            if (kNatural[z] == v * 8 + u) return z;
        return -1;
    }
};

}  // namespace

TEST(JpegArithmetic, CoefficientsAreExactlyThoseOfThePlainFormulas) {
    Picture p(29, 19);
    uint32_t state = 3;
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x) {
            state = state * 1664525u + 1013904223u;
            // Noise, with runs of the extremes where sums reach their largest.
            const bool extreme = (x / 4 + y / 3) % 3 == 0;
            const int r = extreme ? ((x + y) % 2) * 255 : int(state >> 24);
            p.Set(x, y, r, extreme ? 255 - r : int(state >> 16) & 255, extreme ? r : int(state >> 8) & 255);
        }
    for (int quality : {1, 23, 50, 75, 97, 100}) {
        SCOPED_TRACE(quality);
        cJpeg j;
        j.Quality(quality);
        j.SetSamplingFrequencies(1, 1, 1, 1, 1, 1);
        ASSERT_EQ(j.SampleHDC(p.dc(), p.width(), p.height(), 0, 0), 0);
        for (int c = 0; c < 3; ++c) {
            const std::vector<int16_t> expected = ReferenceEncoder::Component(p, c, j.QuantTable(c == 0 ? 0 : 1));
            const cJpeg::CoefficientArray& actual = j.Components()[c].coefficients;
            ASSERT_EQ(actual.size(), expected.size());
            for (size_t i = 0; i < expected.size(); ++i)
                ASSERT_EQ(actual[i], expected[i]) << "component " << c << " at " << i;
        }
    }
}

// The encoder's files byte for byte: a fixed set of pictures (photographs,
// screens, noise, gradients, odd sizes, every kind of sampling factors,
// qualities from 1 to 100) must encode to exactly the files recorded in
// EncoderIdentity.sha256. Work on the encoder's speed must not change a bit
// of what it writes.
//
// NIMBREL_JPEG_IDENTITY_DIR=folder also leaves the files there, for a byte
// by byte comparison of two builds with cmp; NIMBREL_JPEG_IDENTITY_RECORD=1
// rewrites the recorded sums (only ever from a build whose files are known
// to be right).
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "JpegTestSupport.h"
#include "jpeg/cJpeg.h"

using nimbrel::cJpeg;
using namespace jpeg_test;

namespace {

// SHA-256 (FIPS 180-4) of a byte string, as 64 hex digits.
std::string Sha256(const std::vector<uint8_t>& data) {
    static constexpr uint32_t k[64] = {
        0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
        0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
        0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
        0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
        0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
        0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
        0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
        0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};
    uint32_t h[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    std::vector<uint8_t> m = data;
    const uint64_t bits = uint64_t(data.size()) * 8;
    m.push_back(0x80);
    while (m.size() % 64 != 56) m.push_back(0);
    for (int i = 7; i >= 0; --i) m.push_back(uint8_t(bits >> (8 * i)));
    const auto rotr = [](uint32_t x, int n) { return (x >> n) | (x << (32 - n)); };
    for (size_t block = 0; block < m.size(); block += 64) {
        uint32_t w[64];
        for (int i = 0; i < 16; ++i)
            w[i] = uint32_t(m[block + 4 * i]) << 24 | uint32_t(m[block + 4 * i + 1]) << 16 |
                   uint32_t(m[block + 4 * i + 2]) << 8 | m[block + 4 * i + 3];
        for (int i = 16; i < 64; ++i) {
            const uint32_t s0 = rotr(w[i - 15], 7) ^ rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
            const uint32_t s1 = rotr(w[i - 2], 17) ^ rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
            w[i] = w[i - 16] + s0 + w[i - 7] + s1;
        }
        uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4], f = h[5], g = h[6], hh = h[7];
        for (int i = 0; i < 64; ++i) {
            const uint32_t t1 = hh + (rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25)) + ((e & f) ^ (~e & g)) + k[i] + w[i];
            const uint32_t t2 = (rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
            hh = g, g = f, f = e, e = d + t1, d = c, c = b, b = a, a = t1 + t2;
        }
        h[0] += a, h[1] += b, h[2] += c, h[3] += d, h[4] += e, h[5] += f, h[6] += g, h[7] += hh;
    }
    char hex[65];
    for (int i = 0; i < 8; ++i) std::snprintf(hex + 8 * i, 9, "%08x", h[i]);
    return std::string(hex, 64);
}

uint32_t Mix(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352d;
    x ^= x >> 15;
    x *= 0x846ca68b;
    x ^= x >> 16;
    return x;
}

enum class Content { Photo, Screen, Noise, Gradient, Flat, Stripes };

void Fill(const Picture& p, Content content, unsigned seed) {
    switch (content) {
        case Content::Photo:
            FillPhotographic(p, seed);
            return;
        case Content::Screen:
            FillScreen(p);
            return;
        default:
            break;
    }
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x) {
            const uint32_t n = Mix(uint32_t(y) * 65537u + uint32_t(x) * 2654435761u + seed);
            int r = 0, g = 0, b = 0;
            if (content == Content::Noise) {
                r = int(n & 255), g = int(n >> 8 & 255), b = int(n >> 16 & 255);
            } else if (content == Content::Gradient) {
                r = x * 255 / std::max(1, p.width() - 1);
                g = y * 255 / std::max(1, p.height() - 1);
                b = (x + y) * 255 / std::max(1, p.width() + p.height() - 2);
            } else if (content == Content::Flat) {
                r = 255, g = 255, b = 255;  // white: the ends of the sample range
                if ((x / 16 + y / 16) % 2) r = g = b = 0;
            } else {
                // One-pixel stripes in saturated colours: the largest
                // chrominance coefficients.
                const bool on = (x + y * (seed % 3)) % 2 == 0;
                r = on ? 255 : 0, g = on ? 0 : 255, b = (x / 3) % 2 ? 255 : 0;
            }
            p.Set(x, y, r, g, b);
        }
}

struct Case {
    std::string name;
    Content content;
    int width, height, quality;
    std::array<int, 6> factors;
    std::string comment;
};

std::vector<Case> Cases() {
    static const std::array<int, 6> kFactorSets[] = {{2, 2, 1, 1, 1, 1}, {1, 1, 1, 1, 1, 1}, {2, 1, 1, 1, 1, 1},
                                                     {1, 2, 1, 1, 1, 1}, {1, 1, 0, 0, 0, 0}, {4, 4, 1, 1, 1, 1},
                                                     {3, 2, 1, 1, 1, 1}, {1, 1, 2, 2, 1, 1}, {4, 1, 2, 2, 1, 3},
                                                     {2, 2, 2, 2, 2, 2}, {3, 3, 1, 1, 1, 1}, {1, 4, 1, 2, 1, 1}};
    static const int kQualities[] = {1, 10, 50, 75, 90, 100};
    static const std::pair<int, int> kSizes[] = {{1, 1},   {7, 9},     {8, 8},   {16, 16},  {17, 33},
                                                 {100, 3}, {333, 211}, {64, 48}, {250, 250}};
    static const Content kContents[] = {Content::Photo,    Content::Screen, Content::Noise,
                                        Content::Gradient, Content::Flat,   Content::Stripes};
    static const char* kContentNames[] = {"photo", "screen", "noise", "gradient", "flat", "stripes"};
    std::vector<Case> cases;
    // Every content with every factor set, sizes and qualities taken round robin.
    int n = 0;
    for (int c = 0; c < 6; ++c)
        for (size_t f = 0; f < std::size(kFactorSets); ++f, ++n) {
            const auto [w, h] = kSizes[size_t(n) % std::size(kSizes)];
            const int q = kQualities[size_t(n * 5 + c) % std::size(kQualities)];
            std::ostringstream name;
            name << kContentNames[c] << "-" << w << "x" << h << "-q" << q << "-f";
            for (int v : kFactorSets[f]) name << v;
            cases.push_back({name.str(), kContents[c], w, h, q, kFactorSets[f], ""});
        }
    // Full-sized pictures as the program captures them, at every quality.
    for (int q : kQualities) {
        cases.push_back(
            {"photo-1920x1080-q" + std::to_string(q), Content::Photo, 1920, 1080, q, {2, 2, 1, 1, 1, 1}, ""});
        cases.push_back(
            {"screen-1366x768-q" + std::to_string(q), Content::Screen, 1366, 768, q, {2, 2, 1, 1, 1, 1}, ""});
    }
    cases.push_back({"noise-1023x767-q75", Content::Noise, 1023, 767, 75, {2, 2, 1, 1, 1, 1}, ""});
    cases.push_back({"noise-640x480-q100-f111111", Content::Noise, 640, 480, 100, {1, 1, 1, 1, 1, 1}, ""});
    cases.push_back({"photo-203x117-q75-comment", Content::Photo, 203, 117, 75, {2, 2, 1, 1, 1, 1}, "Wetter \xc3\xa4"});
    return cases;
}

std::string SumsFile() {
    return std::string(NIMBREL_SOURCE_DIR) + "/tests/jpeg/EncoderIdentity.sha256";
}

std::map<std::string, std::string> RecordedSums() {
    std::map<std::string, std::string> sums;
    std::ifstream in(SumsFile());
    std::string sum, name;
    while (in >> sum >> name) sums[name] = sum;
    return sums;
}

}  // namespace

TEST(JpegIdentity, EveryPictureEncodesToTheRecordedBytes) {
    const std::vector<Case> cases = Cases();
    ASSERT_GE(cases.size(), 60u);
    const char* keep = std::getenv("NIMBREL_JPEG_IDENTITY_DIR");
    const bool record = std::getenv("NIMBREL_JPEG_IDENTITY_RECORD") != nullptr;
    const std::map<std::string, std::string> recorded = RecordedSums();
    if (!record) {
        ASSERT_EQ(recorded.size(), cases.size()) << "sums missing from " << SumsFile();
    }
    TempDir dir;
    std::ostringstream sums;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Picture p(c.width, c.height);
        Fill(p, c.content, unsigned(c.width * 31 + c.height));
        cJpeg j;
        j.Quality(c.quality);
        j.SetSamplingFrequencies(c.factors[0], c.factors[1], c.factors[2], c.factors[3], c.factors[4], c.factors[5]);
        j.Comment(c.comment);
        ASSERT_EQ(j.SampleHDC(p.dc(), p.width(), p.height(), 0, 0), 0);
        const std::string path = keep ? std::string(keep) + "/" + c.name + ".jpg" : dir.File(c.name + ".jpg");
        std::filesystem::remove(path);
        ASSERT_EQ(j.SaveFile(path), 0);
        const std::string sum = Sha256(ReadFile(path));
        sums << sum << "  " << c.name << "\n";
        if (!record) {
            const auto it = recorded.find(c.name);
            ASSERT_NE(it, recorded.end());
            EXPECT_EQ(sum, it->second) << "the file differs from the recorded one";
        }
    }
    if (record) {
        std::ofstream out(SumsFile());
        out << sums.str();
    }
}

TEST(JpegIdentity, Sha256OfKnownTexts) {
    EXPECT_EQ(Sha256({}), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    const std::string abc = "abc";
    EXPECT_EQ(Sha256(std::vector<uint8_t>(abc.begin(), abc.end())),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // Two blocks of padding.
    const std::string two = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
    EXPECT_EQ(Sha256(std::vector<uint8_t>(two.begin(), two.end())),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
}

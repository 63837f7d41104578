// The file's segments, byte by byte.
#include <gtest/gtest.h>

#include "JpegTestSupport.h"
#include "jpeg/cJpeg.h"

using nimbrel::cJpeg;
using namespace jpeg_test;

namespace {

using Bytes = std::vector<uint8_t>;

std::vector<uint8_t> Save(cJpeg& j, const Picture& p, const TempDir& dir, const std::string& name = "s.jpg") {
    EXPECT_EQ(j.SampleHDC(p.dc(), p.width(), p.height(), 0, 0), 0);
    EXPECT_EQ(j.SaveFile(dir.File(name)), 0);
    return ReadFile(dir.File(name));
}

std::vector<uint8_t> Markers(const std::vector<Segment>& segments) {
    std::vector<uint8_t> m;
    for (const Segment& s : segments) m.push_back(s.marker);
    return m;
}

const Bytes kApp0 = {0xFF, 0xE0, 0x00, 0x10, 'J',  'F',  'I',  'F',  0x00,
                     0x01, 0x01, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00};

void ExpectTables(const std::vector<Segment>& s, const cJpeg& j, size_t firstDqt, int tables) {
    for (int t = 0; t < tables; ++t) {
        const Bytes& dqt = s[firstDqt + t].bytes;
        ASSERT_EQ(dqt.size(), 2u + 0x43);
        EXPECT_EQ(dqt[2], 0x00);
        EXPECT_EQ(dqt[3], 0x43);
        EXPECT_EQ(dqt[4], t);
        for (int i = 0; i < 64; ++i) EXPECT_EQ(dqt[5 + i], j.QuantTable(t).Q[i]);
    }
    const size_t firstDht = firstDqt + tables + 1;
    const uint8_t classes[4] = {0x00, 0x10, 0x01, 0x11};
    for (int k = 0; k < 2 * tables; ++k) {
        const Bytes& dht = s[firstDht + k].bytes;
        EXPECT_EQ(dht[4], classes[k]);
        int symbols = 0;
        for (int i = 0; i < 16; ++i) symbols += dht[5 + i];
        EXPECT_EQ(dht.size(), 2u + 2 + 1 + 16 + symbols);
        EXPECT_EQ((dht[2] << 8 | dht[3]), 2 + 1 + 16 + symbols);
    }
}

}  // namespace

TEST(JpegSegments, DefaultFileHasTheFixedLayout) {
    TempDir dir;
    Picture p(300, 2);
    FillPhotographic(p);
    cJpeg j;
    const Bytes file = Save(j, p, dir);
    const std::vector<Segment> s = Segments(file);
    ASSERT_EQ(Markers(s), (Bytes{0xD8, 0xE0, 0xFE, 0xDB, 0xDB, 0xC0, 0xC4, 0xC4, 0xC4, 0xC4, 0xDA, 0xD9}));
    EXPECT_EQ(s[1].bytes, kApp0);
    const std::string credit(s[2].bytes.begin() + 4, s[2].bytes.end());
    EXPECT_EQ(credit.substr(0, 20), "JPEG Encoder Class\r\n");
    EXPECT_EQ(std::count(credit.begin(), credit.end(), '\n'), 2);
    ExpectTables(s, j, 3, 2);
    EXPECT_EQ(s[5].bytes, (Bytes{0xFF, 0xC0, 0x00, 0x11, 0x08, 0x00, 0x02, 0x01, 0x2C, 0x03, 0x01, 0x22, 0x00, 0x02,
                                 0x11, 0x01, 0x03, 0x11, 0x01}));
    EXPECT_EQ(s[10].bytes, (Bytes{0xFF, 0xDA, 0x00, 0x0C, 0x03, 0x01, 0x00, 0x02, 0x11, 0x03, 0x11, 0x00, 0x3F, 0x00}));
    // EOI is the last thing in the file, at the final write position.
    EXPECT_EQ(s.back().offset, file.size() - 2);
    EXPECT_EQ(file[file.size() - 2], 0xFF);
    EXPECT_EQ(file.back(), 0xD9);
}

TEST(JpegSegments, UserCommentComesBeforeTheCreditInWindows1252) {
    TempDir dir;
    Picture p(16, 16);
    FillPhotographic(p);
    cJpeg j;
    j.Comment("Caf\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD");  // é, euro sign, a character 1252 lacks
    const Bytes file = Save(j, p, dir);
    const std::vector<Segment> s = Segments(file);
    ASSERT_EQ(Markers(s), (Bytes{0xD8, 0xE0, 0xFE, 0xFE, 0xDB, 0xDB, 0xC0, 0xC4, 0xC4, 0xC4, 0xC4, 0xDA, 0xD9}));
    EXPECT_EQ(s[2].bytes, (Bytes{0xFF, 0xFE, 0x00, 0x0A, 'C', 'a', 'f', 0xE9, ' ', 0x80, ' ', '?'}));
    EXPECT_EQ(std::string(s[3].bytes.begin() + 4, s[3].bytes.begin() + 22), "JPEG Encoder Class");
    EXPECT_TRUE(Decode(file).ok);
}

TEST(JpegSegments, LongestCommentFillsTheLengthField) {
    TempDir dir;
    Picture p(8, 8);
    cJpeg j;
    j.Comment(std::string(65533, 'c'));
    const std::vector<Segment> s = Segments(Save(j, p, dir));
    ASSERT_GT(s.size(), 3u);
    EXPECT_EQ(s[2].bytes[2], 0xFF);
    EXPECT_EQ(s[2].bytes[3], 0xFF);
    EXPECT_EQ(s[2].bytes.size(), 65537u);
}

TEST(JpegSegments, GrayscaleHasOneTableOfEachKindAndOneScan) {
    TempDir dir;
    Picture p(9, 300);
    FillPhotographic(p);
    cJpeg j;
    j.SetSamplingFrequencies(1, 1, 0, 0, 0, 0);
    const std::vector<Segment> s = Segments(Save(j, p, dir));
    ASSERT_EQ(Markers(s), (Bytes{0xD8, 0xE0, 0xFE, 0xDB, 0xC0, 0xC4, 0xC4, 0xDA, 0xD9}));
    ExpectTables(s, j, 3, 1);
    EXPECT_EQ(s[4].bytes, (Bytes{0xFF, 0xC0, 0x00, 0x0B, 0x08, 0x01, 0x2C, 0x00, 0x09, 0x01, 0x01, 0x11, 0x00}));
    EXPECT_EQ(s[7].bytes, (Bytes{0xFF, 0xDA, 0x00, 0x08, 0x01, 0x01, 0x00, 0x00, 0x3F, 0x00}));
}

TEST(JpegSegments, LargeLuminanceFactorsGiveTwoScans) {
    TempDir dir;
    Picture p(70, 45);
    FillPhotographic(p);
    cJpeg j;
    j.SetSamplingFrequencies(4, 4, 1, 1, 1, 1);
    const Bytes file = Save(j, p, dir);
    const std::vector<Segment> s = Segments(file);
    ASSERT_EQ(Markers(s), (Bytes{0xD8, 0xE0, 0xFE, 0xDB, 0xDB, 0xC0, 0xC4, 0xC4, 0xC4, 0xC4, 0xDA, 0xDA, 0xD9}));
    EXPECT_EQ(s[10].bytes, (Bytes{0xFF, 0xDA, 0x00, 0x08, 0x01, 0x01, 0x00, 0x00, 0x3F, 0x00}));
    EXPECT_EQ(s[11].bytes, (Bytes{0xFF, 0xDA, 0x00, 0x0A, 0x02, 0x02, 0x11, 0x03, 0x11, 0x00, 0x3F, 0x00}));
    EXPECT_EQ(s[5].bytes[11], 0x44);
    const Decoded d = DecodeWithLibjpeg(file);
    ASSERT_TRUE(d.ok) << d.error;
    // The chroma keeps one pixel in sixteen: the colour waves blur, the picture stays.
    EXPECT_GT(Psnr(p.Rgb(), d.pixels), 20.0);
}

TEST(JpegSegments, SavingAgainGivesTheSameBytesAndNeverReplaces) {
    TempDir dir;
    Picture p(33, 17);
    FillPhotographic(p);
    cJpeg j;
    const Bytes first = Save(j, p, dir, "a.jpg");
    EXPECT_EQ(j.SaveFile(dir.File("b.jpg")), 0);
    EXPECT_EQ(ReadFile(dir.File("b.jpg")), first);
    Picture other(5, 5);
    ASSERT_EQ(j.SampleHDC(other.dc(), 5, 5, 0, 0), 0);
    EXPECT_EQ(j.SaveFile(dir.File("a.jpg")), 2);
    EXPECT_EQ(ReadFile(dir.File("a.jpg")), first);
    std::vector<std::string> names = dir.Names();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a.jpg", "b.jpg"}));
}

// The tables in the file are those the coefficients were quantized with: a
// quality set after sampling applies to the next picture, not to this one.
TEST(JpegSegments, QualityChangedAfterSamplingDoesNotReachTheSavedPicture) {
    TempDir dir;
    Picture p(40, 24);
    FillPhotographic(p);
    cJpeg plain;
    const Bytes expected = Save(plain, p, dir, "plain.jpg");
    cJpeg changed;
    ASSERT_EQ(changed.SampleHDC(p.dc(), p.width(), p.height(), 0, 0), 0);
    changed.Quality(10);
    ASSERT_EQ(changed.SaveFile(dir.File("changed.jpg")), 0);
    EXPECT_EQ(ReadFile(dir.File("changed.jpg")), expected);
}

// A flat grey picture codes every block as the DC code and the EOB code,
// each one 0-bit long: what is left of the last byte of a scan is 1-bits,
// and a scan that ends on a whole byte gets none.
TEST(JpegSegments, ScansEndWithTheirLastByteFilledWithOnes) {
    TempDir dir;
    struct Case {
        int size;
        std::vector<int> f;
        Bytes scans;  // the bytes after each SOS, up to the next marker
    };
    const Case cases[] = {
        {8, {1, 1, 0, 0, 0, 0}, {0x3F}},         // 2 bits
        {16, {2, 2, 1, 1, 1, 1}, {0x00, 0x0F}},  // 6 blocks, 12 bits
        {32,
         {4, 4, 1, 1, 1, 1},
         {0x00, 0x00, 0x00, 0x00,  // 16 blocks, 32 bits
          0x0F}},                  // 2 blocks, 4 bits
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        Picture p(c.size, c.size);
        for (int y = 0; y < c.size; ++y)
            for (int x = 0; x < c.size; ++x) p.Set(x, y, 128, 128, 128);
        cJpeg j;
        j.SetSamplingFrequencies(c.f[0], c.f[1], c.f[2], c.f[3], c.f[4], c.f[5]);
        const Bytes file = Save(j, p, dir, "grey" + std::to_string(c.size) + ".jpg");
        Bytes scans;
        const std::vector<Segment> s = Segments(file);
        for (size_t k = 0; k + 1 < s.size(); ++k)
            if (s[k].marker == 0xDA)
                scans.insert(scans.end(), file.begin() + long(s[k].offset + s[k].bytes.size()),
                             file.begin() + long(s[k + 1].offset));
        EXPECT_EQ(scans, c.scans);
    }
}

// The estimate sizes the buffer with a wide margin, so a real picture never
// outgrows it; a capped first buffer stands in for a picture that would.
// Wherever the writing runs out of room (in the segments, the comment, a
// block, a dummy block or the final bits), the file comes out the same.
TEST(JpegSegments, CodedDataThatOutgrowsItsBufferIsStillSaved) {
    TempDir dir;
    Picture noise(61, 47), photo(37, 29);
    uint32_t state = 11;
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x) {
            state = state * 1664525u + 1013904223u;
            noise.Set(x, y, int(state >> 24), int(state >> 16) & 255, int(state >> 8) & 255);
        }
    FillPhotographic(photo);
    struct Case {
        const Picture& picture;
        int quality;
        std::vector<int> f;
    };
    int n = 0;
    for (const Case& c : {Case{noise, 100, {1, 1, 1, 1, 1, 1}}, Case{photo, 75, {2, 2, 1, 1, 1, 1}}}) {
        const std::string stem = std::to_string(n++);
        cJpeg j;
        j.Quality(c.quality);
        j.SetSamplingFrequencies(c.f[0], c.f[1], c.f[2], c.f[3], c.f[4], c.f[5]);
        j.Comment(std::string(3000, 'n'));
        const Bytes whole = Save(j, c.picture, dir, stem + "whole.jpg");
        for (size_t limit : {size_t(1), size_t(40), size_t(3500), whole.size() / 2, whole.size() - 3}) {
            SCOPED_TRACE(limit);
            j.LimitFirstBuffer(limit);
            const std::string name = stem + "capped" + std::to_string(limit) + ".jpg";
            ASSERT_EQ(j.SaveFile(dir.File(name)), 0);
            const Bytes capped = ReadFile(dir.File(name));
            EXPECT_EQ(capped, whole);
            EXPECT_TRUE(ReadCoefficients(capped).ok);
        }
    }
}

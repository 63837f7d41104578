// Wrong calls and unusable names: the result or error a caller can act on,
// and never a file left behind or an existing one changed.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "JpegTestSupport.h"
#include "ReadOnlyFolder.h"
#include "jpeg/cJpeg.h"

using nimbrel::cJpeg;
using nimbrel::JpegError;
using namespace jpeg_test;

namespace {

int ErrorNumber(const std::function<void()>& f, std::string* description = nullptr) {
    try {
        f();
    } catch (const JpegError& e) {
        if (description) *description = e.Description();
        return e.Number();
    }
    return 0;
}

}  // namespace

TEST(JpegMisuse, SavingWithoutAPictureFailsWithSubscriptError) {
    TempDir dir;
    cJpeg j;
    std::string text;
    EXPECT_EQ(ErrorNumber([&] { j.SaveFile(dir.File("x.jpg")); }, &text), 9);
    EXPECT_EQ(text, "Subscript out of range");

    // New sampling factors discard the sampled picture.
    Picture p(8, 8);
    ASSERT_EQ(j.SampleHDC(p.dc(), 8, 8, 0, 0), 0);
    j.SetSamplingFrequencies(1, 1, 1, 1, 1, 1);
    EXPECT_EQ(ErrorNumber([&] { j.SaveFile(dir.File("x.jpg")); }), 9);
    EXPECT_TRUE(dir.Names().empty());
}

TEST(JpegMisuse, SizesOfZeroOrBelowFailToSampleAndLeaveNothingToSave) {
    TempDir dir;
    Picture p(8, 8);
    for (auto [w, h] : {std::pair{0, 8}, {8, 0}, {-1, 8}, {8, -20}}) {
        cJpeg j;
        ASSERT_EQ(j.SampleHDC(p.dc(), 8, 8, 0, 0), 0);
        EXPECT_EQ(j.SampleHDC(p.dc(), w, h, 0, 0), 1) << w << "x" << h;
        // The earlier picture is gone too: no file of the wrong size.
        EXPECT_EQ(ErrorNumber([&] { j.SaveFile(dir.File("x.jpg")); }), 9);
    }
    EXPECT_TRUE(dir.Names().empty());
}

TEST(JpegMisuse, WidthAbove65535OverflowsTheFrameHeader) {
    TempDir dir;
    Picture p(65536, 1);
    cJpeg j;
    j.SetSamplingFrequencies(1, 1, 0, 0, 0, 0);
    ASSERT_EQ(j.SampleHDC(p.dc(), 65536, 1, 0, 0), 0);
    std::string text;
    EXPECT_EQ(ErrorNumber([&] { j.SaveFile(dir.File("wide.jpg")); }, &text), 6);
    EXPECT_EQ(text, "Overflow");
    EXPECT_TRUE(dir.Names().empty());
}

TEST(JpegMisuse, NamesThatCannotBeUsed) {
    TempDir dir;
    Picture p(12, 12);
    FillPhotographic(p);
    cJpeg j;
    ASSERT_EQ(j.SampleHDC(p.dc(), 12, 12, 0, 0), 0);

    EXPECT_EQ(j.SaveFile(""), 1);

    // An existing file, read-only and hidden ones too, stays as it was.
    for (const char* name : {"taken.jpg", ".hidden.jpg"}) {
        const std::string path = dir.File(name);
        std::ofstream(path) << "keep me";
        chmod(path.c_str(), 0444);
        EXPECT_EQ(j.SaveFile(path), 2);
        std::ifstream in(path);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "keep me");
    }
    // A link counts as taken, even one that leads nowhere.
    std::filesystem::create_symlink(dir.File("nowhere"), dir.File("link.jpg"));
    EXPECT_EQ(j.SaveFile(dir.File("link.jpg")), 2);
    EXPECT_FALSE(std::filesystem::exists(dir.File("nowhere")));

    // A folder of that name is not a file: the write fails and the folder stays.
    std::filesystem::create_directory(dir.File("folder.jpg"));
    EXPECT_EQ(ErrorNumber([&] { j.SaveFile(dir.File("folder.jpg")); }), 75);
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("folder.jpg")));
    EXPECT_TRUE(std::filesystem::is_empty(dir.File("folder.jpg")));

    std::string text;
    EXPECT_EQ(ErrorNumber([&] { j.SaveFile(dir.File("missing/x.jpg")); }, &text), 76);
    EXPECT_NE(text.find("Path not found"), std::string::npos) << text;

    std::vector<std::string> names = dir.Names();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".hidden.jpg", "folder.jpg", "link.jpg", "taken.jpg"}));
}

// A name of the longest length a folder holds is saved; one byte more is a
// bad name. Either way nothing else is left in the folder.
TEST(JpegMisuse, LongestNameIsSavedAndALongerOneRefused) {
    TempDir dir;
    Picture p(12, 12);
    FillPhotographic(p);
    cJpeg j;
    ASSERT_EQ(j.SampleHDC(p.dc(), 12, 12, 0, 0), 0);
    const std::string longest = std::string(251, 'n') + ".jpg";
    ASSERT_EQ(j.SaveFile(dir.File(longest)), 0);
    EXPECT_TRUE(Decode(ReadFile(dir.File(longest))).ok);
    std::string text;
    EXPECT_EQ(ErrorNumber([&] { j.SaveFile(dir.File("x" + longest)); }, &text), 52);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{longest});
}

// Temporary names that a killed save of an earlier process with this one's
// id left behind are passed over. (ctest starts each test in a process of
// its own, so the names tried first are the ones laid here.)
TEST(JpegMisuse, LeftoverTemporaryFilesDoNotBlockASave) {
    TempDir dir;
    for (int n = 0; n < 60; ++n) {
        std::ofstream stale(dir.File(".pic.jpg." + std::to_string(::getpid()) + "." + std::to_string(n) + ".part"));
        stale << "half a picture";
    }
    Picture p(12, 12);
    FillPhotographic(p);
    cJpeg j;
    ASSERT_EQ(j.SampleHDC(p.dc(), 12, 12, 0, 0), 0);
    ASSERT_EQ(j.SaveFile(dir.File("pic.jpg")), 0);
    EXPECT_TRUE(Decode(ReadFile(dir.File("pic.jpg"))).ok);
    EXPECT_EQ(dir.Names().size(), 61u);
}

TEST(JpegMisuse, ReadOnlyFolderIsRefusedWithoutLeavingAFile) {
    TempDir dir;
    Picture p(12, 12);
    cJpeg j;
    ASSERT_EQ(j.SampleHDC(p.dc(), 12, 12, 0, 0), 0);
    const std::string folder = dir.File("locked");
    int number = 0;
    bool effective = false;
    {
        nimbrel::testing::ReadOnlyFolder locked(folder);
        effective = locked.Effective();
        number = ErrorNumber([&] { j.SaveFile(folder + "/x.jpg"); });
    }
    if (!effective) GTEST_SKIP() << "this process can write through permissions";
    EXPECT_EQ(number, 70);
    EXPECT_TRUE(std::filesystem::is_empty(folder));
}

TEST(JpegMisuse, OverlongCommentIsRefusedAndTheFileStillSaves) {
    TempDir dir;
    Picture p(8, 8);
    cJpeg j;
    j.Comment("short");
    EXPECT_EQ(ErrorNumber([&] { j.Comment(std::string(65534, 'z')); }), 1);
    ASSERT_EQ(j.SampleHDC(p.dc(), 8, 8, 0, 0), 0);
    ASSERT_EQ(j.SaveFile(dir.File("c.jpg")), 0);
    const std::vector<Segment> s = Segments(ReadFile(dir.File("c.jpg")));
    EXPECT_EQ(std::string(s[2].bytes.begin() + 4, s[2].bytes.end()), "short");
}

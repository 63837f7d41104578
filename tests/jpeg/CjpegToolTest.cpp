// nimbrel-cjpeg run as a program: PNG and PPM files in, files that
// libjpeg-turbo decodes out, and a clear message and a non-zero exit for
// every argument, input or output it cannot use.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include "JpegTestSupport.h"
#include "jpeg/cJpeg.h"

extern char** environ;

using namespace jpeg_test;

namespace {

using Bytes = std::vector<uint8_t>;

struct Outcome {
    int status = -1;  // exit status, -1 when the program did not exit normally
    std::string out, err;
    long maxRssKib = 0;  // the most memory the program held at once
};

// Runs the tool with its output and error streams in files of the folder.
Outcome RunTool(const TempDir& dir, const std::vector<std::string>& args) {
    std::vector<std::string> argv = {NIMBREL_CJPEG};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (std::string& a : argv) pointers.push_back(a.data());
    pointers.push_back(nullptr);
    const std::string outPath = dir.File("stdout.txt"), errPath = dir.File("stderr.txt");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    Outcome o;
    pid_t pid = 0;
    if (posix_spawn(&pid, pointers[0], &actions, nullptr, pointers.data(), environ) == 0) {
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        if (WIFEXITED(status)) o.status = WEXITSTATUS(status);
        o.maxRssKib = usage.ru_maxrss;
    }
    posix_spawn_file_actions_destroy(&actions);
    const Bytes out = ReadFile(outPath), err = ReadFile(errPath);
    o.out.assign(out.begin(), out.end());
    o.err.assign(err.begin(), err.end());
    std::filesystem::remove(outPath);
    std::filesystem::remove(errPath);
    return o;
}

// Binary PPM written by hand, with a comment in the header as other
// programs write them.
void WritePpm(const Picture& p, const std::string& path) {
    std::ofstream f(path, std::ios::binary);
    f << "P6\n# made by the test\n" << p.width() << " " << p.height() << "\n255\n";
    const Bytes rgb = p.Rgb();
    f.write(reinterpret_cast<const char*>(rgb.data()), std::streamsize(rgb.size()));
}

void WritePng(const Picture& p, const std::string& path) {
    ASSERT_TRUE(gdi::SaveBitmapPng(gdi::GetCurrentBitmap(p.dc()), path));
}

// The names left in the folder besides the inputs a test made.
std::vector<std::string> Outputs(const TempDir& dir) {
    std::vector<std::string> names;
    for (const std::string& n : dir.Names())
        if (n.rfind("in", 0) != 0) names.push_back(n);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

// PNG and PPM of the same picture give the same file, and it is the file the
// encoder writes with its defaults (quality 75, 2,2,1,1,1,1).
TEST(CjpegTool, PngAndPpmGiveTheEncodersDefaultFile) {
    TempDir dir;
    Picture p(77, 53);
    FillPhotographic(p);
    WritePng(p, dir.File("in.png"));
    WritePpm(p, dir.File("in.ppm"));

    const Outcome png = RunTool(dir, {dir.File("in.png"), dir.File("png.jpg")});
    ASSERT_EQ(png.status, 0) << png.err;
    EXPECT_EQ(png.err, "");
    const Outcome ppm = RunTool(dir, {dir.File("in.ppm"), dir.File("ppm.jpg")});
    ASSERT_EQ(ppm.status, 0) << ppm.err;

    const Bytes file = ReadFile(dir.File("png.jpg"));
    EXPECT_EQ(ReadFile(dir.File("ppm.jpg")), file);
    nimbrel::cJpeg j;
    ASSERT_EQ(j.SampleHDC(p.dc(), p.width(), p.height(), 0, 0), 0);
    ASSERT_EQ(j.SaveFile(dir.File("direct.jpg")), 0);
    EXPECT_EQ(ReadFile(dir.File("direct.jpg")), file);

    const Decoded d = Decode(file);
    ASSERT_TRUE(d.ok) << d.error;
    EXPECT_EQ(d.width, 77);
    EXPECT_EQ(d.height, 53);
    EXPECT_GT(Psnr(p.Rgb(), d.pixels), 30.0);  // the floor of the encoder's own quality-75 test
}

TEST(CjpegTool, OptionsReachTheFile) {
    TempDir dir;
    Picture p(40, 24);
    FillPhotographic(p, 9);
    WritePpm(p, dir.File("in.ppm"));

    // Quality 100 without subsampling is near-lossless (45 dB as in the encoder's tests).
    Outcome o =
        RunTool(dir, {"--quality", "100", "--sampling", "1,1,1,1,1,1", dir.File("in.ppm"), dir.File("best.jpg")});
    ASSERT_EQ(o.status, 0) << o.err;
    const Bytes best = ReadFile(dir.File("best.jpg"));
    const std::vector<Segment> s = Segments(best);
    ASSERT_GT(s.size(), 5u);
    EXPECT_EQ(s[5].bytes[11], 0x11);  // SOF0: luminance 1 x 1
    const Decoded d = Decode(best);
    ASSERT_TRUE(d.ok) << d.error;
    EXPECT_GT(Psnr(p.Rgb(), d.pixels), 45.0);

    // Grayscale, a comment, and the --name=value form; options after the files.
    o = RunTool(dir, {dir.File("in.ppm"), dir.File("gray.jpg"), "--sampling=1,1,0,0,0,0", "--comment", "Caf\xC3\xA9",
                      "--quality=30"});
    ASSERT_EQ(o.status, 0) << o.err;
    const Bytes gray = ReadFile(dir.File("gray.jpg"));
    const std::vector<Segment> g = Segments(gray);
    ASSERT_GT(g.size(), 2u);
    EXPECT_EQ(g[2].bytes, (Bytes{0xFF, 0xFE, 0x00, 0x06, 'C', 'a', 'f', 0xE9}));
    tjhandle h = tjInitDecompress();
    int w = 0, hh = 0, subsamp = -1, colorspace = -1;
    ASSERT_EQ(tjDecompressHeader3(h, gray.data(), gray.size(), &w, &hh, &subsamp, &colorspace), 0);
    tjDestroy(h);
    EXPECT_EQ(colorspace, TJCS_GRAY);
    EXPECT_TRUE(Decode(gray, true).ok);
    // The luminance table written is the one of quality 30.
    nimbrel::cJpeg j;
    j.Quality(30);
    const Segment& dqt = g[4];
    for (int i = 0; i < 64; ++i) ASSERT_EQ(dqt.bytes[5 + i], j.QuantTable(0).Q[i]);

    o = RunTool(dir, {"--help"});
    EXPECT_EQ(o.status, 0);
    EXPECT_NE(o.out.find("Usage: nimbrel-cjpeg"), std::string::npos);
    o = RunTool(dir, {"--version"});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, "nimbrel-cjpeg " NIMBREL_VERSION "\n");
}

TEST(CjpegTool, BadArgumentsAreRefusedWithAMessage) {
    TempDir dir;
    Picture p(8, 8);
    WritePpm(p, dir.File("in.ppm"));
    const std::string in = dir.File("in.ppm"), out = dir.File("out.jpg");
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{}, "an input and an output file"},
        {{in}, "an input and an output file"},
        {{in, out, dir.File("more.jpg")}, "too many files"},
        {{"--quality", "0", in, out}, "--quality"},
        {{"--quality", "101", in, out}, "--quality"},
        {{"--quality", "7x", in, out}, "--quality"},
        {{in, out, "--quality"}, "needs a value"},
        {{"--sampling", "2,2,1,1,1", in, out}, "--sampling"},
        {{"--sampling", "2,2,1,1,1,5", in, out}, "--sampling"},
        {{"--sampling", "0,1,1,1,1,1", in, out}, "Invalid Sampling Value"},
        {{"--sampling", "1,1,0,0,0,1", in, out}, "Invalid Sampling Value"},
        {{"--comment", std::string(65534, 'c'), in, out}, "Illegal Comment Length"},
        {{"--colour", in, out}, "unknown option '--colour'"},
        {{in, ""}, "empty"},
    };
    for (const auto& [args, message] : cases) {
        SCOPED_TRACE(args.empty() ? std::string("no arguments") : args.front());
        const Outcome o = RunTool(dir, args);
        EXPECT_EQ(o.status, 2);
        EXPECT_NE(o.err.find(message), std::string::npos) << o.err;
    }
    EXPECT_TRUE(Outputs(dir).empty());
}

TEST(CjpegTool, UnreadableInputIsRefusedAndWritesNothing) {
    TempDir dir;
    std::ofstream(dir.File("in-text.png")) << "not a picture";
    std::ofstream(dir.File("in-short.ppm"), std::ios::binary) << "P6\n4 4\n255\n" << std::string(20, 'x');
    std::ofstream(dir.File("in-deep.ppm"), std::ios::binary) << "P6\n1 1\n65535\n" << std::string(6, 'x');
    std::ofstream(dir.File("in-empty.ppm"));
    std::filesystem::create_directory(dir.File("in-folder"));
    for (const char* name :
         {"in-missing.png", "in-text.png", "in-short.ppm", "in-deep.ppm", "in-empty.ppm", "in-folder"}) {
        SCOPED_TRACE(name);
        const Outcome o = RunTool(dir, {dir.File(name), dir.File("out.jpg")});
        EXPECT_EQ(o.status, 1);
        EXPECT_NE(o.err.find(name), std::string::npos) << o.err;  // the message names the file
    }
    EXPECT_TRUE(Outputs(dir).empty());
}

// A header may claim any size: the file's own length says whether the
// samples can be there, before any memory is set aside for them.
TEST(CjpegTool, APpmShorterThanItsHeaderClaimsIsRefusedBeforeItsPictureIsAllocated) {
    TempDir dir;
    std::string ppm = "P6\n18918 18918\n255\n";
    ppm += std::string(119 - ppm.size(), '\x7f');
    std::ofstream(dir.File("in-huge.ppm"), std::ios::binary) << ppm;
    const Outcome o = RunTool(dir, {dir.File("in-huge.ppm"), dir.File("out.jpg")});
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("in-huge.ppm"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("truncated"), std::string::npos) << o.err;
    // The picture would take 1.07 GB; the program never comes near it.
    EXPECT_LT(o.maxRssKib, 256 * 1024) << o.maxRssKib;
    EXPECT_TRUE(Outputs(dir).empty());
}

// Pictures in a format the tool knows but does not take are named, with
// what to use instead, rather than reported as a broken PNG.
TEST(CjpegTool, FormatsItDoesNotTakeAreNamed) {
    TempDir dir;
    struct Case {
        std::string bytes, message;
    };
    const std::vector<Case> cases = {
        {"P3\n1 1\n255\n1 2 3\n", "a text (P3) PPM is not supported; use P6"},
        {"P2\n1 1\n255\n7\n", "a text (P2) PGM is not supported; use P6"},
        {"P1\n1 1\n1\n", "a text (P1) PBM is not supported; use P6"},
        {std::string("P5\n1 1\n255\n\x07", 12), "a binary (P5) PGM is not supported; use P6"},
        {std::string("P4\n8 1\n\x01", 8), "a binary (P4) PBM is not supported; use P6"},
        {"P7\nWIDTH 1\n", "a PAM (P7) file is not supported; use P6"},
        {std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF", 10), "a JPEG file is not supported"},
        {"GIF89a\x01\x00", "a GIF file is not supported"},
        {"BM\x3a\x00\x00\x00", "a BMP file is not supported"},
        {std::string("II*\0\x08\0\0\0", 8), "a TIFF file is not supported"},
        {std::string("RIFF\x10\0\0\0WEBPVP8 ", 16), "a WebP file is not supported"},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].message);
        const std::string name = "in" + std::to_string(i) + ".pic";
        std::ofstream(dir.File(name), std::ios::binary) << cases[i].bytes;
        const Outcome o = RunTool(dir, {dir.File(name), dir.File("out.jpg")});
        EXPECT_EQ(o.status, 1);
        EXPECT_NE(o.err.find(name), std::string::npos) << o.err;
        EXPECT_NE(o.err.find(cases[i].message), std::string::npos) << o.err;
        EXPECT_EQ(o.err.find("PNG signature"), std::string::npos) << o.err;
    }
    EXPECT_TRUE(Outputs(dir).empty());
}

TEST(CjpegTool, RefusedOutputLeavesWhatWasThere) {
    TempDir dir;
    Picture p(16, 16);
    FillPhotographic(p);
    WritePng(p, dir.File("in.png"));
    const std::string in = dir.File("in.png");

    std::ofstream(dir.File("taken.jpg")) << "keep me";
    Outcome o = RunTool(dir, {in, dir.File("taken.jpg")});
    EXPECT_EQ(o.status, 3);
    EXPECT_NE(o.err.find("exists"), std::string::npos) << o.err;
    const Bytes kept = ReadFile(dir.File("taken.jpg"));
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "keep me");

    o = RunTool(dir, {in, dir.File("missing/out.jpg")});
    EXPECT_EQ(o.status, 3);
    EXPECT_NE(o.err.find("Path not found"), std::string::npos) << o.err;

    std::filesystem::create_directory(dir.File("folder.jpg"));
    o = RunTool(dir, {in, dir.File("folder.jpg")});
    EXPECT_EQ(o.status, 3);
    EXPECT_NE(o.err.find("cannot write"), std::string::npos) << o.err;
    EXPECT_TRUE(std::filesystem::is_empty(dir.File("folder.jpg")));

    EXPECT_EQ(Outputs(dir), (std::vector<std::string>{"folder.jpg", "taken.jpg"}));
}

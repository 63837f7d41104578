// The encoder on a full-HD picture against two peers in the same run:
// libjpeg-turbo (Huffman tables optimised for the picture, as ours are, with
// its float and its default integer transform) and stb_image_write. Each
// writes a file at quality 75 with the chroma halved both ways. After the
// runs a table gives each peer's time and file size as a ratio to ours.
//
// cJpeg and libjpeg-turbo both read the picture where it lies, in the 24-bit
// bottom-up bitmap. stb_image_write needs top-down RGB rows; that copy is
// made once, outside the timing, which favours it slightly.
//
// cJpeg makes each file durable before it gets its name (written under a
// temporary name, fsync, then linked); the peers write through stdio and do
// not wait for the disk. BM_WriteAndFsync times that part alone, a file of
// cJpeg's size written and synced, and the table shows it beside cJpeg's time.
//
// Where the time goes (perf record, BM_cJpeg, photo / screen). Before this
// round of work: the colour, transform and quantization kernel (AVX2) 45 %,
// EncodeBlock 17 %, the Huffman statistics 11 %, the chroma halving in the
// stretching blit 8 %, memmove 4 % (the full-size copy of the picture into a
// working bitmap), memset and page faults of that 6 MB bitmap 4 %. Now: the
// kernel (AVX-512) 43 / 40 %, EncodeBlock 21 / 27 %, the statistics 14 / 13 %,
// the halving (SSSE3) 6 %, the scan walk 3 / 2 %, page clearing 2 %; the
// picture is no longer copied, and the working bitmap holds only the halved
// chroma (1.5 MB).
//
// What the machine must do for one picture, 1920 x 1080 with 4:2:0: read the
// 6.2 MB of pixels twice (the luminance blocks, the halving), write and read
// twice the 1.5 MB of halved chroma, write 6.2 MB of coefficients (48 720
// blocks of 64 16-bit values) and read them twice (statistics, coding),
// about 36 MB of memory traffic, most of it streaming through the 2 MB L2.
// Per block the AVX-512 kernel issues about 270 vector instructions, most of
// them 512-bit double-precision work on two ports: colour conversion 8 rows
// x (3 byte permutes, 3 subtractions, 3 products, 3 sums, 1 narrowing), the
// transform 2 x (26 single-precision sums and differences, 8 widenings, 11
// double operations, 5 narrowings) and a 24-shuffle transpose, the
// quantization 8 x (widening, product, rounding conversion) and two word
// permutes into zig-zag order: about 140 cycles a block, 7 million cycles a
// picture, which is where the kernel's share now stands. Every value is
// rounded as the plain formulas round it (double evaluation, single-precision
// storage, no fused multiply-add), and the transform needs double precision
// for that; the rest, the entropy coding, is serial bit work per symbol.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <jpeglib.h>
#include <unistd.h>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb/stb_image_write.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "jpeg/cJpeg.h"
#include "platform/gdi/gdi.h"

namespace fs = std::filesystem;

namespace {

constexpr int kWidth = 1920, kHeight = 1080, kQuality = 75;

// A 24-bit DIB section selected into a memory context.
struct Picture {
    Picture(int w, int h) : width(w), height(h), stride((3 * w + 3) / 4 * 4) {
        dc = gdi::CreateCompatibleDC(nullptr);
        void* p = nullptr;
        bitmap = gdi::CreateDIB24(dc, w, h, &p);
        bits = static_cast<uint8_t*>(p);
        previous = gdi::SelectObject(dc, bitmap);
    }
    ~Picture() {
        gdi::SelectObject(dc, previous);
        gdi::DeleteObject(bitmap);
        gdi::DeleteDC(dc);
    }
    uint8_t* Row(int y) const { return bits + (height - 1 - y) * stride; }  // drawing row y, B G R
    void Set(int x, int y, int r, int g, int b) const {
        uint8_t* p = Row(y) + 3 * x;
        p[0] = uint8_t(std::clamp(b, 0, 255));
        p[1] = uint8_t(std::clamp(g, 0, 255));
        p[2] = uint8_t(std::clamp(r, 0, 255));
    }
    std::vector<uint8_t> TopDownRgb() const {
        std::vector<uint8_t> rgb(size_t(width) * height * 3);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const uint8_t* p = Row(y) + 3 * x;
                uint8_t* q = rgb.data() + (size_t(y) * width + x) * 3;
                q[0] = p[2], q[1] = p[1], q[2] = p[0];
            }
        return rgb;
    }

    int width, height, stride;
    gdi::HDC dc = nullptr;
    gdi::HBITMAP bitmap = nullptr;
    gdi::HGDIOBJ previous = nullptr;
    uint8_t* bits = nullptr;
};

uint32_t Hash(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352d;
    x ^= x >> 15;
    x *= 0x846ca68b;
    x ^= x >> 16;
    return x;
}

// Value noise: random values on a grid of the given cell size, smoothly
// interpolated, from -1 to 1.
double ValueNoise(double x, double y, double cell, uint32_t seed) {
    const double gx = x / cell, gy = y / cell;
    const int ix = int(gx), iy = int(gy);
    const double fx = gx - ix, fy = gy - iy;
    auto at = [&](int i, int j) {
        return Hash(uint32_t(i) * 73856093u ^ uint32_t(j) * 19349663u ^ seed) / 2147483647.5 - 1;
    };
    const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    const double top = at(ix, iy) + (at(ix + 1, iy) - at(ix, iy)) * sx;
    const double bottom = at(ix, iy + 1) + (at(ix + 1, iy + 1) - at(ix, iy + 1)) * sx;
    return top + (bottom - top) * sy;
}

// A landscape-like photograph: a sky gradient, hills with texture at several
// scales, foliage-like fine detail, soft edges and sensor grain.
void FillPhotographic(const Picture& p) {
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const double fy = double(y) / p.height;
            const double horizon = 0.45 + 0.08 * ValueNoise(x, 0, 300, 1) + 0.03 * ValueNoise(x, 0, 60, 2);
            double r, g, b;
            if (fy < horizon) {
                const double cloud = std::max(0.0, ValueNoise(x, y, 180, 3) + 0.5 * ValueNoise(x, y, 45, 4));
                r = 90 + 80 * fy + 120 * cloud;
                g = 140 + 60 * fy + 110 * cloud;
                b = 220 - 20 * fy + 30 * cloud;
            } else {
                const double t = ValueNoise(x, y, 120, 5) + 0.5 * ValueNoise(x, y, 24, 6) +
                                 0.35 * ValueNoise(x, y, 5, 7) + 0.25 * ValueNoise(x, y, 2, 8);
                const double shade = 0.6 + 0.4 * (fy - horizon) / (1 - horizon);
                r = (70 + 45 * t) * shade + 30;
                g = (110 + 60 * t) * shade + 20;
                b = (45 + 30 * t) * shade + 10;
            }
            const double grain = (Hash(uint32_t(y) * 7919u + uint32_t(x)) & 15) - 7.5;
            p.Set(x, y, int(r + grain), int(g + grain), int(b + grain));
        }
}

// A desktop window: a title bar, flat panels, grid lines, rows of small
// glyph-like marks (text), a chart line and a coloured legend.
void FillScreen(const Picture& p) {
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            int r = 243, g = 243, b = 243;
            if (y < 32) r = 32, g = 64, b = 128;                                // title bar
            if (x < 260 && y >= 32) r = 225, g = 229, b = 236;                  // side panel
            if (x >= 300 && y >= 600 && (x - 300) % 120 == 0) r = g = b = 200;  // chart grid
            if (x >= 300 && y >= 600 && (y - 600) % 80 == 0) r = g = b = 200;
            const int cx = x % 8, cy = y % 18, word = (x / 8 + y / 18 * 13) % 11;
            const bool textArea = (y > 60 && y < 560 && x > 300) || (x < 250 && x > 12 && y > 60);
            if (textArea && cy > 4 && cy < 15 && cx < 6 && word < 8 && Hash(uint32_t(x * 31 + y * 17)) % 3 == 0)
                r = g = b = 20;  // glyph strokes
            const int curve =
                600 + 240 - int(200 * (0.5 + 0.5 * std::sin(x / 90.0)) * (0.6 + 0.4 * std::cos(x / 37.0)));
            if (x >= 300 && std::abs(y - curve) <= 1) r = 200, g = 30, b = 30;         // chart line
            if (x > 1700 && x < 1880 && y > 620 && y < 700) r = 30, g = 120, b = 200;  // legend swatch
            p.Set(x, y, r, g, b);
        }
}

const Picture& ThePicture(int which) {
    static std::unique_ptr<Picture> pictures[2];
    if (!pictures[which]) {
        pictures[which] = std::make_unique<Picture>(kWidth, kHeight);
        if (which == 0) {
            FillPhotographic(*pictures[which]);
        } else {
            FillScreen(*pictures[which]);
        }
    }
    return *pictures[which];
}

const char* kPictureNames[2] = {"photo", "screen"};

fs::path Folder() {
    static const fs::path folder = [] {
        fs::path f = fs::temp_directory_path() / ("nimbrel-jpeg-bench-" + std::to_string(getpid()));
        fs::create_directories(f);
        return f;
    }();
    return folder;
}

// A name not used before: the encoder never writes over an existing file.
std::string NewFile() {
    static int n = 0;
    std::string name = std::to_string(n++);
    name += ".jpg";
    return (Folder() / name).string();
}

// Removes the file outside the timing and returns its size.
uintmax_t Collect(benchmark::State& state, const std::string& path) {
    state.PauseTiming();
    std::error_code ec;
    const uintmax_t size = fs::file_size(path, ec);
    fs::remove(path, ec);
    state.ResumeTiming();
    return ec ? 0 : size;
}

void Finish(benchmark::State& state, uintmax_t bytes, int which) {
    state.counters["bytes"] = double(bytes);
    state.SetLabel(kPictureNames[which]);
}

void BM_cJpeg(benchmark::State& state) {
    const int which = int(state.range(0));
    const Picture& p = ThePicture(which);
    uintmax_t bytes = 0;
    for (auto _ : state) {
        nimbrel::cJpeg jpeg;
        jpeg.Quality(kQuality);
        jpeg.SetSamplingFrequencies(2, 2, 1, 1, 1, 1);
        jpeg.SampleHDC(p.dc, p.width, p.height, 0, 0);
        const std::string path = NewFile();
        if (jpeg.SaveFile(path) != 0) state.SkipWithError("not saved");
        bytes = Collect(state, path);
    }
    Finish(state, bytes, which);
}

void EncodeWithLibjpeg(const Picture& p, const std::string& path, J_DCT_METHOD dct) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return;
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = JDIMENSION(p.width);
    cinfo.image_height = JDIMENSION(p.height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, kQuality, TRUE);
    cinfo.optimize_coding = TRUE;
    cinfo.dct_method = dct;
    cinfo.comp_info[0].h_samp_factor = 2, cinfo.comp_info[0].v_samp_factor = 2;
    for (int c = 1; c < 3; ++c) cinfo.comp_info[c].h_samp_factor = cinfo.comp_info[c].v_samp_factor = 1;
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = p.Row(int(cinfo.next_scanline));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::fclose(file);
}

void BM_LibjpegTurbo(benchmark::State& state, J_DCT_METHOD dct) {
    const int which = int(state.range(0));
    const Picture& p = ThePicture(which);
    uintmax_t bytes = 0;
    for (auto _ : state) {
        const std::string path = NewFile();
        EncodeWithLibjpeg(p, path, dct);
        bytes = Collect(state, path);
    }
    Finish(state, bytes, which);
}
void BM_LibjpegTurboFloat(benchmark::State& state) {
    BM_LibjpegTurbo(state, JDCT_FLOAT);
}
void BM_LibjpegTurboDefault(benchmark::State& state) {
    BM_LibjpegTurbo(state, JDCT_ISLOW);
}

void BM_StbImageWrite(benchmark::State& state) {
    const int which = int(state.range(0));
    const Picture& p = ThePicture(which);
    const std::vector<uint8_t> rgb = p.TopDownRgb();
    uintmax_t bytes = 0;
    for (auto _ : state) {
        const std::string path = NewFile();
        if (!stbi_write_jpg(path.c_str(), p.width, p.height, 3, rgb.data(), kQuality)) state.SkipWithError("not saved");
        bytes = Collect(state, path);
    }
    Finish(state, bytes, which);
}

// The durability part of cJpeg's save on its own: a file of the size cJpeg
// wrote for the picture, written and synced to the disk before it is closed.
void BM_WriteAndFsync(benchmark::State& state) {
    const int which = int(state.range(0));
    const Picture& p = ThePicture(which);
    uintmax_t size = 0;
    {
        nimbrel::cJpeg jpeg;
        jpeg.Quality(kQuality);
        jpeg.SetSamplingFrequencies(2, 2, 1, 1, 1, 1);
        jpeg.SampleHDC(p.dc, p.width, p.height, 0, 0);
        const std::string path = NewFile();
        if (jpeg.SaveFile(path) == 0) size = fs::file_size(path);
        fs::remove(path);
    }
    const std::vector<uint8_t> data(size, 0x5A);
    for (auto _ : state) {
        const std::string path = NewFile();
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 || write(fd, data.data(), data.size()) != ssize_t(data.size()) || fsync(fd) != 0)
            state.SkipWithError("not written");
        if (fd >= 0) close(fd);
        Collect(state, path);
    }
    Finish(state, size, which);
}

BENCHMARK(BM_cJpeg)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LibjpegTurboFloat)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LibjpegTurboDefault)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StbImageWrite)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WriteAndFsync)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Keeps each benchmark's time and file size for the table of ratios: the
// median when the runs are repeated, else the one run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    struct Result {
        double real = 0, cpu = 0, bytes = 0;
        bool median = false;
    };
    std::map<std::string, Result> results;  // "BM_cJpeg/0/real_time" -> ...

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Aggregate && !median) continue;
            Result& r = results[run.run_name.str()];
            if (r.median && !median) continue;
            r.real = run.GetAdjustedRealTime();
            r.cpu = run.GetAdjustedCPUTime();
            const auto it = run.counters.find("bytes");
            if (it != run.counters.end()) r.bytes = it->second.value;
            r.median = median;
        }
    }
};

void PrintRatios(const RatioReporter& reporter) {
    const char* peers[] = {"BM_LibjpegTurboFloat", "BM_LibjpegTurboDefault", "BM_StbImageWrite"};
    std::printf(
        "\nRatios to cJpeg: time = cJpeg / peer (below 1: cJpeg is faster), wall clock and CPU; size = cJpeg / peer\n");
    for (int which = 0; which < 2; ++which) {
        const auto ours = reporter.results.find("BM_cJpeg/" + std::to_string(which) + "/real_time");
        if (ours == reporter.results.end()) continue;
        for (const char* peer : peers) {
            const auto it = reporter.results.find(std::string(peer) + "/" + std::to_string(which) + "/real_time");
            if (it == reporter.results.end()) continue;
            const RatioReporter::Result &a = ours->second, &b = it->second;
            std::printf("  %-7s %-20s time %.2f (cpu %.2f)  size %.3f  (%.0f / %.0f bytes)\n", kPictureNames[which],
                        peer + 3, a.real / b.real, a.cpu / b.cpu, a.bytes / b.bytes, a.bytes, b.bytes);
        }
        const auto sync = reporter.results.find("BM_WriteAndFsync/" + std::to_string(which) + "/real_time");
        if (sync != reporter.results.end())
            std::printf("  %-7s of cJpeg's %.2f ms, %.2f ms (wall) write and fsync the file; the peers do not sync\n",
                        kPictureNames[which], ours->second.real, sync->second.real);
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintRatios(reporter);
    benchmark::Shutdown();
    std::error_code ec;
    fs::remove_all(Folder(), ec);
    return 0;
}

#pragma once
// Pictures on real gdi bitmaps, a temporary folder, the encoder's files
// decoded by libjpeg-turbo, and the segments of a file.
#include <jpeglib.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/gdi/gdi.h"

namespace jpeg_test {

// A 24-bit picture selected into a memory context, the encoder's source.
class Picture {
public:
    Picture(int width, int height) : width_(width), height_(height) {
        dc_ = gdi::CreateCompatibleDC(nullptr);
        stride_ = (3 * width + 3) / 4 * 4;
        void* bits = nullptr;
        bitmap_ = gdi::CreateDIB24(dc_, width, height, &bits);
        bits_ = static_cast<uint8_t*>(bits);
        previous_ = gdi::SelectObject(dc_, bitmap_);
    }
    ~Picture() {
        gdi::SelectObject(dc_, previous_);
        gdi::DeleteObject(bitmap_);
        gdi::DeleteDC(dc_);
    }
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    gdi::HDC dc() const { return dc_; }
    int width() const { return width_; }
    int height() const { return height_; }
    uint8_t* at(int x, int y) const { return bits_ + (height_ - 1 - y) * stride_ + 3 * x; }  // B, G, R
    void Set(int x, int y, int r, int g, int b) const {
        uint8_t* p = at(x, y);
        p[0] = uint8_t(b), p[1] = uint8_t(g), p[2] = uint8_t(r);
    }
    // RGB rows top to bottom, as the decoder delivers them.
    std::vector<uint8_t> Rgb() const {
        std::vector<uint8_t> out;
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) {
                const uint8_t* p = at(x, y);
                out.insert(out.end(), {p[2], p[1], p[0]});
            }
        return out;
    }

private:
    int width_, height_, stride_ = 0;
    gdi::HDC dc_ = nullptr;
    gdi::HBITMAP bitmap_ = nullptr;
    gdi::HGDIOBJ previous_ = nullptr;
    uint8_t* bits_ = nullptr;
};

// Smooth shading, waves and a little grain: what a photograph offers.
inline void FillPhotographic(const Picture& p, unsigned seed = 1) {
    uint32_t state = seed * 2654435761u + 1;
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x) {
            state = state * 1664525u + 1013904223u;
            const int grain = int(state >> 28) - 8;
            const double fx = double(x) / std::max(1, p.width()), fy = double(y) / std::max(1, p.height());
            const int r = int(120 + 90 * std::sin(6.0 * fx + 2.0 * fy) + grain);
            const int g = int(110 + 80 * std::cos(5.0 * fy - 3.0 * fx * fy) + grain);
            const int b = int(100 + 70 * std::sin(9.0 * (fx + fy)) + grain);
            p.Set(x, y, std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
        }
}

// Flat areas, thin lines and blocky glyph-like marks: a screen.
inline void FillScreen(const Picture& p) {
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x) {
            int r = 240, g = 240, b = 240;
            if (y < p.height() / 10) r = 30, g = 60, b = 140;  // title strip
            if (x % 97 == 0 || y % 61 == 0) r = g = b = 160;   // grid lines
            const int cx = x % 9, cy = y % 14;
            if (y > p.height() / 5 && cy < 10 && cx < 6 && ((x / 9 * 7 + y / 14 * 3 + cx * cy) % 5 == 0))
                r = g = b = 0;  // text
            if (x > p.width() / 2 && y > p.height() / 2 && (x + y) % 40 < 20) r = 200, g = 40, b = 40;
            p.Set(x, y, r, g, b);
        }
}

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "nimbrel-jpeg-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(path_, ec);
    }
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }
    // Names in the folder, to show that nothing was left behind.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(path_)) names.push_back(e.path().filename().string());
        return names;
    }

private:
    std::filesystem::path path_;
};

inline std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

struct Decoded {
    bool ok = false;
    std::string error;
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;  // RGB or gray rows, top first
};

// libjpeg-turbo's decoder; a warning counts as a failure.
inline Decoded Decode(const std::vector<uint8_t>& file, bool gray = false) {
    Decoded d;
    tjhandle h = tjInitDecompress();
    int w = 0, hh = 0, subsamp = 0, colorspace = 0;
    if (tjDecompressHeader3(h, file.data(), file.size(), &w, &hh, &subsamp, &colorspace) != 0) {
        d.error = tjGetErrorStr2(h);
        tjDestroy(h);
        return d;
    }
    d.width = w, d.height = hh;
    const int pf = gray ? TJPF_GRAY : TJPF_RGB;
    d.pixels.resize(size_t(w) * hh * tjPixelSize[pf]);
    if (tjDecompress2(h, file.data(), file.size(), d.pixels.data(), w, 0, hh, pf, TJFLAG_ACCURATEDCT) != 0) {
        d.error = tjGetErrorStr2(h);
    } else {
        d.ok = true;
    }
    tjDestroy(h);
    return d;
}

// The quantized coefficients as libjpeg-turbo reads them back, each
// component's blocks in raster order, in natural order within a block. Any
// warning (a corrupt or cut-off stream) fails.
struct Coefficients {
    bool ok = false;
    std::string error;
    std::vector<std::vector<int16_t>> components;
};

// libjpeg's error manager turned strict: an error or any warning (a corrupt
// or cut-off stream) keeps its message and jumps back to the setjmp of the
// caller, which then destroys the decompressor.
struct StrictErrors {
    jpeg_error_mgr mgr;
    jmp_buf jump;
    std::string message;

    void AttachTo(jpeg_decompress_struct& cinfo) {
        cinfo.err = jpeg_std_error(&mgr);
        mgr.error_exit = [](j_common_ptr c) {
            auto* e = reinterpret_cast<StrictErrors*>(c->err);
            char text[JMSG_LENGTH_MAX];
            c->err->format_message(c, text);
            e->message = text;
            longjmp(e->jump, 1);
        };
        mgr.emit_message = [](j_common_ptr c, int level) {
            if (level < 0) c->err->error_exit(c);
        };
    }
};

inline Coefficients ReadCoefficients(const std::vector<uint8_t>& file) {
    Coefficients result;
    jpeg_decompress_struct cinfo;
    StrictErrors err;
    err.AttachTo(cinfo);
    if (setjmp(err.jump)) {
        result.error = err.message;
        jpeg_destroy_decompress(&cinfo);
        return result;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&cinfo, TRUE);
    jvirt_barray_ptr* arrays = jpeg_read_coefficients(&cinfo);
    for (int c = 0; c < cinfo.num_components; ++c) {
        const jpeg_component_info& comp = cinfo.comp_info[c];
        std::vector<int16_t> values;
        for (JDIMENSION row = 0; row < comp.height_in_blocks; ++row) {
            JBLOCKARRAY blocks =
                cinfo.mem->access_virt_barray(reinterpret_cast<j_common_ptr>(&cinfo), arrays[c], row, 1, FALSE);
            for (JDIMENSION col = 0; col < comp.width_in_blocks; ++col)
                values.insert(values.end(), blocks[0][col], blocks[0][col] + 64);
        }
        result.components.push_back(std::move(values));
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    result.ok = true;
    return result;
}

// libjpeg-turbo's own library interface, for sampling factors that its
// TurboJPEG front end does not name (4 x 4 luminance, for one): RGB rows.
inline Decoded DecodeWithLibjpeg(const std::vector<uint8_t>& file) {
    Decoded d;
    jpeg_decompress_struct cinfo;
    StrictErrors err;
    err.AttachTo(cinfo);
    if (setjmp(err.jump)) {
        d.error = err.message;
        jpeg_destroy_decompress(&cinfo);
        return d;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    d.width = int(cinfo.output_width), d.height = int(cinfo.output_height);
    d.pixels.resize(size_t(d.width) * d.height * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = d.pixels.data() + size_t(cinfo.output_scanline) * d.width * 3;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    d.ok = true;
    return d;
}

inline double Psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i) sum += (double(a[i]) - b[i]) * (double(a[i]) - b[i]);
    if (sum == 0) return 99.0;
    return 10.0 * std::log10(255.0 * 255.0 * double(a.size()) / sum);
}

struct Segment {
    uint8_t marker;
    size_t offset;               // of the FF
    std::vector<uint8_t> bytes;  // the whole segment, marker included (entropy data excluded)
};

// The marker segments in file order; entropy-coded data after SOS is
// skipped (stuffed zero bytes are not markers).
inline std::vector<Segment> Segments(const std::vector<uint8_t>& f) {
    std::vector<Segment> out;
    size_t i = 0;
    while (i + 1 < f.size()) {
        if (f[i] != 0xFF) return out;
        const uint8_t m = f[i + 1];
        if (m == 0xD8 || m == 0xD9) {
            out.push_back({m, i, {f.begin() + i, f.begin() + i + 2}});
            i += 2;
            continue;
        }
        if (i + 3 >= f.size()) return out;
        const size_t len = size_t(f[i + 2]) << 8 | f[i + 3];
        if (i + 2 + len > f.size()) return out;
        out.push_back({m, i, {f.begin() + i, f.begin() + i + 2 + len}});
        i += 2 + len;
        if (m == 0xDA)
            while (i + 1 < f.size() && !(f[i] == 0xFF && f[i + 1] != 0x00)) ++i;
    }
    return out;
}

}  // namespace jpeg_test

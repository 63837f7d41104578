// Bitmaps to and from files: PNG through libpng's simplified interface, and
// binary PPM, which test fixtures are easy to write in.
#include <png.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string_view>

#include "platform/gdi/GdiObjects.h"

namespace gdi {

namespace {

void SetError(std::string* error, const std::string& text) {
    if (error) *error = text;
}

HBITMAP LoadPpm(const std::string& path, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        SetError(error, "cannot open " + path);
        return nullptr;
    }
    // Header: "P6", width, height, maximum value, separated by white space
    // and comments, then one white-space byte before the samples.
    auto token = [&in]() {
        std::string t;
        int ch;
        while ((ch = in.get()) != EOF) {
            if (ch == '#') {
                while ((ch = in.get()) != EOF && ch != '\n') {
                }
                continue;
            }
            if (std::isspace(ch)) {
                if (!t.empty()) break;
                continue;
            }
            t += char(ch);
            if (t.size() > 16) break;
        }
        return t;
    };
    if (token() != "P6") {
        SetError(error, path + " is not a binary PPM file");
        return nullptr;
    }
    long width = 0, height = 0, maxval = 0;
    try {
        width = std::stol(token());
        height = std::stol(token());
        maxval = std::stol(token());
    } catch (...) {
        SetError(error, path + " has a damaged PPM header");
        return nullptr;
    }
    if (width <= 0 || height <= 0 || width > 65535 || height > 65535 || maxval != 255) {
        SetError(error, path + " has an unsupported PPM size or depth");
        return nullptr;
    }
    // The header may claim any size: the samples it promises must be in the
    // file before memory is set aside for them.
    const std::streamoff start = in.tellg();
    in.seekg(0, std::ios::end);
    const std::streamoff end = in.tellg();
    in.seekg(start);
    const unsigned long long needed =
        3ull * static_cast<unsigned long long>(width) * static_cast<unsigned long long>(height);
    if (start < 0 || end < start || !in || static_cast<unsigned long long>(end - start) < needed) {
        SetError(error, path + " is truncated: its header claims " + std::to_string(width) + " x " +
                            std::to_string(height) + " pixels (" + std::to_string(needed) + " bytes), but only " +
                            std::to_string(end > start ? end - start : 0) + " bytes follow");
        return nullptr;
    }
    HBITMAP bitmap = CreateCompatibleBitmap(nullptr, int(width), int(height));
    Bitmap* b = BitmapOf(bitmap);
    if (!b) {
        SetError(error, path + " is too large");
        return nullptr;
    }
    std::vector<BYTE> line(size_t(width) * 3);
    for (int y = 0; y < b->height; ++y) {
        if (!in.read(reinterpret_cast<char*>(line.data()), std::streamsize(line.size()))) {
            DeleteObject(bitmap);
            SetError(error, path + " is truncated");
            return nullptr;
        }
        BYTE* row = b->row(y);
        for (long x = 0; x < width; ++x) {
            row[3 * x] = line[3 * x + 2];
            row[3 * x + 1] = line[3 * x + 1];
            row[3 * x + 2] = line[3 * x];
        }
    }
    return bitmap;
}

// What a file is when it is a picture format that is not read here, from its
// first bytes; empty for PNG, P6 and anything not recognised (the PNG reader
// then says what is wrong).
std::string UnsupportedFormat(const std::string& head) {
    auto starts = [&head](std::string_view magic) { return head.compare(0, magic.size(), magic) == 0; };
    if (head.size() >= 2 && head[0] == 'P' &&
        std::isspace(static_cast<unsigned char>(head.size() > 2 ? head[2] : ' '))) {
        switch (head[1]) {
            case '1':
                return "a text (P1) PBM";
            case '2':
                return "a text (P2) PGM";
            case '3':
                return "a text (P3) PPM";
            case '4':
                return "a binary (P4) PBM";
            case '5':
                return "a binary (P5) PGM";
            case '7':
                return "a PAM (P7) file";
            default:
                break;
        }
    }
    if (starts("\xFF\xD8\xFF")) return "a JPEG file";
    if (starts("GIF87a") || starts("GIF89a")) return "a GIF file";
    if (starts("BM")) return "a BMP file";
    if (starts(std::string_view("II*\0", 4)) || starts(std::string_view("MM\0*", 4))) return "a TIFF file";
    if (starts("RIFF") && head.size() >= 12 && head.compare(8, 4, "WEBP") == 0) return "a WebP file";
    return {};
}

}  // namespace

bool SaveBitmapPng(HBITMAP bitmap, const std::string& path) {
    Bitmap* b = BitmapOf(bitmap);
    if (!b) return false;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(b->width);
    image.height = png_uint_32(b->height);
    image.format = PNG_FORMAT_BGR;
    // A negative stride tells libpng that the rows are stored bottom-up.
    const int ok = png_image_write_to_file(&image, path.c_str(), 0, b->pixels.data(), -b->stride, nullptr);
    png_image_free(&image);
    return ok != 0;
}

HBITMAP LoadBitmapFile(const std::string& path, std::string* error) {
    {
        std::ifstream probe(path, std::ios::binary);
        char magic[16] = {};
        if (!probe || !probe.read(magic, 2)) {
            SetError(error, "cannot read " + path);
            return nullptr;
        }
        probe.read(magic + 2, sizeof magic - 2);
        const std::string head(magic, 2 + static_cast<size_t>(probe.gcount()));
        if (magic[0] == 'P' && magic[1] == '6') return LoadPpm(path, error);
        if (const std::string format = UnsupportedFormat(head); !format.empty()) {
            const std::string instead = head[0] == 'P' ? "use P6" : "use PNG or a binary (P6) PPM";
            SetError(error, path + ": " + format + " is not supported; " + instead);
            return nullptr;
        }
    }
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        SetError(error, path + ": " + image.message);
        png_image_free(&image);
        return nullptr;
    }
    image.format = PNG_FORMAT_BGR;
    HBITMAP bitmap = nullptr;
    if (image.width > 0 && image.height > 0 && image.width <= 65535 && image.height <= 65535)
        bitmap = CreateCompatibleBitmap(nullptr, int(image.width), int(image.height));
    Bitmap* b = BitmapOf(bitmap);
    if (!b) {
        SetError(error, path + " has an unsupported size");
        png_image_free(&image);
        return nullptr;
    }
    // Transparent pixels are composed over white, the window background.
    png_color background = {255, 255, 255};
    if (!png_image_finish_read(&image, &background, b->pixels.data(), -b->stride, nullptr)) {
        SetError(error, path + ": " + image.message);
        png_image_free(&image);
        DeleteObject(bitmap);
        return nullptr;
    }
    return bitmap;
}

}  // namespace gdi

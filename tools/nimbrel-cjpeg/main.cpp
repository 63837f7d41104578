// nimbrel-cjpeg: encodes a PNG or binary PPM picture with the program's own
// JPEG encoder, the way the graph window's capture does: the picture is put
// in a bitmap, sampled from a device context and saved under a name that must
// not exist yet.
#include <charconv>
#include <cstdio>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "base/ProgramInfo.h"
#include "jpeg/cJpeg.h"
#include "platform/gdi/gdi.h"

namespace {

constexpr const char* kUsage =
    "Usage: nimbrel-cjpeg [--quality N] [--sampling H1,V1,H2,V2,H3,V3] [--comment TEXT] IN OUT.jpg\n"
    "\n"
    "Encodes IN (a PNG or a binary PPM file) as a baseline JPEG file OUT with\n"
    "Nimbrel's own encoder and Huffman tables built for the picture.\n"
    "\n"
    "  --quality N       1 (smallest file) to 100 (best picture); default 75\n"
    "  --sampling LIST   sampling factors of Y, Cb and Cr, each 1 to 4;\n"
    "                    default 2,2,1,1,1,1 (chroma halved both ways);\n"
    "                    H,V,0,0,0,0 writes a grayscale file\n"
    "  --comment TEXT    a comment stored in the file (up to 65533 characters)\n"
    "  --help            show this text\n"
    "  --version         show the version and exit\n"
    "\n"
    "OUT is never replaced: an existing file of that name is left as it is.\n"
    "Exit status: 0 written, 1 input unreadable, 2 bad usage, 3 output refused,\n"
    "4 the picture could not be encoded.\n";

enum Exit { kWritten = 0, kBadInput = 1, kBadUsage = 2, kOutputRefused = 3, kEncodeFailed = 4 };

int Fail(int status, const std::string& problem) {
    std::cerr << "nimbrel-cjpeg: " << problem << "\n";
    if (status == kBadUsage) std::cerr << "Try 'nimbrel-cjpeg --help'.\n";
    return status;
}

// A whole decimal number and nothing else.
bool ParseInt(const std::string& text, int& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && !text.empty();
}

bool ParseSampling(const std::string& text, std::vector<int>& factors) {
    factors.clear();
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        int f = 0;
        if (!ParseInt(text.substr(start, comma - start), f) || f < 0 || f > 4) return false;
        factors.push_back(f);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return factors.size() == 6;
}

struct Options {
    int quality = 75;
    std::vector<int> sampling = {2, 2, 1, 1, 1, 1};
    std::string comment;
    std::vector<std::string> files;
    bool help = false;
    bool version = false;
};

// Empty when the arguments make sense, otherwise what is wrong with them.
std::string ParseArguments(int argc, char** argv, Options& o) {
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (optionsEnded || a.size() < 2 || a[0] != '-') {
            o.files.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
            continue;
        }
        if (a == "--help" || a == "-h") {
            o.help = true;
            continue;
        }
        if (a == "--version") {
            o.version = true;
            continue;
        }
        // --name VALUE or --name=VALUE
        std::string value;
        bool haveValue = false;
        if (const size_t eq = a.find('='); eq != std::string::npos) {
            value = a.substr(eq + 1);
            a.resize(eq);
            haveValue = true;
        }
        if (a != "--quality" && a != "--sampling" && a != "--comment") return "unknown option '" + a + "'";
        if (!haveValue) {
            if (i + 1 >= argc) return a + " needs a value";
            value = argv[++i];
        }
        if (a == "--quality") {
            // The encoder ignores a quality out of range; here it is a mistake.
            if (!ParseInt(value, o.quality) || o.quality < 1 || o.quality > 100)
                return "--quality must be a whole number from 1 to 100, not '" + value + "'";
        } else if (a == "--sampling") {
            if (!ParseSampling(value, o.sampling))
                return "--sampling takes six factors from 0 to 4 separated by commas, not '" + value + "'";
        } else {
            o.comment = value;
        }
    }
    if (o.help || o.version) return {};
    if (o.files.size() != 2) return o.files.size() < 2 ? "an input and an output file are needed" : "too many files";
    if (o.files[0].empty() || o.files[1].empty()) return "a file name is empty";
    return {};
}

// The loaded picture selected into a memory context, released on every way out.
struct Source {
    gdi::HBITMAP bitmap = nullptr;
    gdi::HDC dc = nullptr;
    gdi::HGDIOBJ previous = nullptr;
    ~Source() {
        if (dc && previous) gdi::SelectObject(dc, previous);
        if (dc) gdi::DeleteDC(dc);
        if (bitmap) gdi::DeleteObject(bitmap);
    }
};

// Errors with these numbers come from the file system, not from the picture.
bool IsFileError(int number) {
    return number == 52 || number == 61 || number == 70 || number == 75 || number == 76;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (const std::string problem = ParseArguments(argc, argv, o); !problem.empty()) return Fail(kBadUsage, problem);
    if (o.help) {
        std::cout << kUsage << nimbrel::LicenceHelpText();
        return kWritten;
    }
    if (o.version) {
        std::cout << "nimbrel-cjpeg " NIMBREL_VERSION "\n";
        return kWritten;
    }
    const std::string& in = o.files[0];
    const std::string& out = o.files[1];

    nimbrel::cJpeg jpeg;
    jpeg.Quality(o.quality);
    try {
        const std::vector<int>& f = o.sampling;
        jpeg.SetSamplingFrequencies(f[0], f[1], f[2], f[3], f[4], f[5]);
    } catch (const nimbrel::JpegError& e) {
        return Fail(kBadUsage, "--sampling: " + e.Description() +
                                   " (the first two must be 1 to 4; the last four all 0, or all 1 to 4)");
    }
    try {
        jpeg.Comment(o.comment);
    } catch (const nimbrel::JpegError& e) {
        return Fail(kBadUsage, "--comment: " + e.Description() + " (at most 65533 characters)");
    }

    Source source;
    std::string error;
    source.bitmap = gdi::LoadBitmapFile(in, &error);
    if (!source.bitmap) return Fail(kBadInput, error.empty() ? "cannot read " + in : error);
    const gdi::BitmapView view = gdi::GetBitmapView(source.bitmap);
    source.dc = gdi::CreateCompatibleDC(nullptr);
    if (source.dc) source.previous = gdi::SelectObject(source.dc, source.bitmap);
    if (!source.dc || !source.previous) return Fail(kEncodeFailed, "no drawing surface for " + in);

    try {
        if (jpeg.SampleHDC(source.dc, view.width, view.height, 0, 0) != 0)
            return Fail(kEncodeFailed, in + " (" + std::to_string(view.width) + " x " + std::to_string(view.height) +
                                           ") is too large to encode");
        switch (jpeg.SaveFile(out)) {
            case 0:
                return kWritten;
            case 2:
                return Fail(kOutputRefused, out + " exists; it is left as it is");
            default:
                return Fail(kOutputRefused, "cannot write '" + out + "'");
        }
    } catch (const nimbrel::JpegError& e) {
        if (IsFileError(e.Number())) return Fail(kOutputRefused, "cannot write the output: " + e.Description());
        return Fail(kEncodeFailed,
                    "cannot encode " + in + ": " + e.Description() + " (error " + std::to_string(e.Number()) + ")");
    }
}

// The JFIF file: segments assembled in memory in their fixed order, then
// written as a new file in one piece.
//
// The file appears under its name only when it is complete (it is written
// under a temporary name in the same folder and then linked to its name,
// which fails rather than replace anything), and an existing file of that
// name is never touched.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "jpeg/AnsiText.h"
#include "jpeg/JpegTables.h"
#include "jpeg/cJpeg.h"

namespace nimbrel {

using namespace jpeg_tables;

namespace {

constexpr const char* kCreditText =
    "JPEG Encoder Class\r\n"
    "Nimbrel baseline JPEG encoder\r\n"
    "Huffman tables optimised for each picture";

// A file error as the caller sees it: the number and text of the matching
// file error, with the path and the system's own words.
[[noreturn]] void FailFile(int err, const std::string& path) {
    int number = 75;
    const char* text = "Path/File access error";
    switch (err) {
        case ENOENT:
        case ENOTDIR:
            number = 76, text = "Path not found";
            break;
        case EACCES:
        case EPERM:
        case EROFS:
            number = 70, text = "Permission denied";
            break;
        case ENOSPC:
        case EDQUOT:
            number = 61, text = "Disk full";
            break;
        case ENAMETOOLONG:
            number = 52, text = "Bad file name or number";
            break;
        default:
            break;
    }
    throw JpegError(number, std::string(text) + ": " + path + " (" + std::strerror(err) + ")", err);
}

// A name that is taken by anything but a directory: a file, hidden or
// read-only ones included, or a link (a dangling one too).
bool FileExists(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) return false;
    struct stat target;
    return !(stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode));
}

// A name beside the file's own. Only the start of a long name is kept: a
// name near the longest the folder allows would otherwise leave no room for
// the additions, and a valid name would be refused as a bad one.
std::string TemporaryName(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    constexpr size_t kKeptNameBytes = 200;
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string base = (slash == std::string::npos ? path : path.substr(slash + 1)).substr(0, kKeptNameBytes);
    return folder + "." + base + "." + std::to_string(getpid()) + "." + std::to_string(counter++) + ".part";
}

void WriteAll(int fd, const uint8_t* data, size_t size, const std::string& path) {
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            FailFile(errno, path);
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
}

// Moves the finished temporary file to its name without replacing anything.
// Returns false when the name was taken in the meantime.
bool PublishWithoutReplacing(const std::string& temporary, const std::string& path) {
    if (link(temporary.c_str(), path.c_str()) == 0) return true;
    int err = errno;
    if (err == EPERM || err == EOPNOTSUPP || err == EXDEV || err == EMLINK) {
        // A file system without hard links.
        if (renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0) return true;
        err = errno;
    }
    if (err == EEXIST && FileExists(path)) return false;
    FailFile(err, path);
}

// 0 when written, 2 when a file of that name exists.
int32_t WriteNewFile(const std::string& path, const std::vector<uint8_t>& data) {
    // A temporary name left by a save that was killed (and whose process id
    // came round again) is passed over for the next one.
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        temporary = TemporaryName(path);
        fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && (errno != EEXIST || attempt >= 100)) FailFile(errno, path);
    }
    bool published = false;
    try {
        WriteAll(fd, data.data(), data.size(), path);
        // On the disk before it has its name: a power cut leaves no empty
        // picture under the name.
        if (fsync(fd) != 0) FailFile(errno, path);
        const int closing = fd;
        fd = -1;
        if (close(closing) != 0) FailFile(errno, path);
        published = PublishWithoutReplacing(temporary, path);
    } catch (...) {
        if (fd >= 0) close(fd);
        unlink(temporary.c_str());
        throw;
    }
    unlink(temporary.c_str());
    return published ? 0 : 2;
}

}  // namespace

void cJpeg::WriteMarker(uint8_t code) {
    PutByte(0xFF);
    PutByte(code);
}

void cJpeg::WriteJFIFHeader() {
    static constexpr uint8_t kApp0[18] = {0xFF, 0xE0, 0x00, 0x10, 'J',  'F',  'I',  'F',  0x00,
                                          0x01, 0x01, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00};
    EnsureRoom(sizeof kApp0);
    for (uint8_t b : kApp0) PutByte(b);
}

void cJpeg::WriteComment(const std::string& text) {
    if (text.empty()) return;
    WriteMarker(kCOM);
    PutWord(static_cast<uint32_t>(text.size() + 2));
    EnsureRoom(text.size());
    std::memcpy(buffer_.data() + position_, text.data(), text.size());
    position_ += text.size();
}

void cJpeg::WriteQuantizationTable(size_t segmentStart, int t) {
    if (position_ < segmentStart + 4) {
        position_ = segmentStart;
        WriteMarker(kDQT);
        PutWord(0);  // length, filled in below
    }
    // The quantizers the coefficients were made with, not the current ones.
    const int16_t* Q = sampledQ_[t];
    bool wide = false;
    for (int i = 0; i < 64; ++i) wide = wide || static_cast<uint16_t>(Q[i]) > 255;
    if (!wide) {
        PutByte(static_cast<uint8_t>(t));
        for (int i = 0; i < 64; ++i) PutByte(static_cast<uint8_t>(Q[i]));
    } else {
        if (P_ != 12) throw JpegError(jpeg_errors::kOwnCheck, "Illegal precission in Quantization Table");
        PutByte(static_cast<uint8_t>(0x10 + t));
        for (int i = 0; i < 64; ++i) PutWord(static_cast<uint16_t>(Q[i]));
    }
    const size_t length = position_ - segmentStart - 2;
    buffer_[segmentStart + 2] = static_cast<uint8_t>(length >> 8);
    buffer_[segmentStart + 3] = static_cast<uint8_t>(length);
}

void cJpeg::WriteHuffmanTable(size_t segmentStart, int t, bool ac) {
    if (position_ < segmentStart + 4) {
        position_ = segmentStart;
        WriteMarker(kDHT);
        PutWord(0);
    }
    const HuffmanTable& table = ac ? acTables_[t] : dcTables_[t];
    PutByte(static_cast<uint8_t>(t + (ac ? 0x10 : 0)));
    int symbols = 0;
    for (uint8_t n : table.BITS) {
        PutByte(n);
        symbols += n;
    }
    for (int k = 0; k < symbols; ++k) PutByte(table.HUFFVAL[k]);
    const size_t length = position_ - segmentStart - 2;
    buffer_[segmentStart + 2] = static_cast<uint8_t>(length >> 8);
    buffer_[segmentStart + 3] = static_cast<uint8_t>(length);
}

void cJpeg::WriteFrameHeader(uint8_t code) {
    // The frame header holds the size in two bytes each.
    if (X_ > 65535 || Y_ > 65535 || X_ < 0 || Y_ < 0)
        throw JpegError(jpeg_errors::kOverflow, jpeg_errors::kOverflowText);
    WriteMarker(code);
    PutWord(static_cast<uint32_t>(8 + 3 * Nf_));
    PutByte(static_cast<uint8_t>(P_));
    PutWord(static_cast<uint32_t>(Y_));
    PutWord(static_cast<uint32_t>(X_));
    PutByte(static_cast<uint8_t>(Nf_));
    for (const Component& c : components_) {
        PutByte(static_cast<uint8_t>(c.Id));
        PutByte(static_cast<uint8_t>(c.H * 16 + c.V));
        PutByte(static_cast<uint8_t>(c.Tq));
    }
}

int32_t cJpeg::SaveFile(const std::string& FileName) {
    if (FileName.empty()) return 1;
    if (FileExists(FileName)) return 2;

    // The buffer lives only during the call, whatever way it ends.
    struct Release {
        std::vector<uint8_t>& buffer;
        ~Release() { std::vector<uint8_t>().swap(buffer); }
    } release{buffer_};

    const int64_t estimate = OptimizeHuffmanTables(0, Nf_ - 1);
    const std::string comment = ansi_text::ToWindows1252(comment_);
    // The coded data with a margin of 30 %, the segments and the comment.
    const double n = std::nearbyint(static_cast<double>(estimate) * 1.3 + 1000.0 + static_cast<double>(comment.size()));
    size_t size = static_cast<size_t>(n) + 1;
    if (firstBufferLimit_ > 0) size = std::min(size, firstBufferLimit_);
    buffer_.assign(size, 0);
    position_ = 0;

    WriteMarker(kSOI);
    WriteJFIFHeader();
    WriteComment(comment);
    WriteComment(kCreditText);
    WriteQuantizationTable(position_, 0);
    if (Nf_ > 1) WriteQuantizationTable(position_, 1);
    WriteFrameHeader(kSOF0);
    WriteHuffmanTable(position_, 0, false);
    WriteHuffmanTable(position_, 0, true);
    if (Nf_ > 1) {
        WriteHuffmanTable(position_, 1, false);
        WriteHuffmanTable(position_, 1, true);
    }
    WriteScans(0, Nf_ - 1);
    WriteMarker(kEOI);
    buffer_.resize(position_);
    return WriteNewFile(FileName, buffer_);
}

}  // namespace nimbrel

// Whole-file reading and writing for modMisc. Text in memory is UTF-8; a file
// that is not valid UTF-8 was written in the old 8-bit code page
// (Windows-1252) and is converted on reading, so a degree sign stored as the
// single byte 0xB0 still loads; valid UTF-8 sequences beside it stay.
#include "base/TextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <string>
#include <utility>

#include "base/modMisc.h"

namespace nimbrel {
namespace {

// Length of the valid UTF-8 sequence that starts at p[i] (1 for ASCII), or 0
// when the byte there does not start one.
size_t ValidSequenceAt(const unsigned char* p, size_t n, size_t i) {
    const unsigned char c = p[i];
    if (c < 0x80) return 1;
    size_t len;
    uint32_t cp;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (i + len > n) return 0;
    for (size_t k = 1; k < len; ++k) {
        if ((p[i + k] & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (p[i + k] & 0x3F);
    }
    if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

// Offset of the first byte that is not part of valid UTF-8, or the size.
size_t FirstInvalidByte(const std::string& s) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const size_t n = s.size();
    size_t i = 0;
    while (i < n) {
        // Runs of ASCII are the common case; skip them eight bytes at a time.
        while (i + 8 <= n) {
            uint64_t w;
            std::memcpy(&w, p + i, 8);
            if (w & 0x8080808080808080ull) break;
            i += 8;
        }
        if (i >= n) break;
        const size_t len = ValidSequenceAt(p, n, i);
        if (len == 0) return i;
        i += len;
    }
    return n;
}

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Every valid UTF-8 sequence is kept as it is and only the bytes that are
// not part of one are read as Windows-1252: one stray byte (a hand edit in
// an old editor) must not turn every correct "°" of the file into "Â°".
std::string RepairFrom(std::string bytes, size_t first) {
    // 0x80..0x9F; the five unassigned bytes keep their C1 code points, as the
    // platform's own conversion does.
    static constexpr uint16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                           0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                           0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                           0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    std::string out;
    out.reserve(n + (n - first) / 4 + 16);
    out.append(bytes, 0, first);
    size_t i = first;
    while (i < n) {
        const size_t len = ValidSequenceAt(p, n, i);
        if (len > 0) {
            out.append(bytes, i, len);
            i += len;
            continue;
        }
        const unsigned char c = p[i++];
        AppendUtf8(out, c < 0xA0 ? kHigh[c - 0x80] : c);
    }
    return out;
}

std::string ErrorText(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

// Bytes [from, to) of the pieces and the closing CR LF, written at the same
// place of the file with as few calls as the system allows, straight from
// where they are (no copy into one buffer).
bool WriteRange(int fd, const TextPieces& pieces, size_t from, size_t to) {
    static const char kCrLf[] = "\r\n";
    std::vector<iovec> io;
    io.reserve(pieces.size() + 1);
    size_t at = 0;
    auto add = [&](const char* data, size_t size) {
        const size_t b = std::max(at, from), e = std::min(at + size, to);
        if (b < e) io.push_back({const_cast<char*>(data + (b - at)), e - b});
        at += size;
    };
    for (std::string_view p : pieces) add(p.data(), p.size());
    add(kCrLf, 2);
    size_t next = 0;
    off_t offset = static_cast<off_t>(from);
    while (next < io.size()) {
        const int count = static_cast<int>(std::min<size_t>(io.size() - next, IOV_MAX));
        ssize_t n = ::pwritev(fd, io.data() + next, count, offset);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        offset += n;
        while (n > 0 && next < io.size()) {
            const size_t step = std::min(static_cast<size_t>(n), io[next].iov_len);
            io[next].iov_base = static_cast<char*>(io[next].iov_base) + step;
            io[next].iov_len -= step;
            n -= static_cast<ssize_t>(step);
            if (io[next].iov_len == 0) ++next;
        }
    }
    return true;
}

size_t TotalSize(const TextPieces& pieces) {
    size_t n = 2;
    for (std::string_view p : pieces) n += p.size();
    return n;
}

}  // namespace

std::string ReadTextFile(const std::string& Path) {
    // Opened without blocking: a FIFO (or a device) of that name would
    // otherwise hold the caller in open() until a writer comes, for ever.
    // Only a regular file is read.
    const int fd = ::open(Path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) throw std::runtime_error(ErrorText("cannot open", Path));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        throw std::runtime_error("not a regular file: " + Path);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::string bytes;
    try {
        bytes.resize(static_cast<size_t>(st.st_size));
    } catch (...) {
        ::close(fd);
        throw;
    }
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const std::string msg = ErrorText("cannot read", Path);
            ::close(fd);
            throw std::runtime_error(msg);
        }
        if (n == 0) break;  // the file shrank while it was read
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    bytes.resize(got);
    return ToValidUtf8(std::move(bytes));
}

std::string ToValidUtf8(std::string bytes) {
    const size_t first = FirstInvalidByte(bytes);
    if (first == bytes.size()) return bytes;
    return RepairFrom(std::move(bytes), first);
}

namespace {

std::string Reason(int err) {
    return std::strerror(err);
}

// The file a save really writes: a symbolic link is followed to the file it
// names, so that the link stays a link and the linked file is the one kept up
// to date (a link whose target does not exist yet names the file to create).
std::string WriteTarget(const std::string& Path) {
    std::string target = Path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return target;
        std::string link(static_cast<size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
        if (n < 0 || static_cast<size_t>(n) >= link.size()) return target;
        link.resize(static_cast<size_t>(n));
        if (link.empty() || link[0] != '/') {
            const size_t slash = target.rfind('/');
            if (slash != std::string::npos) link = target.substr(0, slash + 1) + link;
        }
        target = link;
    }
    return target;
}

// What the caller's step before the rewrite may add to the old file.
constexpr off_t kRoomBefore = 256;

// Space for `size` bytes from the start of the file, reserved without
// changing the file's length where the file system allows it: a kill between
// the reservation and the write then leaves the old file exactly as it was.
int Reserve(int fd, off_t size) {
#ifdef FALLOC_FL_KEEP_SIZE
    if (::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, size) == 0) return 0;
    if (errno != EOPNOTSUPP && errno != ENOSYS) return errno;
#endif
    return ::posix_fallocate(fd, 0, size);
}

// A writable file in a folder that cannot take a new file: rewritten in its
// place. The space for the new text is reserved first, so that a full disk
// fails before a byte of the old text is touched; then the text is written
// over the old, flushed, and the file cut to the new length.
bool RewriteInPlace(const TextPieces& Pieces, const std::string& Path, std::string& error, InPlaceRewrite* how) {
    int fd = ::open(Path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0 && errno == EACCES) fd = ::open(Path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        error = Reason(errno);
        return false;
    }
    auto fail = [&](int err) {
        error = Reason(err);
        ::close(fd);
        return false;
    };
    struct stat st {};
    if (::fstat(fd, &st) != 0) return fail(errno);
    if (!S_ISREG(st.st_mode)) {
        error = "not a regular file";
        ::close(fd);
        return false;
    }
    TextPieces replaced;
    if (how && how->pieces) replaced = how->pieces(Pieces);
    const TextPieces& text = how && how->pieces ? replaced : Pieces;
    const off_t size = static_cast<off_t>(TotalSize(text));
    // Room for the new text and for whatever the caller adds to the old one
    // first, so that neither can fail half-way on a full disk.
    if (const int err = Reserve(fd, std::max<off_t>(size, st.st_size + kRoomBefore)); err != 0) return fail(err);
    if (how && how->before && !how->before(fd, st.st_size, error)) {
        ::close(fd);
        return false;
    }
    // What the new text adds beyond the old length goes first, and then the
    // rest over the old text from the start: a kill at any moment leaves a
    // file that still ends as the old one did or already ends as the new one
    // will, never one cut inside the new text's end, so a text that ends
    // with a check of itself is always told from a torn one.
    if (::fstat(fd, &st) != 0) return fail(errno);
    const size_t total = static_cast<size_t>(size);
    const size_t old = std::min(total, static_cast<size_t>(st.st_size));
    if (!WriteRange(fd, text, old, total) || !WriteRange(fd, text, 0, old)) return fail(errno);
    if (::ftruncate(fd, size) != 0 || ::fsync(fd) != 0) return fail(errno);
    if (::close(fd) != 0) {
        error = Reason(errno);
        return false;
    }
    if (how) how->used = true;
    return true;
}

}  // namespace

bool WriteTextFile(const std::string& Text, const std::string& Path) {
    std::string ignored;
    return WriteTextFile(Text, Path, ignored);
}

// The file is replaced, never rewritten in place: the text goes to a new file
// in the same folder, which is flushed to the disk and then renamed over the
// old one. A crash, a kill or a full disk at any moment leaves either the old
// file or the new one whole.
bool WriteTextFile(const std::string& Text, const std::string& RequestedPath, std::string& error) {
    return WriteTextPieces({Text}, RequestedPath, error);
}

bool ReadAt(int fd, char* out, size_t size, long long offset) {
    while (size > 0) {
        const ssize_t n = ::pread(fd, out, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        out += n;
        size -= static_cast<size_t>(n);
        offset += n;
    }
    return true;
}

bool WriteTextPieces(const TextPieces& Pieces, const std::string& RequestedPath, std::string& error,
                     InPlaceRewrite* inPlace) {
    FileReplacement replacement;
    if (!BeginTextPieces(Pieces, RequestedPath, error, inPlace, replacement)) return false;
    return !replacement.Pending() || replacement.Commit(error);
}

bool BeginTextPieces(const TextPieces& Pieces, const std::string& RequestedPath, std::string& error,
                     InPlaceRewrite* inPlace, FileReplacement& out) {
    error.clear();
    out = FileReplacement();
    if (inPlace) inPlace->used = false;
    if (RequestedPath.empty()) {
        error = "no file name";
        return false;
    }
    const std::string Path = WriteTarget(RequestedPath);
    // Only a regular file is ever replaced: a FIFO, a device or a folder
    // standing under that name is left alone.
    struct stat old {};
    const bool exists = ::stat(Path.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) {
        error = S_ISDIR(old.st_mode) ? "it is a folder" : "not a regular file";
        return false;
    }
    const size_t slash = Path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : Path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? Path : Path.substr(slash + 1);
    std::string tmp = (slash == std::string::npos ? std::string() : folder) + "." + name + ".XXXXXX";
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0) {
        const int err = errno;
        // The folder cannot take the temporary file, but the file itself may
        // still be writable: the only way left to save is in place.
        if (exists && (err == EACCES || err == EPERM)) return RewriteInPlace(Pieces, Path, error, inPlace);
        error = Reason(err);
        return false;
    }
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    // From here on the new file is removed again unless it is committed.
    out.fd_ = fd;
    out.tmp_ = tmp;
    out.path_ = Path;
    out.folder_ = folder;

    // Keep the permissions of the file being replaced; a new file gets the
    // usual ones for a document (0666 less the umask).
    if (exists) {
        ::fchmod(fd, old.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }

    if (!WriteRange(fd, Pieces, 0, TotalSize(Pieces))) {
        error = Reason(errno);
        out.Abandon();
        return false;
    }
    return true;
}

FileReplacement::FileReplacement(FileReplacement&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      tmp_(std::move(other.tmp_)),
      path_(std::move(other.path_)),
      folder_(std::move(other.folder_)) {}

FileReplacement& FileReplacement::operator=(FileReplacement&& other) noexcept {
    if (this != &other) {
        Abandon();
        fd_ = std::exchange(other.fd_, -1);
        tmp_ = std::move(other.tmp_);
        path_ = std::move(other.path_);
        folder_ = std::move(other.folder_);
    }
    return *this;
}

FileReplacement::~FileReplacement() {
    Abandon();
}

void FileReplacement::Abandon() {
    if (fd_ < 0) return;
    ::close(fd_);
    ::unlink(tmp_.c_str());
    fd_ = -1;
}

bool FileReplacement::Commit(std::string& error) {
    if (fd_ < 0) {
        error = "nothing to save";
        return false;
    }
    const int fd = std::exchange(fd_, -1);
    // The new text reaches the disk before its name does: renamed first, a
    // crash could leave the name on a file whose blocks were never written.
    bool ok = ::fsync(fd) == 0;
    int err = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && ::rename(tmp_.c_str(), path_.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(tmp_.c_str());
        error = Reason(err);
        return false;
    }
    // Make the rename itself durable.
    const int dir = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

}  // namespace nimbrel

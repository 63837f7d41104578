#include "store/SettingsFile.h"

#include <unistd.h>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <stdexcept>

#include "base/TextFile.h"
#include "base/modMisc.h"

namespace nimbrel {
namespace {

constexpr size_t kChunk = 128 * 1024;
// What a rewrite in place leaves at the very end of the file.
constexpr std::string_view kCheckTail = "</check>\r\n</nimbrel>\r\n";

std::runtime_error ReadError(const std::string& path) {
    return std::runtime_error("cannot read " + path + ": " + std::strerror(errno));
}

// The head of a long piece ends before a character that it would split.
size_t HeadEnd(const std::string& raw, size_t limit) {
    size_t end = std::min(limit, raw.size());
    if (end == raw.size()) return end;
    for (int k = 0; k < 4 && end > 0 && (static_cast<unsigned char>(raw[end]) & 0xC0) == 0x80; ++k) --end;
    return end;
}

// The "," in a stretch of bytes, sixteen at a time where the processor has
// the instructions for it (every x86-64 has), eight at a time elsewhere: the
// count is most of what a read of a long file costs.
uint64_t CountCommas(const char* data, size_t n) {
    uint64_t count = 0;
    size_t i = 0;
#ifdef __SSE2__
    const __m128i comma = _mm_set1_epi8(',');
    while (i + 16 <= n) {
        // Up to 255 blocks add up in the eight-bit lanes before they are summed.
        __m128i lanes = _mm_setzero_si128();
        const size_t blocks = std::min<size_t>((n - i) / 16, 255);
        for (size_t b = 0; b < blocks; ++b, i += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
            lanes = _mm_sub_epi8(lanes, _mm_cmpeq_epi8(v, comma));
        }
        const __m128i sums = _mm_sad_epu8(lanes, _mm_setzero_si128());
        count += static_cast<uint64_t>(_mm_cvtsi128_si64(sums)) +
                 static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums)));
    }
#else
    constexpr uint64_t kOnes = 0x0101010101010101ull, kLow7 = 0x7f7f7f7f7f7f7f7full;
    for (; i + 8 <= n; i += 8) {
        uint64_t w;
        std::memcpy(&w, data + i, 8);
        const uint64_t x = w ^ (kOnes * ',');
        // The high bit of each byte of x that is zero.
        const uint64_t zero = ~(((x & kLow7) + kLow7) | x | kLow7);
        count += static_cast<uint64_t>(__builtin_popcountll(zero));
    }
#endif
    for (; i < n; ++i) count += data[i] == ',';
    return count;
}

uint64_t Mix(uint64_t h) {
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ull;
    h ^= h >> 33;
    return h;
}

// The check at the end of the file: where it begins and the hash it names.
bool ParseCheckTail(std::string_view tail, long long fileSize, long long& length, uint64_t& hash) {
    if (tail.size() < kCheckTail.size() || tail.substr(tail.size() - kCheckTail.size()) != kCheckTail) return false;
    const size_t open = tail.rfind(kCheckOpen);
    if (open == std::string_view::npos) return false;
    const std::string_view value =
        tail.substr(open + kCheckOpen.size(), tail.size() - kCheckTail.size() - open - kCheckOpen.size());
    const size_t space = value.find(' ');
    if (space == std::string_view::npos) return false;
    const auto a = std::from_chars(value.data(), value.data() + space, length);
    const auto b = std::from_chars(value.data() + space + 1, value.data() + value.size(), hash, 16);
    if (a.ec != std::errc() || a.ptr != value.data() + space || b.ec != std::errc() ||
        b.ptr != value.data() + value.size())
        return false;
    return length == fileSize - static_cast<long long>(tail.size() - open);
}

bool HashOfFile(int fd, long long length, uint64_t& hash) {
    TextHash h;
    std::string buf(kChunk, '\0');
    for (long long at = 0; at < length;) {
        const size_t n = static_cast<size_t>(std::min<long long>(length - at, static_cast<long long>(kChunk)));
        if (!ReadAt(fd, buf.data(), n, at)) return false;
        h.Add(std::string_view(buf.data(), n));
        at += static_cast<long long>(n);
    }
    hash = h.Value();
    return true;
}

std::string Tail(int fd, long long size, size_t most) {
    const size_t n = static_cast<size_t>(std::min<long long>(size, static_cast<long long>(most)));
    std::string tail(n, '\0');
    if (!ReadAt(fd, tail.data(), n, size - static_cast<long long>(n))) return {};
    return tail;
}

}  // namespace

// Eight bytes at a time, each word taken with the lowest address as its
// lowest byte, so the value is the same on every machine.
void TextHash::Add(std::string_view bytes) {
    length_ += bytes.size();
    auto step = [this](uint64_t w) {
        h_ = (h_ ^ w) * 0x9e3779b97f4a7c15ull;
        h_ ^= h_ >> 29;
    };
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    size_t n = bytes.size();
    for (; carried_ > 0 && n > 0; --n) {
        carry_ |= static_cast<uint64_t>(*p++) << (8 * carried_);
        if (++carried_ == 8) {
            step(carry_);
            carry_ = 0;
            carried_ = 0;
        }
    }
    for (; n >= 8; p += 8, n -= 8) {
        uint64_t w = 0;
        for (int k = 7; k >= 0; --k) w = (w << 8) | p[k];
        step(w);
    }
    for (; n > 0; --n) carry_ |= static_cast<uint64_t>(*p++) << (8 * carried_++);
}

uint64_t TextHash::Value() const {
    return Mix(h_ ^ Mix(carry_ + carried_) ^ (length_ * 0x94d049bb133111ebull));
}

std::string CheckEntry(uint64_t length, uint64_t hash) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, length);
    *r.ptr++ = ' ';
    // Sixteen digits always: the entry has one length for every hash.
    char hex[17];
    auto h = std::to_chars(hex, hex + 16, hash, 16);
    const size_t digits = static_cast<size_t>(h.ptr - hex);
    std::memset(r.ptr, '0', 16 - digits);
    std::memcpy(r.ptr + (16 - digits), hex, digits);
    r.ptr += 16;
    return std::string(kCheckOpen) + std::string(buf, r.ptr) + std::string(kCheckClose);
}

SettingsOutline ReadSettingsOutline(int fd, const std::string& path) {
    SettingsOutline out;
    std::string buf(kChunk, '\0');
    std::string piece;  // the raw head of the piece being read
    long long pieceStart = 0;
    uint64_t pieceCommas = 0;
    long long pieceLength = 0;
    auto finish = [&](long long end) {
        if (pieceLength == 0) return;
        if (static_cast<size_t>(pieceLength) <= kPieceKept) {
            out.text += ToValidUtf8(std::move(piece));
        } else {
            SettingsOutline::LongPiece p;
            p.textStart = out.text.size();
            piece.resize(HeadEnd(piece, kPieceKept));
            // The end of the piece too: a value cut in its middle still
            // gives its last fields (the time after an overlong field of a
            // reading), and the middle is what a bound removes anyway.
            const long long tailFrom =
                std::max(pieceStart + static_cast<long long>(piece.size()), end - static_cast<long long>(kPieceKept));
            std::string tail(static_cast<size_t>(end - tailFrom), '\0');
            if (!ReadAt(fd, tail.data(), tail.size(), tailFrom)) tail.clear();
            size_t skip = 0;
            while (skip < 3 && skip < tail.size() && (static_cast<unsigned char>(tail[skip]) & 0xC0) == 0x80) ++skip;
            piece.append(tail, skip, std::string::npos);
            out.text += ToValidUtf8(std::move(piece));
            p.textEnd = out.text.size();
            p.fileStart = pieceStart;
            p.fileEnd = end;
            p.commas = pieceCommas;
            out.longPieces.push_back(p);
        }
        piece.clear();
        pieceCommas = 0;
        pieceLength = 0;
        pieceStart = end;
    };
    auto add = [&](const char* data, size_t n) {
        pieceCommas += CountCommas(data, n);
        if (piece.size() <= kPieceKept) piece.append(data, std::min(n, kPieceKept + 1 - piece.size()));
        pieceLength += static_cast<long long>(n);
    };
    long long at = 0;
    for (;;) {
        ssize_t n = ::pread(fd, buf.data(), buf.size(), at);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw ReadError(path);
        if (n == 0) break;
        const char* p = buf.data();
        const char* end = p + n;
        while (p < end) {
            const char* lt = static_cast<const char*>(std::memchr(p, '<', static_cast<size_t>(end - p)));
            if (!lt) {
                add(p, static_cast<size_t>(end - p));
                break;
            }
            add(p, static_cast<size_t>(lt - p));
            finish(at + (lt - buf.data()));
            if (out.text.size() > kOutlineLimit) break;
            add(lt, 1);
            p = lt + 1;
        }
        at += n;
        if (out.text.size() > kOutlineLimit) {
            out.cutShort = true;
            break;
        }
    }
    if (!out.cutShort) finish(at);
    out.fileSize = at;

    out.claimsCheck = out.text.find(kCheckOpen) != std::string::npos || out.text.find(kCheckClose) != std::string::npos;
    if (out.claimsCheck && !out.cutShort) {
        long long length = 0;
        uint64_t hash = 0, actual = 0;
        out.checkHolds =
            ParseCheckTail(Tail(fd, at, 128), at, length, hash) && HashOfFile(fd, length, actual) && actual == hash;
    }
    return out;
}

uint64_t StoredList::Entries() const {
    if (inFile) return to > from ? commas + 1 : 0;
    return inOutline.empty() ? 0 : static_cast<uint64_t>(std::count(inOutline.begin(), inOutline.end(), ',')) + 1;
}

void TrimCutList(int fd, StoredList& list, bool dropLast) {
    auto trailing = [](char c) { return c == ',' || c == '\r' || c == '\n'; };
    if (!list.inFile) {
        std::string_view& v = list.inOutline;
        if (dropLast) {
            const size_t comma = v.rfind(',');
            v = v.substr(0, comma == std::string_view::npos ? 0 : comma);
        }
        while (!v.empty() && trailing(v.back())) v.remove_suffix(1);
        return;
    }
    std::string buf;
    bool dropping = dropLast;
    while (list.to > list.from) {
        const size_t len = static_cast<size_t>(std::min<long long>(list.to - list.from, 4096));
        buf.resize(len);
        if (!ReadAt(fd, buf.data(), len, list.to - static_cast<long long>(len))) {
            list.to = list.from;
            break;
        }
        size_t i = len;
        while (i > 0 && (dropping ? buf[i - 1] != ',' : trailing(buf[i - 1]))) --i;
        if (dropping && i > 0) {
            dropping = false;  // the "," itself goes with the trailing ones
        }
        for (size_t k = i; k < len; ++k) list.commas -= buf[k] == ',' ? 1 : 0;
        list.to -= static_cast<long long>(len - i);
        if (i > 0 && !dropping && !trailing(buf[i - 1])) break;
    }
    if (list.to <= list.from) list.commas = 0;
}

std::string ListEntries(int fd, const StoredList& list, uint64_t first, uint64_t last, size_t maxEntry) {
    const uint64_t n = list.Entries();
    last = std::min(last, n);
    if (first >= last) return {};
    // The k-th "," from the end ends entry n-k-1; entry `last` begins after
    // the (n-last)-th and entry `first` after the (n-first)-th.
    const uint64_t endComma = n - last, startComma = n - first;
    const long long from = list.inFile ? list.from : 0;
    const long long to = list.inFile ? list.to : static_cast<long long>(list.inOutline.size());
    long long endAt = endComma == 0 ? to : -1;
    long long startAt = first == 0 ? from : -1;
    std::string buf;
    uint64_t seen = 0;
    for (long long pos = to; pos > from && (endAt < 0 || startAt < 0);) {
        const size_t len = static_cast<size_t>(std::min<long long>(pos - from, static_cast<long long>(kChunk)));
        pos -= static_cast<long long>(len);
        const char* data;
        if (list.inFile) {
            buf.resize(len);
            if (!ReadAt(fd, buf.data(), len, pos)) break;
            data = buf.data();
        } else {
            data = list.inOutline.data() + pos;
        }
        const uint64_t here = CountCommas(data, len);
        const uint64_t wanted = endAt < 0 ? endComma : startComma;
        if (seen + here < wanted) {
            seen += here;
            continue;
        }
        for (size_t i = len; i > 0;) {
            const void* q = ::memrchr(data, ',', i);
            if (!q) break;
            i = static_cast<size_t>(static_cast<const char*>(q) - data);
            ++seen;
            if (endAt < 0 && seen == endComma) endAt = pos + static_cast<long long>(i);
            if (startAt < 0 && seen == startComma) {
                startAt = pos + static_cast<long long>(i) + 1;
                break;
            }
        }
    }
    if (endAt < 0) return {};
    if (startAt < 0) startAt = from;
    const uint64_t most = (last - first) * (std::min<uint64_t>(maxEntry, 1u << 20) + 1);
    if (static_cast<uint64_t>(endAt - startAt) <= most) {
        if (!list.inFile)
            return std::string(
                list.inOutline.substr(static_cast<size_t>(startAt), static_cast<size_t>(endAt - startAt)));
        std::string out(static_cast<size_t>(endAt - startAt), '\0');
        if (!ReadAt(fd, out.data(), out.size(), startAt)) return {};
        return ToValidUtf8(std::move(out));
    }
    // Some entry is longer than any real one: each is taken only up to
    // maxEntry bytes, so an overlong one is never held whole.
    std::string out;
    out.reserve(static_cast<size_t>(most));
    size_t run = 0;
    for (long long pos = startAt; pos < endAt;) {
        const size_t len = static_cast<size_t>(std::min<long long>(endAt - pos, static_cast<long long>(kChunk)));
        const char* data;
        if (list.inFile) {
            buf.resize(len);
            if (!ReadAt(fd, buf.data(), len, pos)) return {};
            data = buf.data();
        } else {
            data = list.inOutline.data() + pos;
        }
        for (size_t i = 0; i < len; ++i) {
            if (data[i] == ',') {
                out += ',';
                run = 0;
            } else if (run++ < maxEntry) {
                out += data[i];
            }
        }
        pos += static_cast<long long>(len);
    }
    return ToValidUtf8(std::move(out));
}

bool AddCheckToFile(int fd, long long size, std::string& error) {
    TextHash h;
    std::string buf(kChunk + 8, '\0');
    size_t carried = 0;  // the last bytes of the chunk before, to find a name split between two
    for (long long at = 0; at < size;) {
        const size_t n = static_cast<size_t>(std::min<long long>(size - at, static_cast<long long>(kChunk)));
        if (!ReadAt(fd, buf.data() + carried, n, at)) {
            error = std::strerror(errno ? errno : EIO);
            return false;
        }
        const std::string_view seen(buf.data(), carried + n);
        if (seen.find("check>") != std::string_view::npos) return true;
        h.Add(seen.substr(carried));
        carried = std::min<size_t>(seen.size(), 5);
        std::memmove(buf.data(), buf.data() + seen.size() - carried, carried);
        at += static_cast<long long>(n);
    }
    std::string add;
    const std::string last = Tail(fd, size, 2);
    if (size > 0 && last != "\r\n") add = "\r\n";
    add += "<nimbrel>\r\n";
    h.Add(add);
    add += CheckEntry(static_cast<uint64_t>(size) + add.size(), h.Value());
    add += "\r\n</nimbrel>\r\n";
    for (size_t done = 0; done < add.size();) {
        const ssize_t w = ::pwrite(fd, add.data() + done, add.size() - done, size + static_cast<long long>(done));
        if (w < 0 && errno == EINTR) continue;
        if (w < 0) {
            error = std::strerror(errno);
            return false;
        }
        done += static_cast<size_t>(w);
    }
    if (::fsync(fd) != 0) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace nimbrel

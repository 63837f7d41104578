#include "jpeg/AnsiText.h"

#include <cstdint>

namespace nimbrel::ansi_text {
namespace {

// Decodes one character at i; returns its code point (or -1 for an invalid
// byte) and advances i past it.
int32_t NextCharacter(const std::string& s, size_t& i) {
    const auto byte = [&](size_t k) { return static_cast<uint8_t>(s[k]); };
    const uint8_t b0 = byte(i);
    int need = 0;
    int32_t cp = 0, min = 0;
    if (b0 < 0x80) {
        ++i;
        return b0;
    } else if ((b0 & 0xE0) == 0xC0) {
        need = 1, cp = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        need = 2, cp = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        need = 3, cp = b0 & 0x07, min = 0x10000;
    } else {
        ++i;
        return -1;
    }
    if (i + need >= s.size()) {  // the sequence is cut off
        ++i;
        return -1;
    }
    for (int k = 1; k <= need; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            ++i;
            return -1;
        }
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return -1;
    }
    i += need + 1;
    return cp;
}

// Windows-1252 bytes 0x80..0x9F; 0 marks the five unassigned ones.
constexpr uint16_t kHighControls[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                        0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char ToByte(int32_t cp) {
    if (cp < 0) return '?';
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
    for (int k = 0; k < 32; ++k)
        if (kHighControls[k] != 0 && kHighControls[k] == cp) return static_cast<char>(0x80 + k);
    return '?';
}

}  // namespace

size_t CharacterCount(const std::string& utf8) {
    size_t n = 0;
    for (size_t i = 0; i < utf8.size(); ++n) NextCharacter(utf8, i);
    return n;
}

std::string ToWindows1252(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) out.push_back(ToByte(NextCharacter(utf8, i)));
    return out;
}

}  // namespace nimbrel::ansi_text

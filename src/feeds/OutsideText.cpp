#include "feeds/OutsideText.h"

namespace nimbrel {
namespace {

constexpr const char* kHex = "0123456789ABCDEF";

bool IsContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

void AppendHex(std::string& out, const char* prefix, unsigned value) {
    out += prefix;
    out += kHex[(value >> 4) & 15];
    out += kHex[value & 15];
}

}  // namespace

std::string CutUtf8(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return std::string(text);
    std::size_t end = maxBytes;
    // Back to the lead byte of the character the cut falls in; a character
    // is at most four bytes, so a run of stray continuation bytes (not
    // UTF-8 at all) is cut where it is.
    for (std::size_t back = 0; back < 4 && end > 0 && IsContinuation(static_cast<unsigned char>(text[end])); ++back)
        --end;
    if (IsContinuation(static_cast<unsigned char>(text[end]))) end = maxBytes;
    return std::string(text.substr(0, end));
}

std::string EscapeControls(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            AppendHex(out, "\\x", c);
        } else if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            AppendHex(out, "\\u00", static_cast<unsigned char>(text[++i]));
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

}  // namespace nimbrel

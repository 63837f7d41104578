#include "feeds/FeedText.h"

#include "base/modMisc.h"

namespace nimbrel {

std::string Between(const std::string& from, const std::string& to, const std::string& text) {
    int32_t start = 1;
    return ExtractBetween(from, to, text, start, false);
}

std::string TrimBlanks(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

std::string ReplaceAll(std::string text, const std::string& find, const std::string& with) {
    if (find.empty()) return text;
    std::string out;
    out.reserve(text.size());
    std::size_t from = 0;
    for (std::size_t at; (at = text.find(find, from)) != std::string::npos; from = at + find.size()) {
        out.append(text, from, at - from);
        out += with;
    }
    out.append(text, from, std::string::npos);
    return out;
}

std::string StoredFieldText(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        switch (c) {
            case ',':
                c = ';';
                break;
            case '\r':
            case '\n':
                c = ' ';
                break;
            case '<':
                c = '(';
                break;
            case '>':
                c = ')';
                break;
            default:
                break;
        }
    }
    return out;
}

int16_t RoundedLeadingNumber(const std::string& text) {
    return RoundToInt16(Val(text));
}

}  // namespace nimbrel

#include "base/modMisc.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>

namespace nimbrel {
namespace {

char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    return true;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// Case-insensitive search. The markers of the settings file and the feeds
// start with "<" or another non-letter, so the first byte can be found with
// memchr and only the candidates are compared in full.
size_t FindIgnoreCase(std::string_view text, std::string_view find, size_t from) {
    if (find.empty()) return from <= text.size() ? from : std::string_view::npos;
    if (from >= text.size() || find.size() > text.size() - from) return std::string_view::npos;
    const char first = find[0];
    const char lower = FoldAscii(first);
    const char upper = (lower >= 'a' && lower <= 'z') ? static_cast<char>(lower - 'a' + 'A') : lower;
    const size_t last = text.size() - find.size();
    size_t i = from;
    while (i <= last) {
        const char* base = text.data() + i;
        const size_t span = last - i + 1;
        const char* a = static_cast<const char*>(std::memchr(base, lower, span));
        const char* hit = a;
        if (upper != lower) {
            const char* b =
                static_cast<const char*>(std::memchr(base, upper, a ? static_cast<size_t>(a - base) : span));
            if (b) hit = b;
        }
        if (!hit) return std::string_view::npos;
        const size_t pos = static_cast<size_t>(hit - text.data());
        if (SameIgnoreCase(text.substr(pos + 1, find.size() - 1), find.substr(1))) return pos;
        i = pos + 1;
    }
    return std::string_view::npos;
}

// The whole text must be the number: blanks around it, an optional sign,
// digits with an optional decimal point, and an optional exponent.
bool ParseWholeNumber(std::string_view text, double& out) {
    size_t b = 0, e = text.size();
    while (b < e && IsBlank(text[b])) ++b;
    while (e > b && IsBlank(text[e - 1])) --e;
    std::string_view t = text.substr(b, e - b);
    if (t.empty()) return false;
    bool negative = false;
    if (t[0] == '+' || t[0] == '-') {
        negative = t[0] == '-';
        t.remove_prefix(1);
    }
    size_t i = 0, digits = 0;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++digits;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        size_t j = i + 1;
        if (j < t.size() && (t[j] == '+' || t[j] == '-')) ++j;
        size_t expDigits = 0;
        while (j < t.size() && t[j] >= '0' && t[j] <= '9') ++j, ++expDigits;
        if (expDigits == 0) return false;
        i = j;
    }
    if (i != t.size()) return false;
    double v = 0;
    const auto res = std::from_chars(t.data(), t.data() + t.size(), v);
    if (res.ec == std::errc::result_out_of_range) {
        v = std::numeric_limits<double>::infinity();
    } else if (res.ec != std::errc() || res.ptr != t.data() + t.size()) {
        return false;
    }
    out = negative ? -v : v;
    return true;
}

int32_t IntegerPart(const std::string& text) {
    return CLngText(text);
}

// Position of Delimiter in Text with one Delimiter appended, searching from
// `from`, without building that text. A delimiter that overlaps itself ("::")
// can begin in Text's last characters and end in the appended one; the
// appended delimiter itself is always found at Text.size().
size_t FindInAppended(const std::string& Text, const std::string& Delimiter, size_t from) {
    if (from > Text.size()) return std::string::npos;
    const size_t q = Text.find(Delimiter, from);
    if (q != std::string::npos) return q;
    const size_t d = Delimiter.size();
    for (size_t i = std::max(from, Text.size() >= d ? Text.size() - d + 1 : 0); i < Text.size(); ++i) {
        // The last `tail` characters of Text, then the start of the appended
        // delimiter, must spell the delimiter.
        const size_t tail = Text.size() - i;
        if (Text.compare(i, tail, Delimiter, 0, tail) == 0 &&
            Delimiter.compare(tail, d - tail, Delimiter, 0, d - tail) == 0)
            return i;
    }
    return Text.size();
}

}  // namespace

int32_t InStr(int32_t Start, const std::string& Text, const std::string& Find, bool CaseSensitive) {
    if (Start < 1) Start = 1;
    if (Text.empty()) return 0;
    const size_t from = static_cast<size_t>(Start) - 1;
    if (from > Text.size()) return 0;
    size_t pos;
    if (CaseSensitive)
        pos = Text.find(Find, from);
    else
        pos = FindIgnoreCase(Text, Find, from);
    if (pos == std::string::npos || pos >= static_cast<size_t>(std::numeric_limits<int32_t>::max())) return 0;
    return static_cast<int32_t>(pos) + 1;
}

std::string ExtractBetween(const std::string& StartText, const std::string& EndText, const std::string& Text,
                           int32_t& Start, bool CaseSensitive) {
    if (Start == 0) Start = 1;
    const int32_t p = InStr(Start, Text, StartText, CaseSensitive);
    if (p == 0) return {};
    const int64_t c = static_cast<int64_t>(p) + static_cast<int64_t>(StartText.size());
    if (c > static_cast<int64_t>(Text.size()) + 1) return {};
    const int32_t q = InStr(static_cast<int32_t>(c), Text, EndText, CaseSensitive);
    if (q == 0) return {};
    return Text.substr(static_cast<size_t>(c - 1), static_cast<size_t>(q - c));
}

int32_t CountOccurrences(const std::string& Text, const std::string& Find) {
    if (Text.empty() || Find.empty()) return 0;
    int32_t n = 0;
    for (size_t p = Text.find(Find); p != std::string::npos; p = Text.find(Find, p + 1)) {
        if (n == std::numeric_limits<int32_t>::max()) break;
        ++n;
    }
    return n;
}

std::string GetField(const std::string& Text, const std::string& Delimiter, int16_t Index) {
    if (Index < 1) return {};
    if (Delimiter.empty()) return Index == 1 ? Text : std::string();
    const int32_t n = CountOccurrences(Text, Delimiter);
    if (n < Index - 1) return {};
    size_t start = 0;
    for (int k = 1; k < Index; ++k) {
        const size_t q = FindInAppended(Text, Delimiter, start);
        if (q == std::string::npos) return {};
        start = q + Delimiter.size();
    }
    // A field that starts at the appended delimiter is empty; one that would
    // start inside it (only an overlapping delimiter gets there) holds
    // nothing of Text either.
    if (start >= Text.size()) return {};
    return Text.substr(start, FindInAppended(Text, Delimiter, start) - start);
}

std::string AddBackslash(const std::string& Path) {
    if (!Path.empty() && Path.back() == '/') return Path;
    return Path + "/";
}

DateTime ParseDateTime(const std::string& Text, bool DateOnly) {
    if (Text.empty() || Text.find('/') == std::string::npos) return 0.0;
    std::string datePart = Text;
    int32_t hour = 0, minute = 0, second = 0;
    if (Text.find(' ') != std::string::npos) {
        const std::string timePart = GetField(Text, " ", 2);
        datePart = GetField(Text, " ", 1);
        hour = IntegerPart(GetField(timePart, ":", 1));
        minute = IntegerPart(GetField(timePart, ":", 2));
        second = IntegerPart(GetField(timePart, ":", 3));
    }
    const int32_t day = IntegerPart(GetField(datePart, "/", 1));
    const int32_t month = IntegerPart(GetField(datePart, "/", 2));
    int32_t year = IntegerPart(GetField(datePart, "/", 3));
    // Two-digit years follow the usual window of the platform's date serial.
    if (year >= 0 && year < 30)
        year += 2000;
    else if (year >= 30 && year < 100)
        year += 1900;
    const DateTime date = DateSerial(year, month, day);
    const int resultYear = Decode(date).year;
    if (resultYear < 100 || resultYear > 9999)
        throw ConversionError("date out of range: " + Text.substr(0, std::min<size_t>(Text.size(), 64)));
    if (DateOnly) return date;
    return Encode(CivilTime{Decode(date).year, Decode(date).month, Decode(date).day, hour, minute, second});
}

DateTime StripTime(DateTime Value) {
    return DatePart(Value);
}

DateTime ParseTime(const std::string& Text) {
    const int32_t hour = IntegerPart(GetField(Text, ":", 1));
    const int32_t minute = IntegerPart(GetField(Text, ":", 2));
    const int32_t second = CountOccurrences(Text, ":") > 1 ? IntegerPart(GetField(Text, ":", 3)) : 0;
    return TimeSerial(hour, minute, second);
}

int16_t RoundToInt16(double Value) {
    if (std::isnan(Value)) return 0;
    const double r = RoundHalfEven(Value);
    if (r >= std::numeric_limits<int16_t>::max()) return std::numeric_limits<int16_t>::max();
    if (r <= std::numeric_limits<int16_t>::min()) return std::numeric_limits<int16_t>::min();
    return static_cast<int16_t>(r);
}

std::string CollapseDelimiters(const std::string& Text, const std::string& Delimiter, bool TrimEnds) {
    if (Delimiter.empty()) return Text;
    std::string result;
    if (Text.find(Delimiter + Delimiter) == std::string::npos) {
        result = Text;
    } else {
        result.reserve(Text.size());
        const size_t d = Delimiter.size();
        size_t i = 0;
        while (i < Text.size()) {
            if (Text.compare(i, d, Delimiter) == 0) {
                result += Delimiter;
                while (Text.compare(i, d, Delimiter) == 0) i += d;
            } else {
                result += Text[i++];
            }
        }
    }
    // Trimming applies whether or not anything was collapsed: ",12" gives "12".
    if (TrimEnds) {
        const size_t d = Delimiter.size();
        if (result.size() >= d && SameIgnoreCase(std::string_view(result).substr(result.size() - d), Delimiter))
            result.erase(result.size() - d);
        if (result.size() >= d && SameIgnoreCase(std::string_view(result).substr(0, d), Delimiter)) result.erase(0, d);
    }
    return result;
}

int16_t DayDistance(const std::string& FromDay, const std::string& ToDay, bool Backwards) {
    static const char* const kDays[8] = {"",         "Monday", "Tuesday",  "Wednesday",
                                         "Thursday", "Friday", "Saturday", "Sunday"};
    if (EqualsIgnoreCase(FromDay, ToDay)) return 0;
    int i = 0;
    for (int k = 1; k <= 7; ++k)
        if (EqualsIgnoreCase(FromDay, kDays[k])) {
            i = k;
            break;
        }
    for (int k = 0; k <= 6; ++k) {
        int pos = Backwards ? i - k : i + k;
        if (pos <= 0) pos += 7;
        if (pos > 7) pos -= 7;
        if (EqualsIgnoreCase(kDays[pos], ToDay)) return static_cast<int16_t>(k);
    }
    return 0;
}

int32_t CLngText(const std::string& Text) {
    double v = 0;
    if (!ParseWholeNumber(Text, v)) throw ConversionError("not a number: \"" + Text.substr(0, 64) + "\"");
    const double r = RoundHalfEven(v);
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) throw ConversionError("number out of range: " + Text.substr(0, 64));
    return static_cast<int32_t>(r);
}

double Val(const std::string& Text) {
    // Blanks are skipped anywhere in the leading number ("1 2" is 12), so a
    // number that a stray blank split still reads whole.
    std::string digits;
    size_t i = 0;
    auto skip = [&] {
        while (i < Text.size() && IsBlank(Text[i])) ++i;
    };
    skip();
    if (i < Text.size() && (Text[i] == '+' || Text[i] == '-')) digits += Text[i++];
    bool any = false, dot = false;
    for (;;) {
        skip();
        if (i >= Text.size()) break;
        const char c = Text[i];
        if (c >= '0' && c <= '9') {
            digits += c;
            any = true;
            ++i;
        } else if (c == '.' && !dot) {
            digits += c;
            dot = true;
            ++i;
        } else {
            break;
        }
    }
    if (!any) return 0.0;
    skip();
    if (i < Text.size() && (Text[i] == 'e' || Text[i] == 'E' || Text[i] == 'd' || Text[i] == 'D')) {
        std::string exp = "e";
        size_t j = i + 1;
        while (j < Text.size() && IsBlank(Text[j])) ++j;
        if (j < Text.size() && (Text[j] == '+' || Text[j] == '-')) exp += Text[j++];
        bool expAny = false;
        while (j < Text.size() && ((Text[j] >= '0' && Text[j] <= '9') || IsBlank(Text[j]))) {
            if (!IsBlank(Text[j])) {
                exp += Text[j];
                expAny = true;
            }
            ++j;
        }
        if (expAny) digits += exp;
    }
    double v = 0;
    ParseWholeNumber(digits, v);
    return v;
}

double CDblText(const std::string& Text) {
    double v = 0;
    if (!ParseWholeNumber(Text, v)) throw ConversionError("not a number: \"" + Text.substr(0, 64) + "\"");
    return v;
}

std::string LowerAscii(std::string Text) {
    for (char& c : Text) c = FoldAscii(c);
    return Text;
}

std::string UpperAscii(std::string Text) {
    for (char& c : Text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return Text;
}

bool EqualsIgnoreCase(std::string_view A, std::string_view B) {
    return SameIgnoreCase(A, B);
}

}  // namespace nimbrel

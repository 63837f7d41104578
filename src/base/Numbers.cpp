#include "base/Numbers.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace nimbrel {

std::string FormatFixed(double value, int decimals) {
    if (!std::isfinite(value)) return "0";
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    // A finite double of any size fits in 64 characters only up to about
    // 1e45 with decimals; beyond that the shortest form is as good.
    if (r.ec != std::errc()) {
        const auto s = std::to_chars(buf, buf + sizeof buf, value);
        return std::string(buf, s.ptr);
    }
    return std::string(buf, r.ptr);
}

std::string FormatShortest(double value, int maxDecimals) {
    std::string s = FormatFixed(value, maxDecimals);
    if (s.find('.') != std::string::npos) {
        while (!s.empty() && s.back() == '0') s.pop_back();
        if (!s.empty() && s.back() == '.') s.pop_back();
    }
    return s == "-0" ? "0" : s;
}

bool ParseDecimal(std::string_view text, double& value) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return false;
    double v = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size() || !std::isfinite(v)) return false;
    value = v;
    return true;
}

}  // namespace nimbrel

#include "platform/chart/ChartScale.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "base/Numbers.h"

namespace nimbrel::chart {
namespace {

constexpr double kSecondsPerDay = 86400.0;

bool Digit(char c) {
    return c >= '0' && c <= '9';
}

// An unsigned number of 1 to maxDigits digits at text[at...]; advances at.
bool Number(std::string_view text, size_t& at, int maxDigits, int& out) {
    int value = 0, n = 0;
    while (at < text.size() && Digit(text[at]) && n < maxDigits) {
        value = value * 10 + (text[at] - '0');
        ++at;
        ++n;
    }
    out = value;
    return n > 0;
}

bool Expect(std::string_view text, size_t& at, char c) {
    if (at >= text.size() || text[at] != c) return false;
    ++at;
    return true;
}

std::string TwoDigits(int v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

std::string DayMonth(const CivilTime& c) {
    return TwoDigits(c.day) + "/" + TwoDigits(c.month);
}

}  // namespace

bool ReadGridTime(std::string_view text, DateTime& value) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    size_t at = 0;
    int d, m, y, hh = 0, nn = 0, ss = 0;
    if (!Number(text, at, 2, d) || !Expect(text, at, '/') || !Number(text, at, 2, m) || !Expect(text, at, '/') ||
        !Number(text, at, 4, y))
        return false;
    if (at < text.size()) {
        if (!Expect(text, at, ' ') || !Number(text, at, 2, hh) || !Expect(text, at, ':') || !Number(text, at, 2, nn))
            return false;
        if (at < text.size() && (!Expect(text, at, ':') || !Number(text, at, 2, ss))) return false;
        if (at != text.size()) return false;
    }
    value = DateSerial(y, m, d) + TimeSerial(hh, nn, ss);
    return std::isfinite(value);
}

bool ReadGridValue(std::string_view text, double& value) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return false;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
    return ec == std::errc() && ptr == end && std::isfinite(value) && std::fabs(value) <= kLargestValue;
}

int ToPixel(double v) {
    if (std::isnan(v)) return 0;
    return static_cast<int>(std::round(std::clamp(v, -kFarthestPixel, kFarthestPixel)));
}

int ValueScale::Ticks() const {
    const double n = (hi - lo) / step;
    if (!std::isfinite(n) || n < 0) return 1;
    return static_cast<int>(std::lround(std::min(n, 1000.0))) + 1;
}

ValueScale NiceScale(double min, double max, int maxTicks, bool percent) {
    if (!(min <= max)) min = max = 0;
    if (max - min < 1e-9) {
        min -= 1;
        max += 1;
    }
    if (maxTicks < 1) maxTicks = 1;
    // A little room above the highest and below the lowest value, so that no
    // reading lies on the frame of the plot, where it could not be read.
    // Percentages keep to 0..100 when the data do.
    const double pad = (max - min) * 0.04;
    double padMin = min - pad, padMax = max + pad;
    if (percent && min >= 0) padMin = std::max(padMin, 0.0);
    if (percent && max <= 100) padMax = std::min(padMax, 100.0);
    const double dataMin = min, dataMax = max;
    min = padMin;
    max = padMax;
    const double raw = (max - min) / maxTicks;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    static constexpr double kSteps[] = {1, 2, 2.5, 5, 10};
    double step = magnitude * 10;
    for (double s : kSteps) {
        if (magnitude * s >= raw - 1e-12) {
            step = magnitude * s;
            break;
        }
    }
    ValueScale scale;
    scale.step = step;
    scale.lo = std::floor(min / step + 1e-9) * step;
    scale.hi = std::ceil(max / step - 1e-9) * step;
    if (percent) {
        if (scale.lo < 0 && dataMin >= 0) scale.lo = 0;
        if (scale.hi > 100 && dataMax <= 100) scale.hi = 100;
    }
    if (scale.hi <= scale.lo) scale.hi = scale.lo + step;
    return scale;
}

std::string FormatTick(double value, double step, std::string_view decimalPoint) {
    int decimals = 0;
    while (decimals < 6 &&
           std::fabs(step * std::pow(10.0, decimals) - std::round(step * std::pow(10.0, decimals))) > 1e-6)
        ++decimals;
    if (std::fabs(value) < step * 1e-6) value = 0;  // no "-0"
    std::string text = FormatFixed(value, decimals);
    if (const auto point = text.find('.'); point != std::string::npos) text.replace(point, 1, decimalPoint);
    return text;
}

std::vector<TimeTick> TimeTicks(DateTime t0, DateTime t1, int maxTicks) {
    std::vector<TimeTick> ticks;
    if (!(t1 > t0) || maxTicks < 1 || !std::isfinite(t0) || !std::isfinite(t1)) return ticks;
    const double span = (t1 - t0) * kSecondsPerDay;

    // Steps below one month are whole seconds from the day count's origin,
    // which is a local midnight: hours and days fall on round times.
    static constexpr long kSeconds[] = {60,    120,   300,   600,   900,    1800,   3600,   7200,
                                        10800, 21600, 43200, 86400, 172800, 604800, 1209600};
    for (long step : kSeconds) {
        if (span / static_cast<double>(step) > maxTicks) continue;
        // Weeks start on Mondays: the origin, 30/12/1899, was a Saturday.
        const long offset = step >= 604800 ? 2 * 86400 : 0;
        const long s0 = std::lround(t0 * kSecondsPerDay) - offset;
        const long s1 = std::lround(t1 * kSecondsPerDay) - offset;
        long s = (s0 >= 0 ? (s0 + step - 1) / step : -((-s0) / step)) * step;
        CivilTime previous{};
        bool first = true;
        for (; s <= s1; s += step) {
            TimeTick tick;
            tick.t = static_cast<double>(s + offset) / kSecondsPerDay;
            const CivilTime c = Decode(tick.t);
            if (step < 86400) {
                tick.label = TwoDigits(c.hour) + ":" + TwoDigits(c.minute);
                if (first || c.day != previous.day || c.month != previous.month || c.year != previous.year)
                    tick.second = DayMonth(c);
            } else {
                tick.label = DayMonth(c);
                if (first || c.year != previous.year) tick.second = std::to_string(c.year);
            }
            previous = c;
            first = false;
            ticks.push_back(std::move(tick));
        }
        return ticks;
    }

    // Calendar months and years: the first day of a month at 00:00.
    static constexpr int kMonths[] = {1, 2, 3, 6, 12, 24, 60, 120, 240, 600, 1200};
    for (int step : kMonths) {
        if (span / (30.44 * kSecondsPerDay * step) > maxTicks && step != 1200) continue;
        const CivilTime c0 = Decode(t0);
        int index = c0.year * 12 + (c0.month - 1);
        if (DateSerial(c0.year, c0.month, 1) < t0) ++index;
        index = (index + step - 1) / step * step;
        int previousYear = -1;
        for (;; index += step) {
            const int year = index / 12, month = index % 12 + 1;
            TimeTick tick;
            tick.t = DateSerial(year, month, 1);
            if (tick.t > t1) break;
            if (step < 12) {
                tick.label = MonthName(month, true);
                if (year != previousYear) tick.second = std::to_string(year);
            } else {
                tick.label = std::to_string(year);
            }
            previousYear = year;
            ticks.push_back(std::move(tick));
        }
        return ticks;
    }
    return ticks;
}

}  // namespace nimbrel::chart

#include "base/DateTime.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>

namespace nimbrel {
namespace {

constexpr int64_t kSecondsPerDay = 86400;
// Far beyond any date the program meets (about 2.7 million years either way),
// small enough that seconds never overflow.
constexpr double kMaxDays = 1.0e9;

constexpr int64_t FloorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

// Days from 1 January 1970 for a proleptic Gregorian date (any year).
constexpr int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2 ? 1 : 0;
    const int64_t era = FloorDiv(y, 400);
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, int& m, int& d) {
    z += 719468;
    const int64_t era = FloorDiv(z, 146097);
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = yoe + era * 400 + (m <= 2 ? 1 : 0);
}

// 30 December 1899 counted from 1 January 1970.
constexpr int64_t kEpochDays = DaysFromCivil(1899, 12, 30);
static_assert(kEpochDays == -25569);

// The stored value counts whole days with the time of day as a fraction that
// is added even before the epoch: -1.25 is 29 December 1899 06:00. These two
// convert between that form and a plain running count of seconds.
int64_t ToSeconds(DateTime value) {
    if (std::isnan(value)) return 0;
    if (value > kMaxDays) value = kMaxDays;
    if (value < -kMaxDays) value = -kMaxDays;
    const double whole = std::trunc(value);
    const double frac = std::fabs(value - whole);
    const int64_t secOfDay = std::llround(frac * kSecondsPerDay);
    return static_cast<int64_t>(whole) * kSecondsPerDay + secOfDay;
}

DateTime FromSeconds(int64_t seconds) {
    const int64_t days = FloorDiv(seconds, kSecondsPerDay);
    const int64_t rest = seconds - days * kSecondsPerDay;
    if (days >= 0) return static_cast<double>(days) + static_cast<double>(rest) / kSecondsPerDay;
    return static_cast<double>(days) - static_cast<double>(rest) / kSecondsPerDay;
}

int64_t DaysInMonth(int64_t y, int m) {
    static constexpr std::array<int, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : kDays[m - 1];
}

struct Parts {
    int64_t year;
    int month, day;
    int64_t secOfDay;
};

Parts Split(DateTime value) {
    const int64_t s = ToSeconds(value);
    const int64_t days = FloorDiv(s, kSecondsPerDay);
    Parts p{};
    CivilFromDays(days + kEpochDays, p.year, p.month, p.day);
    p.secOfDay = s - days * kSecondsPerDay;
    return p;
}

std::string Pad(int64_t v, int width) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%0*lld", width, static_cast<long long>(v));
    return buf;
}

}  // namespace

DateTime DateSerial(int year, int month, int day) {
    const int64_t m0 = static_cast<int64_t>(month) - 1;
    const int64_t y = static_cast<int64_t>(year) + FloorDiv(m0, 12);
    const int64_t m = m0 - FloorDiv(m0, 12) * 12 + 1;
    const int64_t days = DaysFromCivil(y, m, 1) + (static_cast<int64_t>(day) - 1) - kEpochDays;
    return FromSeconds(days * kSecondsPerDay);
}

DateTime TimeSerial(int hour, int minute, int second) {
    const int64_t s = static_cast<int64_t>(hour) * 3600 + static_cast<int64_t>(minute) * 60 + second;
    return FromSeconds(s);
}

CivilTime Decode(DateTime value) {
    const Parts p = Split(value);
    CivilTime t;
    t.year = static_cast<int>(p.year);
    t.month = p.month;
    t.day = p.day;
    t.hour = static_cast<int>(p.secOfDay / 3600);
    t.minute = static_cast<int>(p.secOfDay / 60 % 60);
    t.second = static_cast<int>(p.secOfDay % 60);
    return t;
}

DateTime Encode(const CivilTime& t) {
    const int64_t days = ToSeconds(DateSerial(t.year, t.month, t.day));
    const int64_t secs = static_cast<int64_t>(t.hour) * 3600 + static_cast<int64_t>(t.minute) * 60 + t.second;
    return FromSeconds(days + secs);
}

DateTime DatePart(DateTime value) {
    const int64_t s = ToSeconds(value);
    return FromSeconds(FloorDiv(s, kSecondsPerDay) * kSecondsPerDay);
}

DateTime TimePart(DateTime value) {
    const int64_t s = ToSeconds(value);
    return FromSeconds(s - FloorDiv(s, kSecondsPerDay) * kSecondsPerDay);
}

DateTime AddMonths(DateTime value, int months) {
    const Parts p = Split(value);
    const int64_t m0 = static_cast<int64_t>(p.month) - 1 + months;
    const int64_t y = p.year + FloorDiv(m0, 12);
    const int m = static_cast<int>(m0 - FloorDiv(m0, 12) * 12 + 1);
    const int64_t d = std::min<int64_t>(p.day, DaysInMonth(y, m));
    const int64_t days = DaysFromCivil(y, m, d) - kEpochDays;
    return FromSeconds(days * kSecondsPerDay + p.secOfDay);
}

DateTime AddYears(DateTime value, int years) {
    return AddMonths(value, years * 12);
}

int Weekday(DateTime value) {
    const int64_t days = FloorDiv(ToSeconds(value), kSecondsPerDay);
    // Day 0, 30 December 1899, was a Saturday (7).
    return static_cast<int>(((days + 6) % 7 + 7) % 7) + 1;
}

std::string WeekdayName(int weekday, bool abbreviated) {
    static const std::array<const char*, 7> kNames{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                   "Thursday", "Friday", "Saturday"};
    if (weekday < 1 || weekday > 7) return {};
    std::string name = kNames[weekday - 1];
    return abbreviated ? name.substr(0, 3) : name;
}

std::string MonthName(int month, bool abbreviated) {
    static const std::array<const char*, 12> kNames{"January",   "February", "March",    "April",
                                                    "May",       "June",     "July",     "August",
                                                    "September", "October",  "November", "December"};
    if (month < 1 || month > 12) return {};
    std::string name = kNames[month - 1];
    return abbreviated ? name.substr(0, 3) : name;
}

std::string FormatDate(DateTime value) {
    const Parts p = Split(value);
    return Pad(p.day, 2) + "/" + Pad(p.month, 2) + "/" + Pad(p.year, 4);
}

std::string FormatTimeHMS(DateTime value) {
    const Parts p = Split(value);
    return Pad(p.secOfDay / 3600, 2) + ":" + Pad(p.secOfDay / 60 % 60, 2) + ":" + Pad(p.secOfDay % 60, 2);
}

std::string FormatTimeHM(DateTime value) {
    const Parts p = Split(value);
    return Pad(p.secOfDay / 3600, 2) + ":" + Pad(p.secOfDay / 60 % 60, 2);
}

std::string FormatDateTime(DateTime value) {
    return FormatDate(value) + " " + FormatTimeHMS(value);
}

std::string FormatStamp(DateTime value) {
    const Parts p = Split(value);
    return Pad(p.year, 4) + Pad(p.month, 2) + Pad(p.day, 2) + "_" + Pad(p.secOfDay / 3600, 2) +
           Pad(p.secOfDay / 60 % 60, 2) + Pad(p.secOfDay % 60, 2);
}

std::string FormatIso(DateTime value) {
    const Parts p = Split(value);
    return Pad(p.year, 4) + "-" + Pad(p.month, 2) + "-" + Pad(p.day, 2) + "T" + FormatTimeHMS(value);
}

double RoundHalfEven(double value) {
    if (!std::isfinite(value)) return value;
    const double r = std::round(value);  // halves away from zero
    if (std::fabs(value - std::trunc(value)) == 0.5) return 2.0 * std::round(value / 2.0);
    return r;
}

int64_t RoundHalfEvenToInt(double value) {
    if (std::isnan(value)) return 0;
    const double r = RoundHalfEven(value);
    if (r >= 9.2233720368547758e18) return std::numeric_limits<int64_t>::max();
    if (r <= -9.2233720368547758e18) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(r);
}

}  // namespace nimbrel

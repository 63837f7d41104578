#include "base/Clock.h"

#include <cmath>
#include <ctime>
#include <utility>

namespace nimbrel {
namespace {

std::function<DateTime()>& ClockSlot() {
    static std::function<DateTime()> clock;
    return clock;
}

DateTime FromTm(const std::tm& t) {
    return DateSerial(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday) + TimeSerial(t.tm_hour, t.tm_min, t.tm_sec);
}

DateTime SystemNow() {
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    return FromTm(local);
}

}  // namespace

DateTime LocalFromUtc(DateTime utc) {
    const DateTime epoch = DateSerial(1970, 1, 1);
    if (!(utc >= DateSerial(1900, 1, 1) && utc < DateSerial(10000, 1, 1))) return utc;
    const auto seconds = static_cast<std::time_t>(std::llround((utc - epoch) * 86400.0));
    std::tm local{};
    if (!localtime_r(&seconds, &local)) return utc;
    return FromTm(local);
}

bool LocalZoneAt(DateTime local, long& offsetSeconds, std::string& abbreviation) {
    const CivilTime c = Decode(local);
    std::tm tm{};
    tm.tm_year = c.year - 1900;
    tm.tm_mon = c.month - 1;
    tm.tm_mday = c.day;
    tm.tm_hour = c.hour;
    tm.tm_min = c.minute;
    tm.tm_sec = c.second;
    tm.tm_isdst = -1;
    if (std::mktime(&tm) == static_cast<std::time_t>(-1)) return false;
    offsetSeconds = tm.tm_gmtoff;
    abbreviation = tm.tm_zone ? tm.tm_zone : "";
    return true;
}

long LocalOffsetSeconds(DateTime local) {
    if (!(local >= DateSerial(1900, 1, 1) && local < DateSerial(10000, 1, 1))) return 0;
    long offset = 0;
    std::string abbreviation;
    return LocalZoneAt(local, offset, abbreviation) ? offset : 0;
}

DateTime Now() {
    auto& clock = ClockSlot();
    return clock ? clock() : SystemNow();
}

DateTime Today() {
    return DatePart(Now());
}

void SetClock(std::function<DateTime()> clock) {
    ClockSlot() = std::move(clock);
}

ScopedClock::ScopedClock(DateTime fixed) : value_(fixed) {
    SetClock([this] { return value_; });
}

ScopedClock::~ScopedClock() {
    SetClock({});
}

}  // namespace nimbrel

#include "base/Clock.h"

#include <ctime>
#include <utility>

namespace nimbrel {
namespace {

std::function<DateTime()>& ClockSlot() {
    static std::function<DateTime()> clock;
    return clock;
}

DateTime SystemNow() {
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    return DateSerial(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
           TimeSerial(local.tm_hour, local.tm_min, local.tm_sec);
}

}  // namespace

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

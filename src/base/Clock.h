#pragma once
// Every "now" of the program comes from here, so tests can set the time.
#include <functional>
#include <string>

#include "base/DateTime.h"

namespace nimbrel {

// The local time now, as a DateTime (to the second).
DateTime Now();
// Today at 00:00:00.
DateTime Today();

// A moment given in UTC as the desktop's local time (its zone and summer
// time on that day). Moments outside the years 1900 to 9999 come back as given.
DateTime LocalFromUtc(DateTime utc);
// The desktop's offset from UTC, in seconds east, at a local time.
long LocalOffsetSeconds(DateTime local);
// The desktop's zone at a local time: the offset as above and the zone's
// abbreviation ("CET", "+03"); false where the system cannot tell.
bool LocalZoneAt(DateTime local, long& offsetSeconds, std::string& abbreviation);

// Replaces the clock; pass an empty function to go back to the system clock.
void SetClock(std::function<DateTime()> clock);

// Sets a fixed time for the life of the object (tests).
class ScopedClock {
public:
    explicit ScopedClock(DateTime fixed);
    ~ScopedClock();
    void Set(DateTime value) { value_ = value; }
    void Advance(double days) { value_ += days; }
    DateTime Get() const { return value_; }

private:
    DateTime value_;
};

}  // namespace nimbrel

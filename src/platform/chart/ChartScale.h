#pragma once
// The chart's arithmetic, kept apart from the drawing so it can be checked on
// its own: reading the grid's texts, round value ticks and calendar-aligned
// time ticks with their labels.
#include <string>
#include <string_view>
#include <vector>

#include "base/DateTime.h"

namespace nimbrel::chart {

// A row label: "dd/mm/yyyy hh:nn:ss" or "dd/mm/yyyy" (parts may be one digit
// and may roll over, as the program's own parser allows). False when the text
// is not a time.
bool ReadGridTime(std::string_view text, DateTime& value);
// A value cell: a plain decimal number of at most kLargestValue either way.
// "n/a", an empty cell, any other text or a larger number is a gap: no
// reading of anything drawn here comes near it, and held to it the scale and
// pixel arithmetic stay well inside float and int.
constexpr double kLargestValue = 1e9;
bool ReadGridValue(std::string_view text, double& value);

// A drawing coordinate as a whole pixel: rounded, held to a range far beyond
// any screen so that the conversion is always defined, and 0 for NaN.
constexpr double kFarthestPixel = 1 << 24;
int ToPixel(double v);

// A value axis from lo to hi in steps of step, lo and hi being multiples of
// step.
struct ValueScale {
    double lo = 0;
    double hi = 1;
    double step = 1;
    int Ticks() const;  // number of tick marks, lo and hi included
};
// Round steps (1, 2, 2.5 or 5 times a power of ten) covering min..max, with a
// little room either side, in at most maxTicks intervals; a flat range gets
// one unit either side. Percent axes do not reach beyond 0 and 100 unless the
// data do.
ValueScale NiceScale(double min, double max, int maxTicks, bool percent);
// "12", "-2.5": as few decimals as the step needs, with the decimal point
// the reader's locale writes (the axis is read by a person, not a program).
std::string FormatTick(double value, double step, std::string_view decimalPoint = ".");

struct TimeTick {
    DateTime t = 0;
    std::string label;   // the time, or the date when the ticks are whole days or more
    std::string second;  // second line: the date under a time label where the day changes; the year where it changes
};
// Ticks on round local times (minutes, hours, days, Mondays, first days of
// months, years) between t0 and t1, at most maxTicks of them.
std::vector<TimeTick> TimeTicks(DateTime t0, DateTime t1, int maxTicks);

}  // namespace nimbrel::chart

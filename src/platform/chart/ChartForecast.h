#pragma once
// The forecast the history chart goes on with: a second series after the
// readings, never rows of the history grid, so that the grid and the title
// stay exactly what the history gives. Times are the desktop's local times,
// as the grid's are; a value that is not there is NaN.
#include <string>
#include <vector>

#include "base/DateTime.h"

namespace nimbrel {

struct ChartForecast {
    DateTime now = 0;  // where the "now" line is drawn
    std::vector<DateTime> times;
    // Each drawn only when its unit is one of the grid's: the temperature
    // in the grid's temperature unit, the humidity and the chance of rain
    // on the humidity axis.
    std::vector<float> temperature, humidity, rainChance;
    bool Empty() const { return times.empty(); }
    bool operator==(const ChartForecast&) const = default;
};

}  // namespace nimbrel

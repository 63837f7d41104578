#pragma once
// The line a person reads about the extra values: "Feels like 2 °C, wind
// 19 km/h from the south-west, chance of rain 70 %". One function each for
// the "Now" tile and a forecast day, so that every place that shows them
// (the tiles' tool tips and messages, the tray's tip, the accessible
// descriptions) says the same sentence. An empty text when there is nothing
// to say: a value the source did not give is left out, never made up.
#include <QString>
#include <optional>

#include "base/Temperature.h"
#include "feeds/WeatherExtras.h"

namespace nimbrel {

inline constexpr WindUnit kWindUnits[] = {WindUnit::Kmh, WindUnit::MetresPerSecond, WindUnit::Mph, WindUnit::Knots,
                                          WindUnit::Beaufort};

// "km/h", "m/s", "mph", "knots", "Beaufort": the choice in the preferences.
QString WindUnitName(WindUnit unit);
// "north", "north-east", ...: where the wind comes from.
QString CompassName(int degrees);
// "19 km/h", "force 3".
QString WindSpeedText(double kmh, WindUnit unit);

// The "Now" tile: feels-like and wind of the reading, and today's chance of
// rain when the forecast has one (today: nullopt when there is none).
QString NowExtrasLine(const Observation& now, std::optional<int> todayRainChance, TempUnit unit, WindUnit wind);
// A forecast tile: the day's strongest wind and chance of rain.
QString DayExtrasLine(const ForecastDay& day, WindUnit wind);

// text with line after it on a line of its own (text alone when line is empty).
QString WithExtrasLine(const QString& text, const QString& line);

}  // namespace nimbrel

#pragma once
// The values some sources have beyond the two feed documents: the
// feels-like temperature and the wind now, each day's chance of rain and
// strongest wind, and the next 48 hours. They travel in the weather model
// like every other value; this file holds what is done to them outside a
// window:
//
//   - the bounds a value must keep to be taken at all (a chance of rain of
//     140 % or a wind of -5 km/h is no value, never a clamped one);
//   - the wind units a person can choose, converted once from the km/h the
//     sources give, shown as whole numbers with halves to even;
//   - the elements of Nimbrel's own namespace that nimbrel-feed adds to its
//     documents, and their reading back (the feed parsers skip them,
//     so a feed without them reads as before);
//   - the keys they are kept under in the program's own section of
//     settings.txt, so that the weather and options lines never change;
//   - the check tool's "name: value" lines.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "feeds/WeatherModel.h"
#include "platform/chart/ChartForecast.h"

namespace nimbrel {

class SettingsStore;

// Bounds of what is taken. Outside them a value is missing.
inline constexpr double kFeelsLikeLowest = -100, kFeelsLikeHighest = 100;  // degrees Celsius
inline constexpr double kWindHighest = 500;                                // km/h; 0 is the lowest
inline constexpr int kHoursKept = 48;

// A value kept only inside [lo, hi]; NaN and infinities are none.
std::optional<double> WithinBounds(std::optional<double> value, double lo, double hi);
// Whole number with halves to even, inside [lo, hi]; none outside.
std::optional<int> WholeWithin(std::optional<double> value, double lo, double hi);

enum class WindUnit { Kmh, MetresPerSecond, Mph, Knots, Beaufort };
inline constexpr WindUnit kDefaultWindUnit = WindUnit::Kmh;

// The key kept in settings.txt ("kmh", "ms", "mph", "kn", "bft"); anything
// else reads as km/h.
std::string WindUnitKey(WindUnit unit);
WindUnit WindUnitFromKey(std::string_view key);
// "km/h", "m/s", "mph", "kn", "Bft".
std::string WindUnitSymbol(WindUnit unit);
// A speed in km/h in the unit: whole, halves to even; Beaufort is the
// force 0 to 12 the speed falls in.
int ShownWind(double kmh, WindUnit unit);
// "19 km/h"; Beaufort reads "3 Bft".
std::string FormatWind(double kmh, WindUnit unit);
// The eight points of the compass, 0 north: "N", "NE", ..., "NW".
int CompassIndex(int degrees);
std::string CompassAbbreviation(int degrees);

// Whether there is any extra value to show.
bool HasExtras(const Observation& observation);
bool HasExtras(const ForecastDay& day);

// The hours still to come: none when the forecast's last hour has passed;
// otherwise the hours from the one that holds `now` (UTC) on.
HourlyForecast HoursToShow(const HourlyForecast& hours, DateTime nowUtc);

// The hourly forecast as the chart's second series, from nowLocal (the
// desktop's local time) on: the hours still to come, at the desktop's local
// times (offsetSeconds: the desktop's offset east of UTC now), the
// temperatures in the unit. Empty when the forecast's last hour has passed.
ChartForecast ForecastSeries(const HourlyForecast& hours, DateTime nowLocal, long offsetSeconds, TempUnit unit);

// --- the sample server's documents --------------------------------------------

inline constexpr const char* kNimbrelNamespace = "https://nimbrel.org/ns/weather";
// The rss element with Nimbrel's namespace declared, for documents that
// carry the extra elements.
std::string NimbrelRssOpening();
std::string ObservationExtrasXml(const Observation& observation);
std::string DayExtrasXml(const ForecastDay& day);
std::string HoursXml(const HourlyForecast& hours);
// Read back from a document; what is absent, malformed or out of bounds
// stays empty.
void ReadObservationExtras(const std::string& feedText, Observation& observation);
void ReadForecastExtras(const std::string& feedText, ForecastDays& days, HourlyForecast& hours);

// --- settings.txt ----------------------------------------------------------------

// Kept in the program's own section; a reading without them removes the
// keys, so the file never holds values of an older reading.
void KeepObservationExtras(const Observation& observation, SettingsStore& store);
void KeepForecastExtras(const ForecastDays& days, const HourlyForecast& hours, SettingsStore& store);
// What a file gave; a file without the keys gives nothing.
void LoadObservationExtras(const SettingsStore& store, Observation& observation);
void LoadForecastExtras(const SettingsStore& store, ForecastDays& days, HourlyForecast& hours);

// --- the check tool ----------------------------------------------------------------

// "feels like: -2", "wind: 19 km/h from SW"; only the values there are.
std::vector<std::string> ObservationExtrasLines(const Observation& observation);
// "tile 1 chance of rain: 70", "tile 1 strongest wind: 32 km/h", then
// "hour 1: 2026-12-08T14:00 5 80 70" per hour (time, temperature, humidity,
// chance of rain; "-" for a value not given).
std::vector<std::string> ForecastExtrasLines(const ForecastDays& days, const HourlyForecast& hours);

}  // namespace nimbrel

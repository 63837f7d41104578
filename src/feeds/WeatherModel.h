#pragma once
// The weather as every source gives it to the program: the observation now
// and three forecast days. The RSS parsers read the two documents into it,
// the sample weather makes it, the Open-Meteo source maps its JSON into it;
// the stored forms (the last reading, the history, the three forecast lines)
// are written from it and the screen is drawn from it.
//
// A value a source gave keeps the text it was written as beside the number
// read from it: the history and the forecast lines store that text, and a
// feed that wrote "12.5" or "n/a" must leave the same bytes in settings.txt
// as it always did. Sources that have numbers (sample, Open-Meteo) write the
// text a feed server would have written for them.
//
// A new value a person asks for (feels-like, wind, chance of rain) is one
// more field here, filled by the sources that have it and empty elsewhere.
#include <array>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "base/DateTime.h"
#include "base/Temperature.h"

namespace nimbrel {

// The stored form of a value the source did not give or that could not be
// read, wherever a number or a time stands in the file.
inline constexpr char kNoValue[] = "n/a";

// A number as a source gave it.
struct Measure {
    std::optional<double> value;  // empty when the text is no number or the source had none
    std::string text;             // as it is stored: what the feed wrote, or the whole number

    static Measure Whole(std::optional<int> degrees);
    // The leading number of text, if it has one.
    static Measure FromText(std::string text);
    bool operator==(const Measure&) const = default;
};

// A moment as the source gave it: the clock time in the zone it was given
// in, and that zone's offset east of UTC.
struct ZonedTime {
    DateTime local = 0;
    long offsetSeconds = 0;

    DateTime Utc() const { return local - offsetSeconds / 86400.0; }
    // The same moment given the same way, to the second: a DateTime is a
    // fraction of days, and two roads to one clock time may differ in its
    // last bits.
    bool operator==(const ZonedTime& other) const {
        return offsetSeconds == other.offsetSeconds &&
               std::llround(local * 86400.0) == std::llround(other.local * 86400.0);
    }
};

struct Observation {
    std::string summary;            // "Light Rain"; bounded and safe to store
    Measure temperature;            // degrees Celsius; text "n/a" when the feed's value was out of bounds
    Measure humidity;               // percent; the same
    std::optional<ZonedTime> time;  // when the source says the reading was taken
    // What only some sources have. Each is empty when the source had none or
    // gave one beyond any weather (see WeatherExtras.h for the bounds).
    std::optional<int> feelsLike{};      // whole degrees Celsius
    std::optional<double> windSpeed{};   // km/h, the service's own unit
    std::optional<int> windDirection{};  // degrees the wind blows from, 0 north, clockwise
    bool operator==(const Observation&) const = default;
};

// A sunrise or sunset of a forecast day.
struct SunTime {
    std::string text;               // as stored: "07:54GMT", or what the feed wrote
    std::optional<ZonedTime> time;  // when the text (or the source) gives one
    bool operator==(const SunTime&) const = default;
};

struct ForecastDay {
    DateTime date = 0;  // the day (no time part)
    std::string summary;
    Measure minimum, maximum, humidity;
    SunTime sunrise, sunset;
    std::optional<int> rainChance{};  // percent, the day's highest; where the source has it
    std::optional<double> windMax{};  // km/h, the day's strongest wind
    bool operator==(const ForecastDay&) const = default;
};

using ForecastDays = std::array<ForecastDay, 3>;

// One hour of the hourly forecast. The hours follow each other one hour
// apart; a value the source did not give is empty.
struct ForecastHour {
    ZonedTime time;
    std::optional<int> temperature;  // whole degrees Celsius
    std::optional<int> humidity;     // percent
    std::optional<int> rainChance;   // percent
    bool operator==(const ForecastHour&) const = default;
};
using HourlyForecast = std::vector<ForecastHour>;

struct WeatherModel {
    Observation observation;
    ForecastDays days;
    HourlyForecast hours;  // the next 48 hours, where the source has them
    bool operator==(const WeatherModel&) const = default;
};

// The stored line of a forecast day, the form settings.txt keeps:
// "dd/mm/yyyy: summary, min->max°C, H=humidity%, SR=sunrise, SS=sunset".
std::string ForecastLine(const ForecastDay& day);
// The same line with the range in a unit (for the screen): each end that is
// a number is written as whole degrees of the unit, any other is left as the
// source wrote it.
std::string ForecastLine(const ForecastDay& day, TempUnit unit);
// The three lines joined by CR LF.
std::string ForecastText(const ForecastDays& days);
// A stored line read back into a day (the screen and the tile's message
// are drawn from it). A line edited by hand reads as well as it can: a head
// that is no date is the zero date, an unreadable number is none.
ForecastDay ReadForecastDay(const std::string& Line);

// "07:54GMT" of a moment: its time of day in GMT, as the stored lines write
// sun times.
std::string GmtSunText(const ZonedTime& time);
// The zone a stored or fed sun time names ("07:54GMT", "04:43BST", "21:21"),
// on the given day; nothing when the time or zone cannot be read.
std::optional<ZonedTime> ReadSunTime(const std::string& text, DateTime day);

// A time of day such as "07:50" or "07:50:30", read from the front of text
// (a zone may follow it).
bool ReadTimeOfDay(const std::string& text, DateTime& out);
// The offset east of UTC of a zone a feed names after a time: the names
// feeds in English write, and numeric forms ("+0100", "+01", "GMT+1").
bool ZoneOffset(const std::string& name, long& seconds);

}  // namespace nimbrel

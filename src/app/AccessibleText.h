#pragma once
// The sentences the window's pictures stand for: what a screen reader says
// of the "Now" tile, the forecast tiles, the sun dial, the labels and the
// chart, and the second line of a tile's tool tip. All in the unit the user
// chose; a value the store does not have reads as missing, never as 0.
// Drawn from the store and the forecast lines alone, so tests read them
// without a window.
#include <QString>
#include <optional>
#include <string>

#include "base/DateTime.h"
#include "base/Temperature.h"
#include "feeds/ForecastFeed.h"
#include "feeds/WeatherModel.h"
#include "store/SettingsStore.h"

namespace nimbrel {

struct ControlTexts {
    QString name;
    QString description;
};

// The last reading's temperature in degrees Celsius, when it had one (the
// stored CurrentTemp is 0 for a reading without a number).
std::optional<int> StoredCelsius(const SettingsStore& store);

// "Now: Heavy showers, 6 °C"; the description adds the humidity and time.
ControlTexts NowTexts(const SettingsStore& store, TempUnit unit);
// "Tuesday: heavy showers, 3 to 6 °C, humidity 94 %"; the description is
// the tile's tool tip.
ControlTexts TileTexts(const std::string& line, TempUnit unit);
// The tile's tool tip: the stored line in the unit, then the day's sun times
// in the desktop's zone, as the labels under the dial show them.
QString TileToolTip(const std::string& line, TempUnit unit);
// "Sunrise 07:54, sunset 15:40." of one stored line, in the desktop's zone;
// empty when the line gives neither.
QString SunTimesSentence(const std::string& line);
// "Sunrise 07:54, sunset 15:40; the sun sets in 3 hours 51 minutes" for the
// first forecast day at now; the description is the dial's summary.
ControlTexts SunDialTexts(const SunTimesView& sun, bool known, DateTime now, const std::string& summary);
// "3 hours 51 minutes", "1 hour", "5 minutes".
QString DurationText(int minutes);
// The labels' names: "Sunrise 07:54", "Humidity 94%", "Last update: …".
QString SunriseName(const std::string& caption);
QString SunsetName(const std::string& caption);
QString HumidityName(const std::string& caption);
QString LastUpdateName(const QString& shown);
// "Temperature and humidity, 01/12/2026 to 08/12/2026"; the description
// gives the latest reading.
ControlTexts ChartTexts(bool temperature, bool both, DateTime start, DateTime end, const SettingsStore& store,
                        TempUnit unit);

}  // namespace nimbrel

#pragma once
// The forecast document: its first three items become three forecast days
// of the weather model, kept as three dated one-line forecasts
// (ForecastText). What the three tiles, the sunrise and sunset labels, the
// sun dial and a click on a tile show is drawn from those days here, without
// a window, so the program and the tests see the same texts.
#include <array>
#include <cstdint>
#include <string>

#include "base/DateTime.h"
#include "base/Temperature.h"
#include "feeds/WeatherModel.h"
#include "store/SettingsStore.h"

namespace nimbrel {

// One item read into a day; its date is the nearest on the weekday it names.
ForecastDay ReadForecastItem(const std::string& Item);
// One item as "weekday: summary, min->max°C, H=humidity%, SR=sunrise, SS=sunset".
std::string SummariseForecastItem(const std::string& Item);
// The weekday at the head of Line replaced by the date it stands for, "dd/mm/yyyy".
std::string DateStampForecastLine(const std::string& Line);
// The nearest date (today, forwards or backwards) on the weekday named at the
// head of Text; today for an unknown name. Only the date part is meant. An
// RSS forecast names weekdays only; sources with real dates keep theirs.
DateTime DateForWeekday(const std::string& Text);

// The first three items of a forecast document (missing ones read as empty
// items, dated today).
ForecastDays ReadForecast(const std::string& FeedText);
// The three lines joined by CR LF that a forecast document yields, without
// storing anything.
std::string BuildForecastText(const std::string& FeedText);
// Keeps the days as store.ForecastText.
void StoreForecast(const ForecastDays& days, SettingsStore& store);
// Reads a forecast document and keeps its days; an empty text changes nothing.
void ParseForecast(const std::string& FeedText, SettingsStore& store);

// What one stored line puts on its tile.
struct ForecastTileView {
    std::string caption;  // abbreviated weekday name of the line's date ("Mon")
    std::string summary;
    int16_t temperature = 0;        // mean of minimum and maximum, rounded halves to even
    bool temperatureKnown = false;  // both read; a missing one (n/a) leaves no mean
};
ForecastTileView ReadForecastLine(const std::string& Line);

// True when the day holds anything the document gave: a summary, a
// temperature or a humidity.
bool DayWasRead(const ForecastDay& day);

// The sunrise and sunset of the first line: label texts and, when they can
// be read as times of day, the dial's times, both in the desktop's own zone,
// converted from the zone the document named ("07:54GMT") on the line's date.
struct SunTimesView {
    std::string riseCaption, setCaption;
    bool riseKnown = false, setKnown = false;
    DateTime sunUp = 0, sunDown = 0;
};
SunTimesView ReadSunTimes(const std::string& ForecastText);

// A tile's tool tip: its stored line, or in degrees Fahrenheit the line
// written again from its day with the range in that unit.
std::string ForecastToolTip(const std::string& Line, TempUnit unit);

// Everything the stored forecast puts on the screen; nothing when the
// forecast is empty.
struct ForecastScreen {
    bool shown = false;
    std::array<ForecastTileView, 3> tiles;
    std::array<std::string, 3> toolTips;
    SunTimesView sun;
};
ForecastScreen ForecastScreenFor(const std::string& ForecastText, TempUnit unit);

// The message a click on a forecast tile shows, for the day of its line:
// the box's title and its six lines. The window shows it as information.
struct ForecastMessage {
    std::string caption;
    std::string text;
};
ForecastMessage ForecastTileMessage(const ForecastDay& day, TempUnit unit = TempUnit::Celsius);

}  // namespace nimbrel

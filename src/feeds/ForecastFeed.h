#pragma once
// The forecast document: its first three items become three dated one-line
// forecasts (ForecastText), shown on the three forecast tiles, the sunrise
// and sunset labels and the sun dial. A click on a tile shows its whole line.
#include <cstdint>
#include <string>

#include "base/DateTime.h"
#include "feeds/FeedDisplay.h"
#include "platform/ui/MessageBox.h"
#include "store/SettingsStore.h"

namespace nimbrel {

// One item as "weekday: summary, min->max°C, H=humidity%, SR=sunrise, SS=sunset".
std::string SummariseForecastItem(const std::string& Item);
// The weekday at the head of Line replaced by the date it stands for, "dd/mm/yyyy".
std::string DateStampForecastLine(const std::string& Line);
// The nearest date (today, forwards or backwards) on the weekday named at the
// head of Text; today for an unknown name. Only the date part is meant.
DateTime DateForWeekday(const std::string& Text);

// The three lines joined by CR LF that a forecast document yields, without
// storing or showing anything.
std::string BuildForecastText(const std::string& FeedText);
// Stores the lines in store.ForecastText and shows them.
void ParseForecast(const std::string& FeedText, SettingsStore& store, FeedDisplay& display);

// What one stored line puts on its tile.
struct ForecastTileView {
    std::string caption;  // abbreviated weekday name of the line's date ("Mon")
    std::string summary;
    int16_t temperature = 0;  // mean of minimum and maximum, rounded halves to even
};
ForecastTileView ReadForecastLine(const std::string& Line);

// The sunrise and sunset of the first line: label texts and, when they can
// be read as times of day, the dial's times, both in the desktop's own zone,
// converted from the zone the document named ("07:54GMT") on the line's date.
struct SunTimesView {
    std::string riseCaption, setCaption;
    bool riseKnown = false, setKnown = false;
    DateTime sunUp = 0, sunDown = 0;
};
SunTimesView ReadSunTimes(const std::string& ForecastText);

// Puts ForecastText on the tiles, labels and dial; nothing when it is empty.
void ShowForecast(const std::string& ForecastText, FeedDisplay& display);
void ShowForecastLine(const std::string& Line, int Index, FeedDisplay& display);
void ShowSunTimes(const std::string& ForecastText, FeedDisplay& display);

// The message a click on a forecast tile shows, from the tile's tool tip.
MessageRequest ForecastTileMessage(const std::string& ToolTip);
// Shows it; a tile that has never had a forecast (empty tool tip) shows nothing.
void ShowForecastTileMessage(const std::string& ToolTip);

}  // namespace nimbrel

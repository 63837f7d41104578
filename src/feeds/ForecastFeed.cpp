#include "feeds/ForecastFeed.h"

#include <cctype>
#include <cstdio>
#include <exception>

#include "base/Clock.h"
#include "base/modMisc.h"
#include "feeds/FeedText.h"

namespace nimbrel {
namespace {

// The date at the head of a stored line. Lines are dated by this program, but
// settings.txt can be edited by hand: a head that is no date counts as the
// zero date, as a head without "/" already does.
DateTime LineDate(const std::string& Line) {
    try {
        return ParseDateTime(TrimBlanks(GetField(Line, ": ", 1)), true);
    } catch (const std::exception&) {
        return 0;
    }
}

struct Range {
    int16_t minimum = 0, maximum = 0;
};

Range ReadRange(const std::string& Line) {
    const std::string range = ReplaceAll(TrimBlanks(GetField(Line, ",", 2)), kDegreesC, "");
    return Range{RoundedLeadingNumber(GetField(range, "->", 1)), RoundedLeadingNumber(GetField(range, "->", 2))};
}

// A stored sun time ("07:54GMT") as the desktop's clock shows it on the day
// the forecast line is dated: the caption and the dial's time of day. A time
// without a zone, or with one this program does not know, is taken as the
// desktop's own, caption and all.
void SunCaption(const std::string& stored, DateTime day, std::string& caption, bool& known, DateTime& time) {
    known = false;
    // A time the source did not give has no caption: the window shows it
    // as missing.
    if (TrimBlanks(stored) == kNoValue) {
        caption.clear();
        return;
    }
    caption = ReplaceAll(stored, "GMT", "");
    known = ReadTimeOfDay(caption, time);
    std::size_t end = stored.find_first_not_of(' ');
    if (end == std::string::npos) return;
    while (end < stored.size() && (std::isdigit(static_cast<unsigned char>(stored[end])) || stored[end] == ':')) ++end;
    const std::string clock = stored.substr(0, end);
    const std::string zone = TrimBlanks(stored.substr(end));
    long offset = 0;
    DateTime t = 0;
    if (zone.empty() || !ZoneOffset(zone, offset) || !ReadTimeOfDay(clock, t)) return;
    if (DatePart(day) <= 0) day = Today();
    const DateTime local = LocalFromUtc(DatePart(day) + t - offset / 86400.0);
    time = TimePart(local);
    known = true;
    caption = CountOccurrences(clock, ":") >= 2 ? FormatTimeHMS(time) : FormatTimeHM(time);
}

std::string ProperCase(const std::string& text) {
    std::string out = text;
    bool startOfWord = true;
    for (char& c : out) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isspace(u)) {
            startOfWord = true;
        } else {
            if (u < 0x80) c = startOfWord ? UpperAsciiChar(c) : LowerAsciiChar(c);
            startOfWord = false;
        }
    }
    return out;
}

std::string TwoDigits(int v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

}  // namespace

ForecastDay ReadForecastItem(const std::string& Item) {
    const std::string weekday = Between("<title>", ": ", Item);
    const std::string summary = Between(weekday + ": ", ", ", Item);
    const std::string title = Between("<title>", "</title>", Item);
    const std::string maximum = Between("Max Temp: ", "&#xB0;C", title);
    const std::string minimum = Between("Min Temp: ", "&#xB0;C", title);
    const std::string humidity = Between("Humidity: ", "%", Item);
    const std::string sunrise = Between("Sunrise: ", ",", Item);
    const std::string sunset = Between("Sunset: ", "</description>", Item);
    // Every part is made safe for the comma list and the stored file.
    // Each part is cut to a length no real forecast reaches, so a hostile
    // feed cannot make the stored file grow with it.
    auto part = [](const std::string& text) { return CutToCharacters(StoredFieldText(text), 16); };
    ForecastDay d;
    d.date = DatePart(DateForWeekday(ReplaceAll(part(weekday), ":", "")));
    d.summary = BoundedSummary(StoredFieldText(summary));
    d.minimum = Measure::FromText(part(minimum));
    d.maximum = Measure::FromText(part(maximum));
    d.humidity = Measure::FromText(part(humidity));
    d.sunrise = SunTime{part(sunrise), ReadSunTime(part(sunrise), d.date)};
    d.sunset = SunTime{part(sunset), ReadSunTime(part(sunset), d.date)};
    return d;
}

std::string SummariseForecastItem(const std::string& Item) {
    // The weekday loses any ":" so that the date stamp replaces all of it.
    const std::string weekday =
        ReplaceAll(CutToCharacters(StoredFieldText(Between("<title>", ": ", Item)), 16), ":", "");
    const std::string line = ForecastLine(ReadForecastItem(Item));
    return weekday + line.substr(GetField(line, ":", 1).size());
}

DateTime DateForWeekday(const std::string& Text) {
    std::string name = Text;
    if (name.find(':') != std::string::npos) name = TrimBlanks(GetField(name, ": ", 1));
    const DateTime today = Now();
    const std::string todayName = WeekdayName(Weekday(today));
    const int back = DayDistance(todayName, name, true);
    const int fwd = DayDistance(todayName, name, false);
    int offset = 0;
    if (fwd < back)
        offset = fwd;
    else if (back < fwd)
        offset = -back;
    return today + offset;
}

std::string DateStampForecastLine(const std::string& Line) {
    const DateTime d = DateForWeekday(Line);
    const std::string head = GetField(Line, ":", 1);
    return FormatDate(d) + Line.substr(head.size());
}

bool DayWasRead(const ForecastDay& day) {
    return !day.summary.empty() || day.minimum.value || day.maximum.value || day.humidity.value;
}

ForecastDays ReadForecast(const std::string& FeedText) {
    ForecastDays days;
    for (int16_t k = 1; k <= 3; ++k)
        days[size_t(k - 1)] = ReadForecastItem(GetField(FeedText, "<item>", static_cast<int16_t>(k + 1)));
    return days;
}

std::string BuildForecastText(const std::string& FeedText) {
    return ForecastText(ReadForecast(FeedText));
}

void StoreForecast(const ForecastDays& days, SettingsStore& store) {
    store.ForecastText = ForecastText(days);
}

void ParseForecast(const std::string& FeedText, SettingsStore& store) {
    if (FeedText.empty()) return;
    StoreForecast(ReadForecast(FeedText), store);
}

ForecastTileView ReadForecastLine(const std::string& Line) {
    ForecastTileView v;
    v.caption = WeekdayName(Weekday(LineDate(Line)), true);
    v.summary = Between(": ", ", ", Line);
    const Range r = ReadRange(Line);
    v.temperature = static_cast<int16_t>(RoundHalfEvenToInt((static_cast<double>(r.minimum) + r.maximum) / 2.0));
    const std::string range = ReplaceAll(TrimBlanks(GetField(Line, ",", 2)), kDegreesC, "");
    v.temperatureKnown = Measure::FromText(TrimBlanks(GetField(range, "->", 1))).value.has_value() &&
                         Measure::FromText(TrimBlanks(GetField(range, "->", 2))).value.has_value();
    return v;
}

SunTimesView ReadSunTimes(const std::string& ForecastText) {
    SunTimesView v;
    const std::string first = GetField(ForecastText, kCrLf, 1);
    const DateTime day = LineDate(first);
    SunCaption(GetField(GetField(first, ",", 4), "=", 2), day, v.riseCaption, v.riseKnown, v.sunUp);
    SunCaption(GetField(GetField(first, ",", 5), "=", 2), day, v.setCaption, v.setKnown, v.sunDown);
    return v;
}

std::string ForecastToolTip(const std::string& Line, TempUnit unit) {
    // The stored line is in degrees Celsius already, and is shown as stored.
    if (unit == TempUnit::Celsius) return Line;
    return ForecastLine(ReadForecastDay(Line), unit);
}

ForecastScreen ForecastScreenFor(const std::string& ForecastText, TempUnit unit) {
    ForecastScreen s;
    if (ForecastText.empty()) return s;
    s.shown = true;
    for (int16_t k = 1; k <= 3; ++k) {
        const std::string line = GetField(ForecastText, kCrLf, k);
        s.tiles[size_t(k - 1)] = ReadForecastLine(line);
        s.toolTips[size_t(k - 1)] = ForecastToolTip(line, unit);
    }
    s.sun = ReadSunTimes(ForecastText);
    return s;
}

ForecastMessage ForecastTileMessage(const ForecastDay& day, TempUnit unit) {
    const CivilTime d = Decode(day.date);
    ForecastMessage m;
    m.caption = WeekdayName(Weekday(day.date)) + " " + TwoDigits(d.day) + " " + MonthName(d.month, true) + " " +
                std::to_string(d.year) + " forecast";
    auto degrees = [&](const Measure& v) { return FormatTemperature(RoundedLeadingNumber(v.text), unit); };
    m.text = ProperCase(day.summary) + kCrLf + "Min Temp: " + degrees(day.minimum) + kCrLf +
             "Max Temp: " + degrees(day.maximum) + kCrLf + "Humidity: " + day.humidity.text + "%" + kCrLf +
             "Sunrise: " + day.sunrise.text + kCrLf + "Sunset: " + day.sunset.text;
    return m;
}

}  // namespace nimbrel

#include "feeds/ForecastFeed.h"

#include <cctype>
#include <cstdio>
#include <exception>

#include "base/Clock.h"
#include "base/modMisc.h"
#include "feeds/FeedText.h"

namespace nimbrel {
namespace {

const std::string kCrLf = "\r\n";
const std::string kDegreesC =
    "\xC2\xB0"
    "C";

std::string Between(const std::string& from, const std::string& to, const std::string& text) {
    int32_t start = 1;
    return ExtractBetween(from, to, text, start, false);
}

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

// A time of day such as "07:50". ParseTime reads the stored form; a zone
// other than GMT ("07:50BST") or a missing time leaves it without a number,
// so the hours and minutes at the front are tried as well.
bool ReadTimeOfDay(const std::string& text, DateTime& out) {
    try {
        out = ParseTime(text);
        return true;
    } catch (const std::exception&) {
    }
    std::size_t i = text.find_first_not_of(' ');
    if (i == std::string::npos) return false;
    auto digits = [&](std::size_t& at, std::size_t maxLen) {
        int value = 0;
        std::size_t n = 0;
        while (at < text.size() && n < maxLen && std::isdigit(static_cast<unsigned char>(text[at]))) {
            value = value * 10 + (text[at] - '0');
            ++at, ++n;
        }
        return n == 0 ? -1 : value;
    };
    const int hour = digits(i, 2);
    if (hour < 0 || i >= text.size() || text[i] != ':') return false;
    ++i;
    const int minute = digits(i, 2);
    if (minute < 0) return false;
    int second = 0;
    if (i < text.size() && text[i] == ':') {
        ++i;
        second = digits(i, 2);
        if (second < 0) second = 0;
    }
    out = TimeSerial(hour, minute, second);
    return true;
}

// The offset east of UTC of a zone a feed names after a time: the names
// feeds in English write, and numeric forms ("+0100", "+01", "GMT+1").
bool ZoneOffset(std::string name, long& seconds) {
    static const struct {
        const char* name;
        long hours;
    } kNames[] = {{"GMT", 0},   {"UTC", 0},   {"UT", 0},    {"Z", 0},    {"WET", 0},  {"BST", 1},  {"CET", 1},
                  {"WEST", 1},  {"CEST", 2},  {"EET", 2},   {"EEST", 3}, {"MSK", 3},  {"EST", -5}, {"EDT", -4},
                  {"CST", -6},  {"CDT", -5},  {"MST", -7},  {"MDT", -6}, {"PST", -8}, {"PDT", -7}, {"JST", 9},
                  {"AEST", 10}, {"AEDT", 11}, {"NZST", 12}, {"NZDT", 13}};
    name = UpperAscii(name);
    for (const auto& z : kNames)
        if (name == z.name) {
            seconds = z.hours * 3600;
            return true;
        }
    for (const char* prefix : {"GMT", "UTC"})
        if (name.rfind(prefix, 0) == 0) name = name.substr(3);
    if (name.size() < 2 || (name[0] != '+' && name[0] != '-')) return false;
    std::string digits;
    for (std::size_t i = 1; i < name.size(); ++i) {
        if (name[i] == ':') continue;
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) return false;
        digits += name[i];
    }
    long hours = 0, minutes = 0;
    if (digits.size() <= 2) {
        hours = std::stol(digits);
    } else if (digits.size() == 4) {
        hours = std::stol(digits.substr(0, 2));
        minutes = std::stol(digits.substr(2));
    } else {
        return false;
    }
    if (hours > 14 || minutes > 59) return false;
    seconds = (name[0] == '-' ? -1 : 1) * (hours * 3600 + minutes * 60);
    return true;
}

// A stored sun time ("07:54GMT") as the desktop's clock shows it on the day
// the forecast line is dated: the caption and the dial's time of day. A time
// without a zone, or with one this program does not know, is taken as the
// desktop's own, caption and all.
void ReadSunTime(const std::string& stored, DateTime day, std::string& caption, bool& known, DateTime& time) {
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

std::string SummariseForecastItem(const std::string& Item) {
    const std::string weekday = Between("<title>", ": ", Item);
    const std::string summary = Between(weekday + ": ", ", ", Item);
    const std::string title = Between("<title>", "</title>", Item);
    const std::string maximum = Between("Max Temp: ", "&#xB0;C", title);
    const std::string minimum = Between("Min Temp: ", "&#xB0;C", title);
    const std::string humidity = Between("Humidity: ", "%", Item);
    const std::string sunrise = Between("Sunrise: ", ",", Item);
    const std::string sunset = Between("Sunset: ", "</description>", Item);
    // Every part is made safe for the comma list and the stored file; the
    // weekday loses any ":" so that the date stamp replaces all of it.
    // Each part is cut to a length no real forecast reaches, so a hostile
    // feed cannot make the stored file grow with it.
    auto part = [](const std::string& text) { return CutToCharacters(StoredFieldText(text), 16); };
    return ReplaceAll(part(weekday), ":", "") + ": " + BoundedSummary(StoredFieldText(summary)) + ", " + part(minimum) +
           "->" + part(maximum) + kDegreesC + ", H=" + part(humidity) + "%, SR=" + part(sunrise) +
           ", SS=" + part(sunset);
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

std::string BuildForecastText(const std::string& FeedText) {
    std::string text;
    for (int16_t k = 1; k <= 3; ++k) {
        if (k > 1) text += kCrLf;
        text += DateStampForecastLine(SummariseForecastItem(GetField(FeedText, "<item>", static_cast<int16_t>(k + 1))));
    }
    return text;
}

void ParseForecast(const std::string& FeedText, SettingsStore& store, FeedDisplay& display) {
    if (FeedText.empty()) return;
    store.ForecastText = BuildForecastText(FeedText);
    ShowForecast(store.ForecastText, display);
}

ForecastTileView ReadForecastLine(const std::string& Line) {
    ForecastTileView v;
    v.caption = WeekdayName(Weekday(LineDate(Line)), true);
    v.summary = Between(": ", ", ", Line);
    const Range r = ReadRange(Line);
    v.temperature = static_cast<int16_t>(RoundHalfEvenToInt((static_cast<double>(r.minimum) + r.maximum) / 2.0));
    return v;
}

SunTimesView ReadSunTimes(const std::string& ForecastText) {
    SunTimesView v;
    const std::string first = GetField(ForecastText, kCrLf, 1);
    const DateTime day = LineDate(first);
    ReadSunTime(GetField(GetField(first, ",", 4), "=", 2), day, v.riseCaption, v.riseKnown, v.sunUp);
    ReadSunTime(GetField(GetField(first, ",", 5), "=", 2), day, v.setCaption, v.setKnown, v.sunDown);
    return v;
}

void ShowForecast(const std::string& ForecastText, FeedDisplay& display) {
    if (ForecastText.empty()) return;
    for (int16_t k = 1; k <= 3; ++k) ShowForecastLine(GetField(ForecastText, kCrLf, k), k - 1, display);
    ShowSunTimes(ForecastText, display);
}

void ShowForecastLine(const std::string& Line, int Index, FeedDisplay& display) {
    const ForecastTileView v = ReadForecastLine(Line);
    display.UpdateForecastTile(Index, v.caption, v.summary, v.temperature);
    display.SetForecastToolTip(Index, Line);
}

void ShowSunTimes(const std::string& ForecastText, FeedDisplay& display) {
    const SunTimesView v = ReadSunTimes(ForecastText);
    display.SetSunriseCaption(v.riseCaption);
    display.SetSunsetCaption(v.setCaption);
    // A time that cannot be read leaves the dial where it was rather than
    // turning it to midnight.
    if (v.riseKnown) display.SetSunUp(v.sunUp);
    if (v.setKnown) display.SetSunDown(v.sunDown);
}

MessageRequest ForecastTileMessage(const std::string& ToolTip) {
    const std::string& line = ToolTip;
    const CivilTime d = Decode(LineDate(line));
    MessageRequest m;
    m.caption = WeekdayName(Weekday(LineDate(line))) + " " + TwoDigits(d.day) + " " + MonthName(d.month, true) + " " +
                std::to_string(d.year) + " forecast";
    const Range r = ReadRange(line);
    auto part = [&](int16_t field) { return GetField(TrimBlanks(GetField(line, ",", field)), "=", 2); };
    m.text = ProperCase(Between(": ", ", ", line)) + kCrLf + "Min Temp: " + std::to_string(r.minimum) + kDegreesC +
             kCrLf + "Max Temp: " + std::to_string(r.maximum) + kDegreesC + kCrLf + "Humidity: " + part(3) + kCrLf +
             "Sunrise: " + part(4) + kCrLf + "Sunset: " + part(5);
    m.icon = MsgIcon::Information;
    return m;
}

void ShowForecastTileMessage(const std::string& ToolTip) {
    if (ToolTip.empty()) return;
    const MessageRequest m = ForecastTileMessage(ToolTip);
    ShowMessage(m.text, m.caption, m.icon);
}

}  // namespace nimbrel

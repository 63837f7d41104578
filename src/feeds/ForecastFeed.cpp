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

std::string ProperCase(const std::string& text) {
    std::string out = text;
    bool startOfWord = true;
    for (char& c : out) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isspace(u)) {
            startOfWord = true;
        } else {
            if (u < 0x80) c = static_cast<char>(startOfWord ? std::toupper(u) : std::tolower(u));
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
    v.riseCaption = ReplaceAll(GetField(GetField(first, ",", 4), "=", 2), "GMT", "");
    v.setCaption = ReplaceAll(GetField(GetField(first, ",", 5), "=", 2), "GMT", "");
    v.riseKnown = ReadTimeOfDay(v.riseCaption, v.sunUp);
    v.setKnown = ReadTimeOfDay(v.setCaption, v.sunDown);
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

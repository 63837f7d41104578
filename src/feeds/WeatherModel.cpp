#include "feeds/WeatherModel.h"

#include <cctype>
#include <exception>

#include "base/modMisc.h"
#include "feeds/FeedText.h"

namespace nimbrel {
namespace {

// A time of day such as "07:50". ParseTime reads the stored form; a zone
// other than GMT ("07:50BST") or a missing time leaves it without a number,
// so the hours and minutes at the front are tried as well.
bool ReadTimeOfDayImpl(const std::string& text, DateTime& out) {
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
bool ZoneOffsetImpl(std::string name, long& seconds) {
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
    // A sign with no digits ("-:", "GMT+") names no zone.
    if (digits.empty()) return false;
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

}  // namespace

bool ReadTimeOfDay(const std::string& text, DateTime& out) {
    return ReadTimeOfDayImpl(text, out);
}

bool ZoneOffset(const std::string& name, long& seconds) {
    return ZoneOffsetImpl(name, seconds);
}

Measure Measure::Whole(std::optional<int> degrees) {
    Measure m;
    if (degrees) {
        m.value = *degrees;
        m.text = std::to_string(*degrees);
    }
    return m;
}

Measure Measure::FromText(std::string text) {
    Measure m;
    const std::size_t first = text.find_first_not_of(' ');
    if (first != std::string::npos) {
        const char c = text[first];
        const bool number = std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '+' || c == '.';
        if (number && text != "n/a") m.value = Val(text);
    }
    m.text = std::move(text);
    return m;
}

std::string GmtSunText(const ZonedTime& time) {
    return FormatTimeHM(TimePart(time.Utc())) + "GMT";
}

std::optional<ZonedTime> ReadSunTime(const std::string& text, DateTime day) {
    std::size_t end = text.find_first_not_of(' ');
    if (end == std::string::npos) return std::nullopt;
    while (end < text.size() && (std::isdigit(static_cast<unsigned char>(text[end])) || text[end] == ':')) ++end;
    const std::string zone = TrimBlanks(text.substr(end));
    long offset = 0;
    DateTime t = 0;
    if (zone.empty() || !ZoneOffset(zone, offset) || !ReadTimeOfDay(text.substr(0, end), t)) return std::nullopt;
    return ZonedTime{DatePart(day) + t, offset};
}

std::string ForecastLine(const ForecastDay& day) {
    return ForecastLine(day, TempUnit::Celsius);
}

std::string ForecastLine(const ForecastDay& day, TempUnit unit) {
    // What the source did not give stands as "n/a" in the line, never as an
    // empty field that a reader could take for a 0.
    auto given = [](const std::string& text) { return text.empty() ? std::string(kNoValue) : text; };
    auto shown = [unit, &given](const Measure& m) {
        if (unit == TempUnit::Celsius || !m.value) return given(m.text);
        return std::to_string(ShownDegrees(*m.value, unit));
    };
    return FormatDate(day.date) + ": " + day.summary + ", " + shown(day.minimum) + "->" + shown(day.maximum) +
           UnitSymbol(unit) + ", H=" + given(day.humidity.text) + "%, SR=" + given(day.sunrise.text) +
           ", SS=" + given(day.sunset.text);
}

std::string ForecastText(const ForecastDays& days) {
    std::string text;
    for (std::size_t k = 0; k < days.size(); ++k) {
        if (k > 0) text += kCrLf;
        text += ForecastLine(days[k]);
    }
    return text;
}

ForecastDay ReadForecastDay(const std::string& Line) {
    ForecastDay d;
    d.date = LineDate(Line);
    d.summary = Between(": ", ", ", Line);
    const std::string range = ReplaceAll(TrimBlanks(GetField(Line, ",", 2)), kDegreesC, "");
    d.minimum = Measure::FromText(GetField(range, "->", 1));
    d.maximum = Measure::FromText(GetField(range, "->", 2));
    auto part = [&](int16_t field) { return GetField(TrimBlanks(GetField(Line, ",", field)), "=", 2); };
    std::string humidity = part(3);
    if (!humidity.empty() && humidity.back() == '%') humidity.pop_back();
    d.humidity = Measure::FromText(humidity);
    const DateTime day = DatePart(d.date) > 0 ? d.date : 0;
    d.sunrise = SunTime{part(4), ReadSunTime(part(4), day)};
    d.sunset = SunTime{part(5), ReadSunTime(part(5), day)};
    return d;
}

}  // namespace nimbrel

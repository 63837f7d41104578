#include "feeds/WeatherExtras.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <limits>

#include "base/Numbers.h"
#include "store/SettingsStore.h"

namespace nimbrel {
namespace {

constexpr const char* kDash = "-";
// Keys of the program's own section.
constexpr const char* kFeelsKey = "feels-like";
constexpr const char* kWindKey = "wind";
constexpr const char* kDaysKey = "day-extras";
constexpr const char* kHoursStartKey = "hours-from";
// The hours are kept in two keys of 24 each: a value of the section holds
// at most 300 characters, and 24 hours of "-12/100/100 " fit.
constexpr const char* kHoursKeys[] = {"hours-1", "hours-2"};
constexpr int kHoursPerKey = 24;

std::string Text(std::optional<int> v) {
    return v ? std::to_string(*v) : std::string(kDash);
}

std::optional<double> Number(std::string_view text) {
    double v = 0;
    if (text.empty() || text == kDash || !ParseDecimal(text, v)) return std::nullopt;
    return v;
}

std::vector<std::string> Words(std::string_view text, char separator) {
    std::vector<std::string> out;
    std::string word;
    for (char c : text) {
        if (c == separator) {
            if (!word.empty() || separator != ' ') out.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty() || (separator != ' ' && !out.empty())) out.push_back(word);
    return out;
}

// "2026-12-08T14:00" of a local time, and back.
std::string IsoMinute(DateTime local) {
    return FormatIso(local).substr(0, 16);
}
std::optional<DateTime> ReadIsoMinute(std::string_view text) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0;
    char tail = 0;
    const std::string s(text.substr(0, 40));
    if (std::sscanf(s.c_str(), "%4d-%2d-%2dT%2d:%2d%c", &y, &mo, &d, &h, &mi, &tail) != 5) return std::nullopt;
    if (y < 1900 || y > 9999 || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || h < 0 || mi < 0)
        return std::nullopt;
    return DateSerial(y, mo, d) + TimeSerial(h, mi, 0);
}

std::optional<ZonedTime> ReadZoned(std::string_view time, std::string_view offset) {
    const auto local = ReadIsoMinute(time);
    const auto seconds = Number(offset);
    if (!local || !seconds || std::fabs(*seconds) > 18 * 3600.0) return std::nullopt;
    return ZonedTime{*local, std::lround(*seconds)};
}

// "t/h/r": temperature, humidity and chance of rain of one hour.
std::string HourValues(const ForecastHour& h) {
    return Text(h.temperature) + "/" + Text(h.humidity) + "/" + Text(h.rainChance);
}
void ReadHourValues(std::string_view text, ForecastHour& h) {
    const auto parts = Words(text, '/');
    if (parts.size() != 3) return;
    h.temperature = WholeWithin(Number(parts[0]), kFeelsLikeLowest, kFeelsLikeHighest);
    h.humidity = WholeWithin(Number(parts[1]), 0, 100);
    h.rainChance = WholeWithin(Number(parts[2]), 0, 100);
}

// The text between <nimbrel:name> and </nimbrel:name> from `from` on, bounded.
std::optional<std::string> Element(const std::string& text, const std::string& name, size_t from = 0,
                                   size_t to = std::string::npos) {
    const std::string open = "<nimbrel:" + name + ">", close = "</nimbrel:" + name + ">";
    const size_t a = text.find(open, from);
    if (a == std::string::npos || a >= to) return std::nullopt;
    const size_t b = text.find(close, a + open.size());
    if (b == std::string::npos || b > to || b - a - open.size() > 64) return std::nullopt;
    return text.substr(a + open.size(), b - a - open.size());
}

std::optional<double> ElementNumber(const std::string& text, const std::string& name, size_t from = 0,
                                    size_t to = std::string::npos) {
    const auto e = Element(text, name, from, to);
    return e ? Number(*e) : std::nullopt;
}

}  // namespace

std::optional<double> WithinBounds(std::optional<double> value, double lo, double hi) {
    if (!value || !std::isfinite(*value) || *value < lo || *value > hi) return std::nullopt;
    return value;
}

std::optional<int> WholeWithin(std::optional<double> value, double lo, double hi) {
    const auto v = WithinBounds(value, lo, hi);
    if (!v) return std::nullopt;
    return static_cast<int>(RoundHalfEvenToInt(*v));
}

std::string WindUnitKey(WindUnit unit) {
    switch (unit) {
        case WindUnit::MetresPerSecond:
            return "ms";
        case WindUnit::Mph:
            return "mph";
        case WindUnit::Knots:
            return "kn";
        case WindUnit::Beaufort:
            return "bft";
        case WindUnit::Kmh:
            break;
    }
    return "kmh";
}

WindUnit WindUnitFromKey(std::string_view key) {
    for (WindUnit u : {WindUnit::MetresPerSecond, WindUnit::Mph, WindUnit::Knots, WindUnit::Beaufort})
        if (key == WindUnitKey(u)) return u;
    return WindUnit::Kmh;
}

std::string WindUnitSymbol(WindUnit unit) {
    switch (unit) {
        case WindUnit::MetresPerSecond:
            return "m/s";
        case WindUnit::Mph:
            return "mph";
        case WindUnit::Knots:
            return "kn";
        case WindUnit::Beaufort:
            return "Bft";
        case WindUnit::Kmh:
            break;
    }
    return "km/h";
}

int ShownWind(double kmh, WindUnit unit) {
    switch (unit) {
        case WindUnit::MetresPerSecond:
            return static_cast<int>(RoundHalfEvenToInt(kmh / 3.6));
        case WindUnit::Mph:
            return static_cast<int>(RoundHalfEvenToInt(kmh / 1.609344));
        case WindUnit::Knots:
            return static_cast<int>(RoundHalfEvenToInt(kmh / 1.852));
        case WindUnit::Beaufort: {
            // The upper ends of forces 0 to 11 in km/h; 118 and more is 12.
            static constexpr double kUpper[] = {1, 6, 12, 20, 29, 39, 50, 62, 75, 89, 103, 118};
            int force = 0;
            while (force < 12 && kmh >= kUpper[force]) ++force;
            return force;
        }
        case WindUnit::Kmh:
            break;
    }
    return static_cast<int>(RoundHalfEvenToInt(kmh));
}

std::string FormatWind(double kmh, WindUnit unit) {
    return std::to_string(ShownWind(kmh, unit)) + " " + WindUnitSymbol(unit);
}

int CompassIndex(int degrees) {
    const int d = ((degrees % 360) + 360) % 360;
    return ((d * 2 + 45) / 90) % 8;
}

std::string CompassAbbreviation(int degrees) {
    static constexpr const char* kPoints[] = {"N", "NE", "E", "SE", "S", "SW", "W", "NW"};
    return kPoints[CompassIndex(degrees)];
}

bool HasExtras(const Observation& o) {
    return o.feelsLike || o.windSpeed;
}

bool HasExtras(const ForecastDay& d) {
    return d.rainChance || d.windMax;
}

HourlyForecast HoursToShow(const HourlyForecast& hours, DateTime nowUtc) {
    if (hours.empty()) return {};
    // The last hour covers the hour after its time.
    if (hours.back().time.Utc() + 1.0 / 24 <= nowUtc) return {};
    HourlyForecast out;
    for (const ForecastHour& h : hours)
        if (h.time.Utc() + 1.0 / 24 > nowUtc) out.push_back(h);
    return out;
}

ChartForecast ForecastSeries(const HourlyForecast& hours, DateTime nowLocal, long offsetSeconds, TempUnit unit) {
    ChartForecast f;
    const double offsetDays = offsetSeconds / 86400.0;
    const HourlyForecast ahead = HoursToShow(hours, nowLocal - offsetDays);
    if (ahead.empty()) return f;
    f.now = nowLocal;
    const float gap = std::numeric_limits<float>::quiet_NaN();
    for (const ForecastHour& h : ahead) {
        f.times.push_back(h.time.Utc() + offsetDays);
        f.temperature.push_back(h.temperature ? static_cast<float>(ShownDegrees(*h.temperature, unit)) : gap);
        f.humidity.push_back(h.humidity ? static_cast<float>(*h.humidity) : gap);
        f.rainChance.push_back(h.rainChance ? static_cast<float>(*h.rainChance) : gap);
    }
    return f;
}

// --- documents -------------------------------------------------------------------------

std::string NimbrelRssOpening() {
    return std::string("<rss version=\"2.0\" xmlns:nimbrel=\"") + kNimbrelNamespace + "\">";
}

std::string ObservationExtrasXml(const Observation& o) {
    std::string xml;
    if (o.feelsLike) xml += "<nimbrel:feelsLike>" + std::to_string(*o.feelsLike) + "</nimbrel:feelsLike>\n";
    if (o.windSpeed) xml += "<nimbrel:windSpeed>" + FormatShortest(*o.windSpeed, 1) + "</nimbrel:windSpeed>\n";
    if (o.windDirection)
        xml += "<nimbrel:windDirection>" + std::to_string(*o.windDirection) + "</nimbrel:windDirection>\n";
    return xml;
}

std::string DayExtrasXml(const ForecastDay& d) {
    std::string xml;
    if (d.rainChance) xml += "<nimbrel:rainChance>" + std::to_string(*d.rainChance) + "</nimbrel:rainChance>\n";
    if (d.windMax) xml += "<nimbrel:windMax>" + FormatShortest(*d.windMax, 1) + "</nimbrel:windMax>\n";
    return xml;
}

std::string HoursXml(const HourlyForecast& hours) {
    std::string xml;
    for (const ForecastHour& h : hours)
        xml += "<nimbrel:hour>" + IsoMinute(h.time.local) + " " + std::to_string(h.time.offsetSeconds) + " " +
               HourValues(h) + "</nimbrel:hour>\n";
    return xml;
}

void ReadObservationExtras(const std::string& feedText, Observation& o) {
    o.feelsLike = WholeWithin(ElementNumber(feedText, "feelsLike"), kFeelsLikeLowest, kFeelsLikeHighest);
    o.windSpeed = WithinBounds(ElementNumber(feedText, "windSpeed"), 0, kWindHighest);
    o.windDirection = o.windSpeed ? WholeWithin(ElementNumber(feedText, "windDirection"), 0, 360) : std::nullopt;
}

void ReadForecastExtras(const std::string& feedText, ForecastDays& days, HourlyForecast& hours) {
    // The days are the first three items, as the forecast parser takes them.
    size_t at = 0;
    for (ForecastDay& d : days) {
        const size_t item = feedText.find("<item>", at);
        if (item == std::string::npos) break;
        const size_t end = feedText.find("</item>", item);
        d.rainChance = WholeWithin(ElementNumber(feedText, "rainChance", item, end), 0, 100);
        d.windMax = WithinBounds(ElementNumber(feedText, "windMax", item, end), 0, kWindHighest);
        if (end == std::string::npos) break;
        at = end;
    }
    hours.clear();
    size_t from = 0;
    while (hours.size() < static_cast<size_t>(kHoursKept)) {
        const auto e = Element(feedText, "hour", from);
        if (!e) break;
        from = feedText.find("</nimbrel:hour>", from) + 1;
        const auto words = Words(*e, ' ');
        if (words.size() != 3) continue;
        const auto time = ReadZoned(words[0], words[1]);
        if (!time) continue;
        ForecastHour h{*time, {}, {}, {}};
        ReadHourValues(words[2], h);
        // Hours follow one another; one out of order ends the list.
        if (!hours.empty() && std::llround((h.time.Utc() - hours.back().time.Utc()) * 24) != 1) break;
        hours.push_back(h);
    }
}

// --- settings.txt --------------------------------------------------------------------------

void KeepObservationExtras(const Observation& o, SettingsStore& store) {
    store.SetExtra(kFeelsKey, o.feelsLike ? std::to_string(*o.feelsLike) : std::string());
    store.SetExtra(kWindKey,
                   o.windSpeed ? FormatShortest(*o.windSpeed, 1) + " " + Text(o.windDirection) : std::string());
}

void KeepForecastExtras(const ForecastDays& days, const HourlyForecast& hours, SettingsStore& store) {
    std::string dayText;
    bool any = false;
    for (const ForecastDay& d : days) {
        any = any || HasExtras(d);
        if (!dayText.empty()) dayText += " ";
        dayText += Text(d.rainChance) + "/" + (d.windMax ? FormatShortest(*d.windMax, 1) : std::string(kDash));
    }
    store.SetExtra(kDaysKey, any ? dayText : std::string());
    const size_t n = std::min(hours.size(), static_cast<size_t>(kHoursKept));
    store.SetExtra(
        kHoursStartKey,
        n ? IsoMinute(hours[0].time.local) + " " + std::to_string(hours[0].time.offsetSeconds) : std::string());
    for (size_t k = 0; k < 2; ++k) {
        std::string text;
        for (size_t i = k * kHoursPerKey; i < n && i < (k + 1) * kHoursPerKey; ++i) {
            if (!text.empty()) text += ' ';
            text += HourValues(hours[i]);
        }
        store.SetExtra(kHoursKeys[k], text);
    }
}

void LoadObservationExtras(const SettingsStore& store, Observation& o) {
    o.feelsLike = WholeWithin(Number(store.Extra(kFeelsKey)), kFeelsLikeLowest, kFeelsLikeHighest);
    const auto wind = Words(store.Extra(kWindKey), ' ');
    o.windSpeed = wind.size() == 2 ? WithinBounds(Number(wind[0]), 0, kWindHighest) : std::nullopt;
    o.windDirection = o.windSpeed ? WholeWithin(Number(wind[1]), 0, 360) : std::nullopt;
}

void LoadForecastExtras(const SettingsStore& store, ForecastDays& days, HourlyForecast& hours) {
    const auto dayWords = Words(store.Extra(kDaysKey), ' ');
    for (size_t k = 0; k < days.size(); ++k) {
        days[k].rainChance.reset();
        days[k].windMax.reset();
        if (dayWords.size() != days.size()) continue;
        const auto parts = Words(dayWords[k], '/');
        if (parts.size() != 2) continue;
        days[k].rainChance = WholeWithin(Number(parts[0]), 0, 100);
        days[k].windMax = WithinBounds(Number(parts[1]), 0, kWindHighest);
    }
    hours.clear();
    const auto start = Words(store.Extra(kHoursStartKey), ' ');
    const auto first = start.size() == 2 ? ReadZoned(start[0], start[1]) : std::nullopt;
    if (!first) return;
    for (const char* key : kHoursKeys)
        for (const std::string& word : Words(store.Extra(key), ' ')) {
            if (hours.size() >= static_cast<size_t>(kHoursKept)) return;
            ForecastHour h{
                ZonedTime{first->local + static_cast<double>(hours.size()) / 24, first->offsetSeconds}, {}, {}, {}};
            ReadHourValues(word, h);
            hours.push_back(h);
        }
}

// --- check lines -------------------------------------------------------------------------

std::vector<std::string> ObservationExtrasLines(const Observation& o) {
    std::vector<std::string> lines;
    if (o.feelsLike) lines.push_back("feels like: " + std::to_string(*o.feelsLike));
    if (o.windSpeed) {
        std::string line = "wind: " + FormatWind(*o.windSpeed, WindUnit::Kmh);
        if (o.windDirection) line += " from " + CompassAbbreviation(*o.windDirection);
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> ForecastExtrasLines(const ForecastDays& days, const HourlyForecast& hours) {
    std::vector<std::string> lines;
    for (size_t k = 0; k < days.size(); ++k) {
        const std::string tile = "tile " + std::to_string(k + 1);
        if (days[k].rainChance) lines.push_back(tile + " chance of rain: " + std::to_string(*days[k].rainChance));
        if (days[k].windMax) lines.push_back(tile + " strongest wind: " + FormatWind(*days[k].windMax, WindUnit::Kmh));
    }
    for (size_t i = 0; i < hours.size(); ++i) {
        const ForecastHour& h = hours[i];
        lines.push_back("hour " + std::to_string(i + 1) + ": " + IsoMinute(h.time.local) + " " + Text(h.temperature) +
                        " " + Text(h.humidity) + " " + Text(h.rainChance));
    }
    return lines;
}

}  // namespace nimbrel

#include "feeds/OpenMeteo.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <optional>
#include <vector>

#include "base/DateTime.h"
#include "base/Numbers.h"
#include "feeds/FeedText.h"
#include "feeds/JsonDepth.h"
#include "feeds/WeatherCodes.h"
#include "feeds/WeatherExtras.h"
#include "store/SettingsStore.h"

namespace nimbrel {
namespace {

using Json = nlohmann::json;

// A refusal with the reason the user is shown.
struct Refused {
    std::string why;
};

// A number, or nothing for null and absence; any other kind of value means
// the answer is not what the service documents.
std::optional<double> Number(const Json& object, const char* key, const std::string& where) {
    const auto it = object.find(key);
    if (it == object.end() || it->is_null()) return std::nullopt;
    if (!it->is_number()) throw Refused{where + "." + key + " is not a number"};
    return it->get<double>();
}

// Whole number, halves to even. Values far outside any weather are held to
// the 16-bit range the parsers keep anyway, so the conversion never overflows.
std::optional<int> Whole(std::optional<double> v) {
    if (!v) return std::nullopt;
    return static_cast<int>(RoundHalfEvenToInt(std::clamp(*v, -32768.0, 32767.0)));
}

// "2026-12-08T14:15" or "2026-12-08" as a DateTime; nothing if it is not one.
std::optional<DateTime> IsoTime(const Json& value) {
    if (!value.is_string()) return std::nullopt;
    const std::string s = value.get<std::string>();
    int y = 0, mo = 0, d = 0, h = 0, mi = 0;
    char tail = 0;
    const int n = std::sscanf(s.c_str(), "%4d-%2d-%2dT%2d:%2d%c", &y, &mo, &d, &h, &mi, &tail);
    if (n != 3 && n != 5) return std::nullopt;
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || h < 0 || h > 23 || mi < 0 || mi > 59 || y < 1900 || y > 9999)
        return std::nullopt;
    return DateSerial(y, mo, d) + TimeSerial(h, mi, 0);
}

std::string Degrees(int celsius) {
    const auto fahrenheit = RoundHalfEvenToInt(celsius * 9.0 / 5.0 + 32.0);
    return std::to_string(celsius) + "&#xB0;C (" + std::to_string(fahrenheit) + "&#xB0;F)";
}

std::string RfcDate(DateTime gmt) {
    const CivilTime c = Decode(gmt);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s, %02d %s %04d %02d:%02d:%02d +0000", WeekdayName(Weekday(gmt), true).c_str(),
                  c.day, MonthName(c.month, true).c_str(), c.year, c.hour, c.minute, c.second);
    return buf;
}

std::string Head(const std::string& title) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + NimbrelRssOpening() + "\n<channel>\n<title>" + title +
           "</title>\n<link>https://open-meteo.com/</link>\n<description>" + kOpenMeteoAttribution +
           "</description>\n<language>en-gb</language>\n";
}

const Json& Section(const Json& root, const char* key) {
    const auto it = root.find(key);
    if (it == root.end() || !it->is_object()) throw Refused{std::string("the answer has no \"") + key + "\" section"};
    return *it;
}

Observation ReadCurrent(const Json& current, long offsetSeconds, DateTime today) {
    const auto time = IsoTime(current.value("time", Json()));
    const auto temperature = Whole(Number(current, "temperature_2m", "current"));
    const auto humidity = Whole(Number(current, "relative_humidity_2m", "current"));
    const auto code = Number(current, "weather_code", "current");
    const auto isDay = Number(current, "is_day", "current");
    // No code is weather not known, the plain summary rather than an empty tile.
    const std::string summary =
        WeatherCodeSummary(code ? static_cast<int>(std::clamp(*code, -1.0, 1000.0)) : -1, !isDay || *isDay != 0);
    Observation o;
    o.summary = BoundedSummary(StoredFieldText(summary));
    // Bounded as a feed's values are: a number beyond any weather is a
    // missing one.
    o.temperature = Measure::FromText(BoundedTemperature(temperature ? std::to_string(*temperature) : ""));
    o.humidity = Measure::FromText(BoundedHumidity(humidity ? std::to_string(*humidity) : ""));
    o.time = ZonedTime{time ? *time : today, offsetSeconds};
    return o;
}

std::string ObservationDocument(const Observation& o) {
    const DateTime gmt = o.time ? o.time->Utc() : 0;
    const CivilTime c = Decode(gmt);
    char clock[8];
    std::snprintf(clock, sizeof clock, "%02d:%02d", c.hour, c.minute);
    const std::string temperature = o.temperature.value ? Degrees(int(*o.temperature.value)) : "";
    std::string doc = Head("Open-Meteo - Latest observations");
    doc += "<item>\n<title>" + WeekdayName(Weekday(gmt)) + " at " + clock + " GMT:\n" + o.summary + ". " + temperature +
           "</title>\n<description>";
    std::vector<std::string> parts;
    if (o.temperature.value) parts.push_back("Temperature: " + temperature);
    if (o.humidity.value) parts.push_back("Humidity: " + o.humidity.text + "&#37;");
    for (size_t i = 0; i < parts.size(); ++i) doc += (i ? ", " : "") + parts[i];
    doc += "</description>\n<pubDate>" + RfcDate(gmt) + "</pubDate>\n" + ObservationExtrasXml(o) +
           "</item>\n</channel>\n</rss>\n";
    return doc;
}

// One daily list: empty when the service left it out, else exactly days long.
std::vector<Json> DailyList(const Json& daily, const char* key, size_t days) {
    const auto it = daily.find(key);
    if (it == daily.end() || it->is_null()) return std::vector<Json>(days);
    if (!it->is_array()) throw Refused{std::string("daily.") + key + " is not a list"};
    if (it->size() != days) throw Refused{"the daily lists have different lengths"};
    return std::vector<Json>(it->begin(), it->end());
}

std::optional<double> DailyNumber(const std::vector<Json>& list, size_t k, const char* key) {
    if (list[k].is_null()) return std::nullopt;
    if (!list[k].is_number()) throw Refused{std::string("daily.") + key + " holds a value that is not a number"};
    return list[k].get<double>();
}

// A value of the extra fields: a number, or nothing for anything else. The
// extra values never refuse an answer; one that is wrong is just not there.
std::optional<double> Loose(const Json& value) {
    if (!value.is_number()) return std::nullopt;
    return value.get<double>();
}

std::optional<double> LooseField(const Json& object, const char* key) {
    const auto it = object.find(key);
    return it == object.end() ? std::nullopt : Loose(*it);
}

// An extra daily or hourly list: the values, or none at all when the list is
// absent, null, not a list or of another length than the times.
std::vector<std::optional<double>> LooseList(const Json& section, const char* key, size_t length) {
    const auto it = section.find(key);
    if (it == section.end() || !it->is_array() || it->size() != length) return {};
    std::vector<std::optional<double>> out;
    out.reserve(length);
    for (const Json& v : *it) out.push_back(Loose(v));
    return out;
}

void ReadCurrentExtras(const Json& current, Observation& o) {
    o.feelsLike = WholeWithin(LooseField(current, "apparent_temperature"), kFeelsLikeLowest, kFeelsLikeHighest);
    o.windSpeed = WithinBounds(LooseField(current, "wind_speed_10m"), 0, kWindHighest);
    // A direction without a speed says nothing.
    o.windDirection = o.windSpeed ? WholeWithin(LooseField(current, "wind_direction_10m"), 0, 360) : std::nullopt;
}

void ReadDailyExtras(const Json& daily, ForecastDays& days) {
    const size_t n = daily["time"].size();
    const auto rain = LooseList(daily, "precipitation_probability_max", n);
    const auto wind = LooseList(daily, "wind_speed_10m_max", n);
    for (size_t k = 0; k < days.size(); ++k) {
        if (!rain.empty()) days[k].rainChance = WholeWithin(rain[k], 0, 100);
        if (!wind.empty()) days[k].windMax = WithinBounds(wind[k], 0, kWindHighest);
    }
}

// The hourly forecast: the first 48 hours of consecutive times. Lists of
// another length than the times are left out whole; the times must be there.
HourlyForecast ReadHourly(const Json& root, long offsetSeconds) {
    const auto section = root.find("hourly");
    if (section == root.end() || !section->is_object()) return {};
    const auto times = section->find("time");
    if (times == section->end() || !times->is_array()) return {};
    const size_t n = times->size();
    const auto temperatures = LooseList(*section, "temperature_2m", n);
    const auto humidities = LooseList(*section, "relative_humidity_2m", n);
    const auto rain = LooseList(*section, "precipitation_probability", n);
    HourlyForecast hours;
    for (size_t i = 0; i < n && hours.size() < static_cast<size_t>(kHoursKept); ++i) {
        const auto t = IsoTime((*times)[i]);
        if (!t) break;
        ForecastHour h{ZonedTime{*t, offsetSeconds}, {}, {}, {}};
        if (!hours.empty() && std::llround((h.time.local - hours.back().time.local) * 24) != 1) break;
        if (!temperatures.empty()) h.temperature = WholeWithin(temperatures[i], kFeelsLikeLowest, kFeelsLikeHighest);
        if (!humidities.empty()) h.humidity = WholeWithin(humidities[i], 0, 100);
        if (!rain.empty()) h.rainChance = WholeWithin(rain[i], 0, 100);
        hours.push_back(h);
    }
    return hours;
}

SunTime ReadSun(const Json& value, long offsetSeconds) {
    const auto t = IsoTime(value);
    if (!t) return {};
    const ZonedTime at{*t, offsetSeconds};
    return SunTime{GmtSunText(at), at};
}

ForecastDays ReadDaily(const Json& daily, long offsetSeconds) {
    const auto times = daily.find("time");
    if (times == daily.end() || !times->is_array()) throw Refused{"the answer has no list of days"};
    const size_t days = times->size();
    if (days < 3) throw Refused{"the answer has fewer than three days"};
    const auto codes = DailyList(daily, "weather_code", days);
    const auto maxima = DailyList(daily, "temperature_2m_max", days);
    const auto minima = DailyList(daily, "temperature_2m_min", days);
    const auto humidities = DailyList(daily, "relative_humidity_2m_mean", days);
    const auto sunrises = DailyList(daily, "sunrise", days);
    const auto sunsets = DailyList(daily, "sunset", days);

    ForecastDays out;
    for (size_t k = 0; k < 3; ++k) {
        const auto date = IsoTime((*times)[k]);
        if (!date) throw Refused{"a day of the answer has no date"};
        const auto code = DailyNumber(codes, k, "weather_code");
        ForecastDay& d = out[k];
        // The service's own date for the day, not one guessed from a weekday.
        d.date = DatePart(*date);
        // A day's summary is the day's weather, so the daytime form.
        d.summary = BoundedSummary(
            StoredFieldText(WeatherCodeSummary(code ? static_cast<int>(std::clamp(*code, -1.0, 1000.0)) : -1, true)));
        d.maximum = Measure::Whole(Whole(DailyNumber(maxima, k, "temperature_2m_max")));
        d.minimum = Measure::Whole(Whole(DailyNumber(minima, k, "temperature_2m_min")));
        d.humidity = Measure::Whole(Whole(DailyNumber(humidities, k, "relative_humidity_2m_mean")));
        d.sunrise = ReadSun(sunrises[k], offsetSeconds);
        d.sunset = ReadSun(sunsets[k], offsetSeconds);
    }
    return out;
}

std::string ForecastDocument(const ForecastDays& days, const HourlyForecast& hours) {
    std::string doc = Head("Open-Meteo - Forecast");
    for (const ForecastDay& d : days) {
        const std::string maximum = d.maximum.value ? Degrees(int(*d.maximum.value)) : "";
        const std::string minimum = d.minimum.value ? Degrees(int(*d.minimum.value)) : "";
        // The title keeps its labels even without values: the summary is
        // read up to the ", " after it, so it must never be the last part.
        doc += "<item>\n<title>" + WeekdayName(Weekday(d.date)) + ": " + d.summary +
               ", Max Temp: " + (maximum.empty() ? "&#xB0;C" : maximum) +
               ", Min Temp: " + (minimum.empty() ? "&#xB0;C" : minimum) + "</title>\n<description>";
        if (!maximum.empty()) doc += "Maximum Temperature: " + maximum + ", ";
        if (!minimum.empty()) doc += "Minimum Temperature: " + minimum + ", ";
        if (d.humidity.value) doc += "Humidity: " + d.humidity.text + "%, ";
        doc += "Sunrise: " + d.sunrise.text + ", Sunset: " + d.sunset.text + "</description>\n" + DayExtrasXml(d) +
               "</item>\n";
    }
    doc += HoursXml(hours) + "</channel>\n</rss>\n";
    return doc;
}

}  // namespace

std::string OpenMeteoBaseUrl() {
    const char* env = std::getenv("NIMBREL_OPEN_METEO_URL");
    return env && *env ? env : kOpenMeteoBaseUrl;
}

std::string FormatCoordinate(double value) {
    return FormatShortest(value, 4);
}

std::string OpenMeteoForecastUrl(const std::string& baseUrl, double latitude, double longitude) {
    std::string base = baseUrl;
    while (!base.empty() && base.back() == '/') base.pop_back();
    return base + "/v1/forecast?latitude=" + FormatCoordinate(latitude) + "&longitude=" + FormatCoordinate(longitude) +
           "&current=temperature_2m,relative_humidity_2m,weather_code,is_day,apparent_temperature,wind_speed_10m,"
           "wind_direction_10m"
           "&daily=weather_code,temperature_2m_max,temperature_2m_min,relative_humidity_2m_mean,sunrise,sunset,"
           "precipitation_probability_max,wind_speed_10m_max"
           "&hourly=temperature_2m,relative_humidity_2m,precipitation_probability&forecast_hours=48"
           "&timezone=auto&forecast_days=3";
}

OpenMeteoWeather ReadOpenMeteo(const std::string& json) {
    OpenMeteoWeather out;
    std::string why;
    const Json root = ParseShallowJson(json, why);
    if (root.is_discarded()) {
        out.error = "the answer " + why;
        return out;
    }
    try {
        if (!root.is_object()) throw Refused{"the answer is not a forecast"};
        const auto offset = Number(root, "utc_offset_seconds", "answer");
        if (!offset || std::fabs(*offset) > 18 * 3600.0) throw Refused{"the answer does not give the place's zone"};
        const long offsetSeconds = std::lround(*offset);
        const Json& current = Section(root, "current");
        const Json& daily = Section(root, "daily");
        const auto today = IsoTime(
            daily.contains("time") && daily["time"].is_array() && !daily["time"].empty() ? daily["time"][0] : Json());
        out.weather.days = ReadDaily(daily, offsetSeconds);
        out.weather.observation = ReadCurrent(current, offsetSeconds, today ? *today : 0);
        ReadCurrentExtras(current, out.weather.observation);
        ReadDailyExtras(daily, out.weather.days);
        out.weather.hours = ReadHourly(root, offsetSeconds);
        out.ok = true;
    } catch (const Refused& r) {
        out.error = r.why;
        out.weather = {};
    } catch (const Json::exception& e) {
        out.error = std::string("the answer is not a forecast (") + e.what() + ")";
        out.weather = {};
    }
    return out;
}

std::string OpenMeteoObservationDocument(const Observation& observation) {
    return ObservationDocument(observation);
}

std::string OpenMeteoForecastDocument(const ForecastDays& days, const HourlyForecast& hours) {
    return ForecastDocument(days, hours);
}

OpenMeteoDocuments ConvertOpenMeteo(const std::string& json) {
    OpenMeteoDocuments out;
    const OpenMeteoWeather w = ReadOpenMeteo(json);
    out.ok = w.ok;
    out.error = w.error;
    if (!w.ok) return out;
    out.observation = ObservationDocument(w.weather.observation);
    out.forecast = ForecastDocument(w.weather.days, w.weather.hours);
    return out;
}

}  // namespace nimbrel

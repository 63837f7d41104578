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
#include "feeds/JsonDepth.h"
#include "feeds/WeatherCodes.h"

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
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\">\n<channel>\n<title>" + title +
           "</title>\n<link>https://open-meteo.com/</link>\n<description>" + kOpenMeteoAttribution +
           "</description>\n<language>en-gb</language>\n";
}

const Json& Section(const Json& root, const char* key) {
    const auto it = root.find(key);
    if (it == root.end() || !it->is_object()) throw Refused{std::string("the answer has no \"") + key + "\" section"};
    return *it;
}

std::string Observation(const Json& current, double offsetSeconds, DateTime fetchedAt) {
    const auto time = IsoTime(current.value("time", Json()));
    const DateTime gmt = (time ? *time : fetchedAt) - offsetSeconds / 86400.0;
    const auto temperature = Whole(Number(current, "temperature_2m", "current"));
    const auto humidity = Whole(Number(current, "relative_humidity_2m", "current"));
    const auto code = Number(current, "weather_code", "current");
    const auto isDay = Number(current, "is_day", "current");
    // No code is weather not known, the plain summary rather than an empty tile.
    const std::string summary =
        WeatherCodeSummary(code ? static_cast<int>(std::clamp(*code, -1.0, 1000.0)) : -1, !isDay || *isDay != 0);

    const CivilTime c = Decode(gmt);
    char clock[8];
    std::snprintf(clock, sizeof clock, "%02d:%02d", c.hour, c.minute);
    std::string doc = Head("Open-Meteo - Latest observations");
    doc += "<item>\n<title>" + WeekdayName(Weekday(gmt)) + " at " + clock + " GMT:\n" + summary + ". " +
           (temperature ? Degrees(*temperature) : "") + "</title>\n<description>";
    std::vector<std::string> parts;
    if (temperature) parts.push_back("Temperature: " + Degrees(*temperature));
    if (humidity) parts.push_back("Humidity: " + std::to_string(*humidity) + "&#37;");
    for (size_t i = 0; i < parts.size(); ++i) doc += (i ? ", " : "") + parts[i];
    doc += "</description>\n<pubDate>" + RfcDate(gmt) + "</pubDate>\n</item>\n</channel>\n</rss>\n";
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

std::string SunTime(const Json& value, double offsetSeconds) {
    const auto t = IsoTime(value);
    if (!t) return "";
    return FormatTimeHM(TimePart(*t - offsetSeconds / 86400.0)) + "GMT";
}

std::string Forecast(const Json& daily, double offsetSeconds) {
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

    std::string doc = Head("Open-Meteo - Forecast");
    for (size_t k = 0; k < 3; ++k) {
        const auto date = IsoTime((*times)[k]);
        if (!date) throw Refused{"a day of the answer has no date"};
        const auto code = DailyNumber(codes, k, "weather_code");
        const auto maximum = Whole(DailyNumber(maxima, k, "temperature_2m_max"));
        const auto minimum = Whole(DailyNumber(minima, k, "temperature_2m_min"));
        const auto humidity = Whole(DailyNumber(humidities, k, "relative_humidity_2m_mean"));
        // A day's summary is the day's weather, so the daytime form.
        const std::string summary =
            WeatherCodeSummary(code ? static_cast<int>(std::clamp(*code, -1.0, 1000.0)) : -1, true);
        // The title keeps its labels even without values: the summary is
        // read up to the ", " after it, so it must never be the last part.
        doc += "<item>\n<title>" + WeekdayName(Weekday(*date)) + ": " + summary +
               ", Max Temp: " + (maximum ? Degrees(*maximum) : "&#xB0;C") +
               ", Min Temp: " + (minimum ? Degrees(*minimum) : "&#xB0;C") + "</title>\n<description>";
        if (maximum) doc += "Maximum Temperature: " + Degrees(*maximum) + ", ";
        if (minimum) doc += "Minimum Temperature: " + Degrees(*minimum) + ", ";
        if (humidity) doc += "Humidity: " + std::to_string(*humidity) + "%, ";
        doc += "Sunrise: " + SunTime(sunrises[k], offsetSeconds) + ", Sunset: " + SunTime(sunsets[k], offsetSeconds) +
               "</description>\n</item>\n";
    }
    doc += "</channel>\n</rss>\n";
    return doc;
}

}  // namespace

std::string OpenMeteoBaseUrl() {
    const char* env = std::getenv("NIMBREL_OPEN_METEO_URL");
    return env && *env ? env : kOpenMeteoBaseUrl;
}

std::string FormatCoordinate(double value) { return FormatShortest(value, 4); }

std::string OpenMeteoForecastUrl(const std::string& baseUrl, double latitude, double longitude) {
    std::string base = baseUrl;
    while (!base.empty() && base.back() == '/') base.pop_back();
    return base + "/v1/forecast?latitude=" + FormatCoordinate(latitude) + "&longitude=" + FormatCoordinate(longitude) +
           "&current=temperature_2m,relative_humidity_2m,weather_code,is_day"
           "&daily=weather_code,temperature_2m_max,temperature_2m_min,relative_humidity_2m_mean,sunrise,sunset"
           "&timezone=auto&forecast_days=3";
}

OpenMeteoDocuments ConvertOpenMeteo(const std::string& json) {
    OpenMeteoDocuments out;
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
        const Json& current = Section(root, "current");
        const Json& daily = Section(root, "daily");
        const auto today = IsoTime(
            daily.contains("time") && daily["time"].is_array() && !daily["time"].empty() ? daily["time"][0] : Json());
        std::string forecast = Forecast(daily, *offset);
        out.observation = Observation(current, *offset, today ? *today : 0);
        out.forecast = std::move(forecast);
        out.ok = true;
    } catch (const Refused& r) {
        out.error = r.why;
    } catch (const Json::exception& e) {
        out.error = std::string("the answer is not a forecast (") + e.what() + ")";
    }
    return out;
}

}  // namespace nimbrel

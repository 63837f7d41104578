#include "feeds/FeedGenerator.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>

#include "base/Clock.h"
#include "feeds/FeedText.h"
#include "feeds/WeatherExtras.h"
#include "store/SettingsStore.h"

namespace nimbrel::feedgen {
namespace {

constexpr double kPi = 3.14159265358979323846;

uint64_t Hash(const std::string& id, int64_t salt) {
    uint64_t h = 1469598103934665603ull;  // FNV-1a
    for (unsigned char c : id) h = (h ^ c) * 1099511628211ull;
    h ^= static_cast<uint64_t>(salt) + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    return h;
}

// A value in [-1, 1] for one id and slot.
double Noise(const std::string& id, int64_t slot, int64_t salt) {
    return static_cast<double>(Hash(id, slot * 7919 + salt) % 2001) / 1000.0 - 1.0;
}

int DayOfYear(DateTime date) {
    const CivilTime t = Decode(date);
    return static_cast<int>(std::floor(DatePart(date) - DateSerial(t.year, 1, 1))) + 1;
}

// What kind of day a location has: 0 fair, 1 mixed, 2 dull, 3 showery, 4 wet.
int DayKind(const std::string& id, int64_t day) {
    return static_cast<int>(Hash(id, day * 31 + 5) % 5);
}

struct Climate {
    double mean;       // daily mean temperature
    double amplitude;  // half the daily range
    double humidity;   // mean relative humidity
};

Climate ClimateOf(const std::string& id, DateTime date) {
    const int doy = DayOfYear(date);
    const double season = std::cos(2 * kPi * (doy - 200) / 365.0);  // 1 in late July, -1 in late January
    const double locationOffset = static_cast<double>(Hash(id, 1) % 9) - 4.0;
    const double locationHumid = static_cast<double>(Hash(id, 2) % 15) - 7.0;
    return Climate{10.0 + 6.5 * season + locationOffset, 3.5 + 2.0 * season, 78.0 - 6.0 * season + locationHumid};
}

std::string Summary(int kind, bool daytime, double temperature, int64_t variant) {
    const bool cold = temperature <= 1.0;
    switch (kind) {
        case 0:
            return daytime ? (variant % 3 == 0 ? "Sunny Intervals" : "Sunny") : "Clear";
        case 1:
            return variant % 2 == 0 ? "Partly Cloudy" : (daytime ? "Sunny Intervals" : "Clear");
        case 2:
            return variant % 3 == 0 ? "Drizzle" : "Cloudy";
        case 3:
            if (cold) return "Light Snow";
            return variant % 3 == 0 ? "Heavy Showers" : (variant % 3 == 1 ? "Light Showers" : "Partly Cloudy");
        default:
            if (cold) return variant % 2 == 0 ? "Heavy Snow" : "Light Snow";
            return variant % 2 == 0 ? "Heavy Rain" : "Light Rain";
    }
}

int KindHumidity(int kind) {
    static constexpr int kAdjust[5] = {-10, -4, 4, 6, 12};
    return kAdjust[std::clamp(kind, 0, 4)];
}

std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

int Fahrenheit(int celsius) {
    return static_cast<int>(std::lround(celsius * 9.0 / 5.0 + 32.0));
}

std::string Degrees(int celsius) {
    return std::to_string(celsius) + "&#xB0;C (" + std::to_string(Fahrenheit(celsius)) + "&#xB0;F)";
}

// The documents' times are local times (the program's clock); the zone they
// are given in is the local zone at that moment, as the system knows it.
struct Zone {
    std::string name = "GMT";  // abbreviation: letters, digits, "+" and "-" only
    long offsetSeconds = 0;    // east of UTC
};

Zone LocalZone(DateTime t) {
    Zone z;
    std::string abbreviation;
    if (!LocalZoneAt(t, z.offsetSeconds, abbreviation)) return z;
    // Some zones have no abbreviation but a number ("+03"). The title's
    // summary ends at the first "." after its first ":", so neither may come
    // from the zone's name.
    std::string name;
    for (const char ch : abbreviation)
        if (std::isalnum(static_cast<unsigned char>(ch)) || ch == '+' || ch == '-') name += ch;
    if (!name.empty() && !(name == "UTC" && z.offsetSeconds == 0)) z.name = name;
    return z;
}

std::string RfcDate(DateTime t) {
    const CivilTime c = Decode(t);
    const long offset = LocalZone(t).offsetSeconds;
    const long minutes = (offset < 0 ? -offset : offset) / 60;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s, %02d %s %04d %02d:%02d:%02d %c%02ld%02ld",
                  WeekdayName(Weekday(t), true).c_str(), c.day, MonthName(c.month, true).c_str(), c.year, c.hour,
                  c.minute, c.second, offset < 0 ? '-' : '+', minutes / 60, minutes % 60);
    return buf;
}

// The sun times are local times of day; the document says "GMT" after
// them, so they are given in GMT, as a feed server does.
std::string GmtTimeOfDay(DateTime day, DateTime timeOfDay) {
    const DateTime local = DatePart(day) + timeOfDay;
    return FormatTimeHM(TimePart(local - LocalZone(local).offsetSeconds / 86400.0)) + "GMT";
}

std::string Head(const std::string& title, const std::string& link, const std::string& description) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + NimbrelRssOpening() + "\n<channel>\n<title>" + title +
           "</title>\n<link>" + link + "</link>\n<description>" + description +
           "</description>\n<language>en-gb</language>\n";
}

// Wind in km/h for an hour: stronger on unsettled days, gusting a little
// from hour to hour; from the south-west quarter mostly, as in a maritime
// climate.
double WindAt(const std::string& id, DateTime t) {
    const int kind = DayKind(id, static_cast<int64_t>(DatePart(t)));
    const auto slot = static_cast<int64_t>(std::floor(t * 24.0));
    return std::max(0.0, 8.0 + 5.0 * kind + 6.0 * Noise(id, slot, 23));
}

int WindDirectionAt(const std::string& id, DateTime t) {
    const auto block = static_cast<int64_t>(std::floor(t * 4.0));
    return static_cast<int>(std::lround(225.0 + 70.0 * Noise(id, block, 29) + 360.0)) % 360;
}

int RainChanceOf(const std::string& id, DateTime day) {
    static constexpr int kByKind[5] = {5, 20, 40, 65, 85};
    const auto n = static_cast<int64_t>(DatePart(day));
    return std::clamp(static_cast<int>(std::lround(kByKind[DayKind(id, n)] + 10.0 * Noise(id, n, 31))), 0, 100);
}

// The feels-like temperature: the wind's chill when cold, the damp heat when warm.
int FeelsLike(int temperature, int humidity, double windKmh) {
    if (temperature <= 10 && windKmh > 4.8) {
        const double v = std::pow(windKmh, 0.16);
        return static_cast<int>(std::lround(13.12 + 0.6215 * temperature - 11.37 * v + 0.3965 * temperature * v));
    }
    if (temperature >= 24) return temperature + static_cast<int>(std::lround((humidity - 40) / 15.0));
    return temperature;
}

}  // namespace

DayOutlook Outlook(const std::string& id, DateTime date) {
    const DateTime day = DatePart(date);
    const auto dayNumber = static_cast<int64_t>(day);
    const Climate c = ClimateOf(id, day);
    const int kind = DayKind(id, dayNumber);
    DayOutlook o;
    const double wetCooling = kind >= 3 ? 1.5 : 0.0;
    const double mean = c.mean + 2.0 * Noise(id, dayNumber, 11) - wetCooling;
    const double amplitude = c.amplitude * (kind == 0 ? 1.3 : kind >= 2 ? 0.7 : 1.0);
    o.maximum = static_cast<int>(std::lround(mean + amplitude));
    o.minimum = static_cast<int>(std::lround(mean - amplitude));
    o.humidity = std::clamp(static_cast<int>(std::lround(c.humidity + KindHumidity(kind))), 35, 99);
    o.summary = Summary(kind, true, mean, static_cast<int64_t>(Hash(id, dayNumber * 13 + 3) % 6));

    // Day length from about 7h40 at midwinter to 16h20 at midsummer; solar noon
    // shifts a little from place to place.
    const int doy = DayOfYear(day);
    const double dayHours = 12.0 - 4.35 * std::cos(2 * kPi * (doy + 10) / 365.0);
    const double noonHours = 12.0 + (static_cast<double>(Hash(id, 3) % 41) - 20.0) / 60.0;
    auto minutes = [](double hours) { return static_cast<int>(std::lround(hours * 60.0)); };
    o.sunrise = TimeSerial(0, minutes(noonHours - dayHours / 2), 0);
    o.sunset = TimeSerial(0, minutes(noonHours + dayHours / 2), 0);
    return o;
}

Weather CurrentWeather(const std::string& id, DateTime now) {
    const DayOutlook o = Outlook(id, now);
    const double hour = TimePart(now) * 24.0;
    const double mid = (o.maximum + o.minimum) / 2.0;
    const double half = (o.maximum - o.minimum) / 2.0;
    // Warmest about 15:00, coolest about 03:00, with a little hourly wobble.
    const auto slot = static_cast<int64_t>(std::floor(now * 24.0));
    const double frac = now * 24.0 - std::floor(now * 24.0);
    const double wobble = (1 - frac) * Noise(id, slot, 17) + frac * Noise(id, slot + 1, 17);
    const double t = mid + half * std::cos(2 * kPi * (hour - 15.0) / 24.0) + 0.8 * wobble;
    Weather w;
    w.temperature = static_cast<int>(std::lround(t));
    w.humidity = std::clamp(static_cast<int>(std::lround(o.humidity - 3.0 * (t - mid) + 2.0 * wobble)), 30, 100);
    const DateTime tod = TimePart(now);
    const bool daytime = tod >= o.sunrise && tod < o.sunset;
    const int kind = DayKind(id, static_cast<int64_t>(DatePart(now)));
    // The sky changes every three hours or so.
    const auto block = static_cast<int64_t>(std::floor(now * 8.0));
    w.summary = Summary(kind, daytime, t, static_cast<int64_t>(Hash(id, block * 3 + 1) % 6));
    return w;
}

WeatherModel SampleWeather(const std::string& id, DateTime now) {
    WeatherModel m;
    const Weather w = CurrentWeather(id, now);
    m.observation.summary = BoundedSummary(StoredFieldText(w.summary));
    m.observation.temperature = Measure::FromText(BoundedTemperature(std::to_string(w.temperature)));
    m.observation.humidity = Measure::FromText(BoundedHumidity(std::to_string(w.humidity)));
    m.observation.time = ZonedTime{now, LocalZone(now).offsetSeconds};
    const double wind = WindAt(id, now);
    m.observation.windSpeed = std::round(wind);
    m.observation.windDirection = WindDirectionAt(id, now);
    m.observation.feelsLike = FeelsLike(w.temperature, w.humidity, wind);
    for (int k = 0; k < 3; ++k) {
        const DateTime day = DatePart(now) + k;
        const DayOutlook o = Outlook(id, day);
        ForecastDay& d = m.days[size_t(k)];
        d.date = day;
        d.summary = BoundedSummary(StoredFieldText(o.summary));
        d.minimum = Measure::Whole(o.minimum);
        d.maximum = Measure::Whole(o.maximum);
        d.humidity = Measure::Whole(o.humidity);
        auto sun = [&](DateTime timeOfDay) {
            const std::string text = GmtTimeOfDay(day, timeOfDay);
            return SunTime{text, ReadSunTime(text, day)};
        };
        d.sunrise = sun(o.sunrise);
        d.sunset = sun(o.sunset);
        d.rainChance = RainChanceOf(id, day);
        double strongest = 0;
        for (int h = 0; h < 24; ++h) strongest = std::max(strongest, WindAt(id, day + h / 24.0));
        d.windMax = std::round(strongest);
    }
    // The next 48 hours from the one now begun.
    const DateTime hour = std::floor(now * 24.0 + 1e-9) / 24.0;
    for (int k = 0; k < kHoursKept; ++k) {
        const DateTime t = hour + k / 24.0;
        const Weather hw = CurrentWeather(id, t);
        const int dayChance = RainChanceOf(id, t);
        const auto slot = static_cast<int64_t>(std::floor(t * 24.0 + 1e-9));
        const int chance =
            std::clamp(static_cast<int>(std::lround(dayChance * (0.6 + 0.4 * Noise(id, slot, 37)))), 0, 100);
        m.hours.push_back(ForecastHour{ZonedTime{t, LocalZone(t).offsetSeconds}, hw.temperature, hw.humidity, chance});
    }
    return m;
}

std::string ObservationDocument(const std::string& id, DateTime now, const std::string& baseUrl) {
    const Observation w = SampleWeather(id, now).observation;
    // The extra values go in elements of Nimbrel's own namespace, which the
    // feed parsers do not look at.
    const std::string link = Escape(baseUrl + "/weather/feeds/rss/obs/id/" + id + ".xml");
    const CivilTime c = Decode(now);
    char time[8];
    std::snprintf(time, sizeof time, "%02d:%02d", c.hour, c.minute);
    const std::string degrees = Degrees(static_cast<int>(w.temperature.value.value_or(0)));
    std::string doc = Head("Nimbrel sample feed - Latest observations for location " + Escape(id), link,
                           "Latest observations for location " + Escape(id));
    doc += "<item>\n<title>" + WeekdayName(Weekday(now)) + " at " + time + " " + LocalZone(now).name + ":\n" +
           w.summary + ". " + degrees + "</title>\n<link>" + link + "</link>\n<description>Temperature: " + degrees +
           ", Wind Direction: South Westerly, Wind Speed: 9mph, Humidity: " + w.humidity.text +
           "&#37;, Pressure: 1012mb, Steady, Visibility: Good</description>\n<pubDate>" + RfcDate(now) +
           "</pubDate>\n<guid isPermaLink=\"false\">" + link + "#" + FormatStamp(now) + "</guid>\n" +
           ObservationExtrasXml(w) + "</item>\n</channel>\n</rss>\n";
    return doc;
}

std::string ForecastDocument(const std::string& id, DateTime now, const std::string& baseUrl) {
    const std::string link = Escape(baseUrl + "/weather/feeds/rss/5day/id/" + id + ".xml");
    std::string doc = Head("Nimbrel sample feed - Forecast for location " + Escape(id), link,
                           "3-day forecast for location " + Escape(id));
    const WeatherModel model = SampleWeather(id, now);
    for (const ForecastDay& d : model.days) {
        const std::string maximum = Degrees(static_cast<int>(d.maximum.value.value_or(0)));
        const std::string minimum = Degrees(static_cast<int>(d.minimum.value.value_or(0)));
        doc += "<item>\n<title>" + WeekdayName(Weekday(d.date)) + ": " + d.summary + ", Max Temp: " + maximum +
               ", Min Temp: " + minimum + "</title>\n<link>" + link +
               "</link>\n<description>Maximum Temperature: " + maximum + ", Minimum Temperature: " + minimum +
               ", Wind Direction: Westerly, Wind Speed: 12mph, Visibility: Good, Pressure: 1015mb, Humidity: " +
               d.humidity.text + "%, UV Risk: 1, Pollution: Low, Sunrise: " + d.sunrise.text +
               ", Sunset: " + d.sunset.text + "</description>\n<pubDate>" + RfcDate(now) + "</pubDate>\n" +
               DayExtrasXml(d) + "</item>\n";
    }
    doc += HoursXml(model.hours) + "</channel>\n</rss>\n";
    return doc;
}

}  // namespace nimbrel::feedgen

// Feels-like, wind, chance of rain and the hourly forecast: from an answer of
// the service on loopback, from the sample server's documents, through
// settings.txt, and refused value by value when they are wrong.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>

#include "FakeOpenMeteo.h"
#include "base/Clock.h"
#include "feeds/FeedGenerator.h"
#include "feeds/FeedRetrieval.h"
#include "feeds/OpenMeteo.h"
#include "feeds/WeatherExtras.h"
#include "feeds/WeatherSource.h"
#include "store/SettingsStore.h"

namespace nimbrel {
namespace {

using Json = nlohmann::json;

// The Berlin answer with the extra fields the query asks for: 48 hours from
// 14:00 local time on 8 December.
Json BerlinWithExtras() {
    Json j = Json::parse(test::BerlinForecastJson());
    j["current"]["apparent_temperature"] = 1.5;
    j["current"]["wind_speed_10m"] = 19.4;
    j["current"]["wind_direction_10m"] = 225;
    j["daily"]["precipitation_probability_max"] = {70, 35, 5};
    j["daily"]["wind_speed_10m_max"] = {32.2, 24.6, 11};
    Json times = Json::array(), t = Json::array(), h = Json::array(), r = Json::array();
    for (int k = 0; k < 48; ++k) {
        const DateTime at = DateSerial(2026, 12, 8) + TimeSerial(14 + k, 0, 0);
        times.push_back(FormatIso(at).substr(0, 16));
        t.push_back(2.5 + k % 5);
        h.push_back(80 + k % 10);
        r.push_back((k * 7) % 101);
    }
    j["hourly"] = {
        {"time", times}, {"temperature_2m", t}, {"relative_humidity_2m", h}, {"precipitation_probability", r}};
    return j;
}

struct TempDir {
    TempDir() {
        path = std::filesystem::temp_directory_path() /
               ("nimbrel-extras-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(path);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::filesystem::path path;
    static inline int counter = 0;
};

std::string ReadAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(ExtraValues, ComeWithTheOneRequestOfTheServiceOnLoopback) {
    test::FakeOpenMeteo server;
    server.SetForecast({200, BerlinWithExtras().dump()});
    OpenMeteoSource source(52.52, 13.41, server.BaseUrl());
    const SourceAnswer now = source.FetchWeather(FeedKind::Observation);
    const SourceAnswer later = source.FetchWeather(FeedKind::Forecast);
    EXPECT_EQ(source.Requests(), 1);
    const auto query = server.LastQuery();
    auto param = [&](const char* key) {
        const auto it = query.find(key);
        return it == query.end() ? std::string() : it->second;
    };
    EXPECT_NE(param("current").find("apparent_temperature,wind_speed_10m,wind_direction_10m"), std::string::npos);
    EXPECT_NE(param("daily").find("precipitation_probability_max,wind_speed_10m_max"), std::string::npos);
    EXPECT_EQ(param("hourly"), "temperature_2m,relative_humidity_2m,precipitation_probability");
    EXPECT_EQ(param("forecast_hours"), "48");

    ASSERT_TRUE(now.reading.accepted);
    const Observation& o = now.reading.observation;
    EXPECT_EQ(o.feelsLike, 2);  // 1.5: halves to even
    EXPECT_EQ(o.windSpeed, 19.4);
    EXPECT_EQ(o.windDirection, 225);
    EXPECT_EQ(o.temperature.text, "26");  // the rest as before

    ASSERT_TRUE(later.reading.accepted);
    EXPECT_EQ(later.reading.forecast[0].rainChance, 70);
    EXPECT_EQ(later.reading.forecast[2].windMax, 11.0);
    const HourlyForecast& hours = later.reading.hours;
    ASSERT_EQ(hours.size(), 48u);
    EXPECT_EQ(hours[0].time, (ZonedTime{DateSerial(2026, 12, 8) + TimeSerial(14, 0, 0), 3600}));
    EXPECT_EQ(hours[47].time.local, DateSerial(2026, 12, 10) + TimeSerial(13, 0, 0));
    EXPECT_EQ(hours[0].temperature, 2);  // 2.5 to even
    EXPECT_EQ(hours[1].temperature, 4);  // 3.5 to even
    EXPECT_EQ(hours[3].humidity, 83);
    EXPECT_EQ(hours[20].rainChance, 39);

    // The check tool's document gives the same values back.
    const HttpResult doc = source.FetchDocument(FeedKind::Forecast);
    const FeedReading again = ReadFeedText(FeedKind::Forecast, doc.body);
    EXPECT_EQ(again.hours, hours);
    EXPECT_EQ(again.forecast[0].rainChance, 70);
    EXPECT_EQ(
        ReadFeedText(FeedKind::Observation, source.FetchDocument(FeedKind::Observation).body).observation.windDirection,
        225);
}

TEST(ExtraValues, WrongOnesShowNothingAndKeepEverythingElse) {
    struct Case {
        const char* what;
        std::function<void(Json&)> spoil;
    };
    const Case cases[] = {
        {"missing",
         [](Json& j) {
             j["current"].erase("apparent_temperature");
             j["current"].erase("wind_speed_10m");
             j["daily"].erase("precipitation_probability_max");
             j["daily"].erase("wind_speed_10m_max");
             j.erase("hourly");
         }},
        {"null",
         [](Json& j) {
             j["current"]["apparent_temperature"] = nullptr;
             j["current"]["wind_speed_10m"] = nullptr;
             j["daily"]["precipitation_probability_max"] = nullptr;
             j["daily"]["wind_speed_10m_max"] = {nullptr, nullptr, nullptr};
             j["hourly"]["time"] = nullptr;
         }},
        {"unequal lengths",
         [](Json& j) {
             j["daily"]["precipitation_probability_max"] = {70, 35};
             j["daily"]["wind_speed_10m_max"] = {1, 2, 3, 4};
             j["hourly"]["temperature_2m"].erase(0);
             j["hourly"]["relative_humidity_2m"] = Json::array();
             j["hourly"]["precipitation_probability"] = "lots";
             j["current"]["wind_speed_10m"] = "19";
             j["current"]["apparent_temperature"] = Json::array({1});
         }},
        {"out of range",
         [](Json& j) {
             j["current"]["apparent_temperature"] = 1e300;
             j["current"]["wind_speed_10m"] = -5;
             j["current"]["wind_direction_10m"] = 200;
             j["daily"]["precipitation_probability_max"] = {140, -1, 101};
             j["daily"]["wind_speed_10m_max"] = {-5, 900, -0.1};
             for (auto& v : j["hourly"]["temperature_2m"]) v = 250;
             for (auto& v : j["hourly"]["relative_humidity_2m"]) v = 140;
             for (auto& v : j["hourly"]["precipitation_probability"]) v = -3;
         }},
    };
    const OpenMeteoWeather good = ReadOpenMeteo(BerlinWithExtras().dump());
    ASSERT_TRUE(good.ok);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Json j = BerlinWithExtras();
        c.spoil(j);
        const OpenMeteoWeather w = ReadOpenMeteo(j.dump());
        ASSERT_TRUE(w.ok) << w.error;
        EXPECT_FALSE(HasExtras(w.weather.observation));
        EXPECT_FALSE(w.weather.observation.windDirection);
        for (const ForecastDay& d : w.weather.days) EXPECT_FALSE(HasExtras(d));
        for (const ForecastHour& h : w.weather.hours) {
            EXPECT_FALSE(h.temperature);
            EXPECT_FALSE(h.humidity);
            EXPECT_FALSE(h.rainChance);
        }
        // Everything else as the good answer has it.
        EXPECT_EQ(w.weather.observation.temperature, good.weather.observation.temperature);
        EXPECT_EQ(w.weather.observation.summary, good.weather.observation.summary);
        for (size_t k = 0; k < 3; ++k) {
            EXPECT_EQ(w.weather.days[k].maximum, good.weather.days[k].maximum);
            EXPECT_EQ(w.weather.days[k].sunrise, good.weather.days[k].sunrise);
        }
        // Nothing made up in the check tool's lines either.
        EXPECT_TRUE(ObservationExtrasLines(w.weather.observation).empty());
    }
    // Hours whose times break off end the list there.
    Json j = BerlinWithExtras();
    j["hourly"]["time"][10] = "2026-12-08T12:00";
    EXPECT_EQ(ReadOpenMeteo(j.dump()).weather.hours.size(), 10u);
}

TEST(ExtraValues, WindUnitsAndTheCompassRoundAsElsewhere) {
    EXPECT_EQ(FormatWind(19.4, WindUnit::Kmh), "19 km/h");
    EXPECT_EQ(ShownWind(19.4, WindUnit::MetresPerSecond), 5);
    EXPECT_EQ(ShownWind(19.4, WindUnit::Mph), 12);
    EXPECT_EQ(ShownWind(19.4, WindUnit::Knots), 10);
    EXPECT_EQ(ShownWind(19.4, WindUnit::Beaufort), 3);
    EXPECT_EQ(ShownWind(2.5, WindUnit::Kmh), 2);  // halves to even
    EXPECT_EQ(ShownWind(3.5, WindUnit::Kmh), 4);
    EXPECT_EQ(ShownWind(9.0, WindUnit::MetresPerSecond), 2);  // 2.5 m/s
    EXPECT_EQ(ShownWind(0.5, WindUnit::Beaufort), 0);
    EXPECT_EQ(ShownWind(11.9, WindUnit::Beaufort), 2);
    EXPECT_EQ(ShownWind(12, WindUnit::Beaufort), 3);
    EXPECT_EQ(ShownWind(200, WindUnit::Beaufort), 12);
    for (WindUnit u : {WindUnit::Kmh, WindUnit::MetresPerSecond, WindUnit::Mph, WindUnit::Knots, WindUnit::Beaufort})
        EXPECT_EQ(WindUnitFromKey(WindUnitKey(u)), u);
    EXPECT_EQ(WindUnitFromKey("furlongs per fortnight"), WindUnit::Kmh);
    EXPECT_EQ(CompassAbbreviation(225), "SW");
    EXPECT_EQ(CompassAbbreviation(0), "N");
    EXPECT_EQ(CompassAbbreviation(360), "N");
    EXPECT_EQ(CompassAbbreviation(22), "N");
    EXPECT_EQ(CompassAbbreviation(23), "NE");
    EXPECT_EQ(CompassAbbreviation(337), "NW");
    EXPECT_EQ(CompassAbbreviation(338), "N");
}

TEST(ExtraValues, TheSampleDocumentsCarryThemAndAPlainFeedGivesNone) {
    ScopedClock clock(DateSerial(2026, 12, 8) + TimeSerial(14, 20, 0));
    const DateTime now = Now();
    const WeatherModel model = feedgen::SampleWeather("1769", now);
    ASSERT_TRUE(model.observation.feelsLike && model.observation.windSpeed && model.observation.windDirection);
    ASSERT_EQ(model.hours.size(), 48u);
    EXPECT_EQ(model.hours[0].time.local, DateSerial(2026, 12, 8) + TimeSerial(14, 0, 0));
    for (const ForecastDay& d : model.days) EXPECT_TRUE(d.rainChance && d.windMax);

    const std::string obsDoc = feedgen::ObservationDocument("1769", now, "http://127.0.0.1:8077");
    const std::string fcDoc = feedgen::ForecastDocument("1769", now, "http://127.0.0.1:8077");
    const FeedReading obs = ReadFeedText(FeedKind::Observation, obsDoc);
    const FeedReading fc = ReadFeedText(FeedKind::Forecast, fcDoc);
    EXPECT_EQ(obs.observation.feelsLike, model.observation.feelsLike);
    EXPECT_EQ(obs.observation.windDirection, model.observation.windDirection);
    EXPECT_EQ(fc.hours, model.hours);
    for (size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(fc.forecast[k].rainChance, model.days[k].rainChance);
        EXPECT_EQ(fc.forecast[k].summary, model.days[k].summary);  // the feed parser reads as before
        EXPECT_EQ(fc.forecast[k].humidity.text, model.days[k].humidity.text);
    }

    // The same documents without Nimbrel's elements: the same weather, no extras.
    auto strip = [](std::string doc) {
        for (size_t a; (a = doc.find("<nimbrel:")) != std::string::npos;) doc.erase(a, doc.find('\n', a) - a + 1);
        return doc;
    };
    const FeedReading plainObs = ReadFeedText(FeedKind::Observation, strip(obsDoc));
    const FeedReading plainFc = ReadFeedText(FeedKind::Forecast, strip(fcDoc));
    EXPECT_FALSE(HasExtras(plainObs.observation));
    EXPECT_TRUE(plainFc.hours.empty());
    EXPECT_EQ(plainObs.observation.temperature, obs.observation.temperature);
    EXPECT_EQ(ForecastText(plainFc.forecast), ForecastText(fc.forecast));

    // The check tool prints them, one name: value line each.
    const auto lines = ForecastExtrasLines(fc.forecast, fc.hours);
    EXPECT_EQ(lines[0], "tile 1 chance of rain: " + std::to_string(*model.days[0].rainChance));
    EXPECT_EQ(lines.back().rfind("hour 48: 2026-12-10T13:00 ", 0), 0u);
    const auto now0 = ObservationExtrasLines(obs.observation);
    ASSERT_EQ(now0.size(), 2u);
    EXPECT_EQ(now0[0], "feels like: " + std::to_string(*model.observation.feelsLike));
    EXPECT_EQ(now0[1].rfind("wind: ", 0), 0u);
}

TEST(ExtraValues, KeptInTheProgramsOwnSectionAcrossARestart) {
    TempDir dir;
    const OpenMeteoWeather w = ReadOpenMeteo(BerlinWithExtras().dump());
    ASSERT_TRUE(w.ok);
    SettingsStore first;
    first.SetFolder(dir.path.string());
    FeedReading obs{FeedKind::Observation, true, w.weather.observation, {}, {}};
    FeedReading fc{FeedKind::Forecast, true, {}, w.weather.days, w.weather.hours};
    StoreFeedReading(obs, first);
    StoreFeedReading(fc, first);
    first.SaveSettings();
    const std::string text = ReadAll(dir.path / "settings.txt");
    // The weather and options lines come first and the extras only in <nimbrel>.
    const size_t own = text.find("<nimbrel>");
    ASSERT_NE(own, std::string::npos);
    EXPECT_EQ(text.substr(0, own).find("feels"), std::string::npos);
    for (size_t a = 0, b; (b = text.find("\r\n", a)) != std::string::npos; a = b + 2) EXPECT_LE(b - a, 320u);

    SettingsStore second;
    second.SetFolder(dir.path.string());
    second.LoadSettings();
    Observation o;
    ForecastDays days{};
    HourlyForecast hours;
    LoadObservationExtras(second, o);
    LoadForecastExtras(second, days, hours);
    EXPECT_EQ(o.feelsLike, 2);
    EXPECT_EQ(o.windSpeed, 19.4);
    EXPECT_EQ(o.windDirection, 225);
    EXPECT_EQ(days[0].rainChance, 70);
    EXPECT_EQ(days[1].windMax, 24.6);
    EXPECT_EQ(hours, w.weather.hours);

    // A reading without them takes the old ones away, and the file goes
    // back to having no section of its own.
    StoreFeedReading(FeedReading{FeedKind::Observation, true, Observation{}, {}, {}}, second);
    for (ForecastDay& d : fc.forecast) d.rainChance.reset(), d.windMax.reset();
    StoreFeedReading(FeedReading{FeedKind::Forecast, true, {}, fc.forecast, {}}, second);
    second.SaveSettings();
    EXPECT_EQ(ReadAll(dir.path / "settings.txt").find("<nimbrel>"), std::string::npos);
}

TEST(ExtraValues, AFileWithoutThemOrWithDamagedOnesGivesNone) {
    TempDir dir;
    std::ofstream(dir.path / "settings.txt", std::ios::binary)
        << "<weather>\r\n<loc>1769</loc>\r\n<minutes>5</minutes>\r\n</weather>\r\n<nimbrel>\r\n"
           "<feels-like>400</feels-like>\r\n<wind>-5 225</wind>\r\n<day-extras>140/-1 x 101/900</day-extras>\r\n"
           "<hours-from>2026-13-08T14:00 3600</hours-from>\r\n<hours-1>1/2/3</hours-1>\r\n</nimbrel>\r\n";
    SettingsStore store;
    store.SetFolder(dir.path.string());
    store.LoadSettings();
    Observation o;
    ForecastDays days{};
    HourlyForecast hours;
    LoadObservationExtras(store, o);
    LoadForecastExtras(store, days, hours);
    EXPECT_FALSE(HasExtras(o));
    for (const ForecastDay& d : days) EXPECT_FALSE(HasExtras(d));
    EXPECT_TRUE(hours.empty());
}

TEST(ExtraValues, AnHourlyForecastPastItsLastHourIsNotDrawn) {
    HourlyForecast hours;
    for (int k = 0; k < 48; ++k)
        hours.push_back(ForecastHour{ZonedTime{DateSerial(2026, 12, 8) + TimeSerial(14 + k, 0, 0), 3600}, k, 50, 10});
    // In UTC the first hour is 13:00 on the 8th, the last 12:00 on the 10th.
    const DateTime firstUtc = DateSerial(2026, 12, 8) + TimeSerial(13, 0, 0);
    EXPECT_EQ(HoursToShow(hours, firstUtc).size(), 48u);
    EXPECT_EQ(HoursToShow(hours, firstUtc + TimeSerial(2, 30, 0)).size(), 46u);  // from the hour begun
    EXPECT_EQ(HoursToShow(hours, DateSerial(2026, 12, 10) + TimeSerial(12, 59, 0)).size(), 1u);
    EXPECT_TRUE(HoursToShow(hours, DateSerial(2026, 12, 10) + TimeSerial(13, 0, 0)).empty());

    // The chart's series: at the desktop's local times, in the unit.
    const DateTime nowLocal = DateSerial(2026, 12, 8) + TimeSerial(15, 30, 0);  // a desktop on UTC+1
    const ChartForecast f = ForecastSeries(hours, nowLocal, 3600, TempUnit::Fahrenheit);
    ASSERT_EQ(f.times.size(), 47u);
    EXPECT_NEAR(f.times[0], DateSerial(2026, 12, 8) + TimeSerial(15, 0, 0), 1e-9);
    EXPECT_EQ(f.temperature[0], 34.0f);  // 1 °C
    EXPECT_EQ(f.humidity[0], 50.0f);
    EXPECT_EQ(f.now, nowLocal);
    EXPECT_TRUE(ForecastSeries(hours, DateSerial(2026, 12, 11), 3600, TempUnit::Celsius).Empty());
}

}  // namespace
}  // namespace nimbrel

// One weather through each source: the sample weather made in-process, the
// two RSS documents a feed server on loopback serves for it, and an
// Open-Meteo answer saying the same, served on loopback. Each must give the
// same model, leave the same lines in the store and put the same texts on
// the screen.
#include <gtest/gtest.h>

#include <cstdio>

#include "FakeOpenMeteo.h"
#include "SampleFeedServer.h"
#include "ScopedZone.h"
#include "base/Clock.h"
#include "base/modMisc.h"
#include "feeds/FeedGenerator.h"
#include "feeds/ForecastFeed.h"
#include "feeds/ObservationFeed.h"
#include "feeds/OpenMeteo.h"
#include "feeds/WeatherCodes.h"
#include "feeds/WeatherSource.h"

namespace nimbrel {
namespace {

const char* const kId = "1769";

// The service's code for a summary the sample weather writes.
int CodeFor(const std::string& summary, bool isDay) {
    for (int code = 0; code < 100; ++code)
        if (WeatherCodeSummary(code, isDay) == summary) return code;
    ADD_FAILURE() << "no code for " << summary;
    return -1;
}

std::string Iso(DateTime t, bool withTime) {
    const CivilTime c = Decode(t);
    char buf[32];
    if (withTime)
        std::snprintf(buf, sizeof buf, "\"%04d-%02d-%02dT%02d:%02d\"", c.year, c.month, c.day, c.hour, c.minute);
    else
        std::snprintf(buf, sizeof buf, "\"%04d-%02d-%02d\"", c.year, c.month, c.day);
    return buf;
}

std::string Number(const Measure& m) {
    return std::to_string(static_cast<int>(*m.value));
}

// The service's answer for the sample weather, at a place on GMT.
std::string AnswerFor(const WeatherModel& w, DateTime now) {
    const Observation& o = w.observation;
    const bool day = o.summary != "Clear";
    std::string json = R"({"latitude":53.8,"longitude":-1.55,"utc_offset_seconds":0,"timezone":"GMT",)";
    json += R"("current":{"time":)" + Iso(now, true) + R"(,"temperature_2m":)" + Number(o.temperature) +
            R"(,"relative_humidity_2m":)" + Number(o.humidity) + R"(,"weather_code":)" +
            std::to_string(CodeFor(o.summary, day)) + R"(,"is_day":)" + (day ? "1" : "0") +
            R"(,"apparent_temperature":)" + std::to_string(*o.feelsLike) + R"(,"wind_speed_10m":)" +
            std::to_string(*o.windSpeed) + R"(,"wind_direction_10m":)" + std::to_string(*o.windDirection) + "},";
    // The next 48 hours.
    std::string times, temperatures, humidities, rain;
    for (const ForecastHour& h : w.hours) {
        const char* sep = times.empty() ? "" : ",";
        times += sep;
        times += Iso(h.time.local, true);
        temperatures += sep;
        temperatures += std::to_string(*h.temperature);
        humidities += sep;
        humidities += std::to_string(*h.humidity);
        rain += sep;
        rain += std::to_string(*h.rainChance);
    }
    json += R"("hourly":{"time":[)" + times + R"(],"temperature_2m":[)" + temperatures +
            R"(],"relative_humidity_2m":[)" + humidities + R"(],"precipitation_probability":[)" + rain + "]},";
    auto list = [&](const char* key, auto value) {
        std::string s = std::string("\"") + key + "\":[";
        for (size_t k = 0; k < 3; ++k) s += (k ? "," : "") + value(w.days[k]);
        return s + "]";
    };
    json += R"("daily":{)" + list("time", [](const ForecastDay& d) { return Iso(d.date, false); }) + "," +
            list("weather_code", [](const ForecastDay& d) { return std::to_string(CodeFor(d.summary, true)); }) + "," +
            list("temperature_2m_max", [](const ForecastDay& d) { return Number(d.maximum); }) + "," +
            list("temperature_2m_min", [](const ForecastDay& d) { return Number(d.minimum); }) + "," +
            list("relative_humidity_2m_mean", [](const ForecastDay& d) { return Number(d.humidity); }) + "," +
            list("sunrise", [](const ForecastDay& d) { return Iso(d.sunrise.time->Utc(), true); }) + "," +
            list("sunset", [](const ForecastDay& d) { return Iso(d.sunset.time->Utc(), true); }) + "," +
            list("precipitation_probability_max", [](const ForecastDay& d) { return std::to_string(*d.rainChance); }) +
            "," + list("wind_speed_10m_max", [](const ForecastDay& d) { return std::to_string(*d.windMax); }) + "}}";
    return json;
}

std::string Describe(const Measure& m) {
    return m.text + (m.value ? "=" + std::to_string(*m.value) : std::string("=none"));
}

std::string Describe(const std::optional<ZonedTime>& t) {
    return t ? FormatDateTime(t->local) + "/" + std::to_string(t->offsetSeconds) : std::string("none");
}

// The model in words, so that a difference reads in the failure.
std::string Describe(const WeatherModel& w) {
    const Observation& o = w.observation;
    std::string s = o.summary + " " + Describe(o.temperature) + " " + Describe(o.humidity) + " " + Describe(o.time);
    for (const ForecastDay& d : w.days)
        s += "\n" + FormatDate(d.date) + " " + d.summary + " " + Describe(d.minimum) + " " + Describe(d.maximum) + " " +
             Describe(d.humidity) + " " + d.sunrise.text + " " + Describe(d.sunrise.time) + " " + d.sunset.text + " " +
             Describe(d.sunset.time);
    return s;
}

WeatherModel Fetched(WeatherSource& source) {
    WeatherModel w;
    const SourceAnswer obs = source.FetchWeather(FeedKind::Observation);
    const SourceAnswer fc = source.FetchWeather(FeedKind::Forecast);
    EXPECT_TRUE(obs.reading.accepted) << obs.transfer.error;
    EXPECT_TRUE(fc.reading.accepted) << fc.transfer.error;
    w.observation = obs.reading.observation;
    w.days = fc.reading.forecast;
    w.hours = fc.reading.hours;
    return w;
}

// What a source's weather leaves in the store and puts on the screen.
struct Seen {
    std::string lastReading, temps, humids, times, forecast;
    std::string today, humidity, lastUpdate;
    std::vector<std::string> tiles, tips, fahrenheitTips, messages;
    bool sunUpKnown = false;
    DateTime sunUp = 0, sunDown = 0;
    bool operator==(const Seen&) const = default;
};

Seen Keep(const WeatherModel& w) {
    SettingsStore store;
    StoreObservation(w.observation, store);
    StoreForecast(w.days, store);
    Seen s;
    s.lastReading = store.LastReading;
    s.temps = std::string(store.TempHistory);
    s.humids = std::string(store.HumidHistory);
    s.times = std::string(store.TimeHistory);
    s.forecast = store.ForecastText;
    const ReadingScreen r = ReadingScreenFor(store);
    s.today = r.caption + "|" + r.summary + "|" + std::to_string(r.temperature);
    s.humidity = r.humidityCaption;
    s.lastUpdate = r.lastUpdateCaption;
    const ForecastScreen c = ForecastScreenFor(store.ForecastText, TempUnit::Celsius);
    const ForecastScreen f = ForecastScreenFor(store.ForecastText, TempUnit::Fahrenheit);
    for (size_t k = 0; k < 3; ++k) {
        s.tiles.push_back(c.tiles[k].caption + "|" + c.tiles[k].summary + "|" + std::to_string(c.tiles[k].temperature));
        s.tips.push_back(c.toolTips[k]);
        s.fahrenheitTips.push_back(f.toolTips[k]);
        const ForecastMessage m = ForecastTileMessage(w.days[k], TempUnit::Fahrenheit);
        s.messages.push_back(m.caption + "\n" + m.text);
    }
    s.sunUpKnown = c.sun.riseKnown;
    s.sunUp = c.sun.sunUp;
    s.sunDown = c.sun.sunDown;
    return s;
}

TEST(SameWeather, EverySourceGivesTheSameModelStoredLinesAndScreen) {
    testing::ScopedZone zone("UTC");
    // Daytime and night, and a day whose summaries differ from the next.
    for (const DateTime now :
         {DateSerial(2026, 12, 8) + TimeSerial(14, 15, 0), DateSerial(2026, 6, 21) + TimeSerial(23, 40, 0)}) {
        ScopedClock clock(now);
        const WeatherModel sample = feedgen::SampleWeather(kId, now);

        feedgen::ServerOptions options;
        options.port = 0;
        feedgen::SampleFeedServer server(options);
        std::string error;
        ASSERT_TRUE(server.Start(error)) << error;
        const auto rss = MakeRssSource(server.BaseUrl(), kId);
        const WeatherModel fromRss = Fetched(*rss);

        test::FakeOpenMeteo service;
        service.SetForecast({200, AnswerFor(sample, now)});
        OpenMeteoSource openMeteo(53.8, -1.55, service.BaseUrl());
        const WeatherModel fromService = Fetched(openMeteo);
        EXPECT_EQ(service.ForecastRequests(), 1);

        EXPECT_EQ(Describe(fromRss), Describe(sample));
        EXPECT_EQ(Describe(fromService), Describe(sample));
        EXPECT_TRUE(fromRss == sample && fromService == sample) << FormatDateTime(now);
        const Seen seen = Keep(sample);
        EXPECT_EQ(Keep(fromRss), seen);
        EXPECT_EQ(Keep(fromService), seen);
        EXPECT_EQ(seen.forecast.substr(0, 10), FormatDate(now));
        EXPECT_EQ(GetField(seen.lastReading, ",", 4), FormatDateTime(now));
    }
}

TEST(SameWeather, TheServiceKeepsItsOwnDatesAndItsZone) {
    // Berlin, an hour east of GMT: the days are the service's, not dates
    // guessed back from weekday names, and the times keep the place's zone.
    ScopedClock clock(DateSerial(2026, 12, 8) + TimeSerial(14, 0, 0));
    const OpenMeteoWeather w = ReadOpenMeteo(test::BerlinForecastJson());
    ASSERT_TRUE(w.ok) << w.error;
    EXPECT_EQ(w.weather.days[2].date, DateSerial(2026, 12, 10));
    ASSERT_TRUE(w.weather.days[0].sunrise.time.has_value());
    EXPECT_EQ(*w.weather.days[0].sunrise.time, (ZonedTime{DateSerial(2026, 12, 8) + TimeSerial(8, 5, 0), 3600}));
    EXPECT_EQ(w.weather.days[0].sunrise.text, "07:05GMT");
    ASSERT_TRUE(w.weather.observation.time.has_value());
    EXPECT_EQ(w.weather.observation.time->offsetSeconds, 3600);
    EXPECT_EQ(FormatDateTime(w.weather.observation.time->Utc()), "08/12/2026 13:15:00");
    // Rounded as the parsers round: halves to even.
    EXPECT_EQ(w.weather.observation.temperature.text, "26");
    EXPECT_EQ(w.weather.days[0].maximum.text, "28");
}

}  // namespace
}  // namespace nimbrel

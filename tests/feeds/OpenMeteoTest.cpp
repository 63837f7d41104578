// Real weather from a fake of the Open-Meteo services on loopback: the
// answer written as both documents and read by the parsers into the store,
// every refused answer leaving everything as it was, the weather codes, the
// caching and back-off of the source, and the place search.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <thread>

#include "FakeOpenMeteo.h"
#include "RecordingDisplay.h"
#include "base/Clock.h"
#include "base/modMisc.h"
#include "feeds/FeedRetrieval.h"
#include "feeds/OpenMeteo.h"
#include "feeds/PlaceSearch.h"
#include "feeds/WeatherCodes.h"
#include "feeds/WeatherSource.h"

namespace nimbrel {
namespace {

using test::FakeOpenMeteo;
using test::RecordingDisplay;

const std::string kDegreesC =
    "\xC2\xB0"
    "C";

DateTime TuesdayAfternoon() {
    return DateSerial(2026, 12, 8) + TimeSerial(15, 0, 0);
}

struct Read {
    SettingsStore store;
    RecordingDisplay display;
    bool observationTaken = false, forecastTaken = false;
};

void ReadBoth(const OpenMeteoDocuments& docs, Read& r) {
    r.observationTaken = HandleFeedText(FeedKind::Observation, docs.observation, r.store, r.display);
    r.forecastTaken = HandleFeedText(FeedKind::Forecast, docs.forecast, r.store, r.display);
}

TEST(OpenMeteoConversion, GivesBothDocumentsThatTheParsersRead) {
    ScopedClock clock(TuesdayAfternoon());
    const OpenMeteoDocuments docs = ConvertOpenMeteo(test::BerlinForecastJson());
    ASSERT_TRUE(docs.ok) << docs.error;
    Read r;
    ReadBoth(docs, r);
    ASSERT_TRUE(r.observationTaken);
    ASSERT_TRUE(r.forecastTaken);
    // 26.5 and 81.5: halves to the even neighbour.
    EXPECT_EQ(r.store.CurrentTemp, 26);
    EXPECT_EQ(r.store.CurrentSummary, "Light Rain");
    EXPECT_EQ(r.store.HumidityCaption, "82%");
    // Sun times in GMT: 08:05 at UTC+1 is 07:05 GMT. 27.5 rounds to 28,
    // -0.5 to 0, 84.5 to 84.
    EXPECT_EQ(r.store.ForecastText, "08/12/2026: Cloudy, 0->28" + kDegreesC +
                                        ", H=84%, SR=07:05GMT, SS=14:53GMT\r\n"
                                        "09/12/2026: Light Rain, 2->6" +
                                        kDegreesC +
                                        ", H=90%, SR=07:06GMT, SS=14:53GMT\r\n"
                                        "10/12/2026: Fog, -3->2" +
                                        kDegreesC + ", H=78%, SR=07:07GMT, SS=14:54GMT");
    ASSERT_EQ(r.display.tiles[2].description, "Fog");
}

TEST(OpenMeteoConversion, APlaceTwelveHoursAwayGivesItsTimesInGmt) {
    ScopedClock clock(TuesdayAfternoon());
    std::string json = test::BerlinForecastJson(13 * 3600);  // Auckland in summer
    const OpenMeteoDocuments docs = ConvertOpenMeteo(json);
    ASSERT_TRUE(docs.ok) << docs.error;
    // 14:15 at UTC+13 is 01:15 GMT the same day.
    EXPECT_NE(docs.observation.find("Tuesday at 01:15 GMT:"), std::string::npos) << docs.observation;
    // 08:05 at UTC+13 is 19:05 GMT of the day before; the time of day is
    // what the documents carry.
    EXPECT_NE(docs.forecast.find("Sunrise: 19:05GMT, Sunset: 02:53GMT"), std::string::npos) << docs.forecast;
}

// A null weather code is weather not known: the plain summary.
TEST(OpenMeteoConversion, NullsGiveWhatMissingValuesGive) {
    ScopedClock clock(TuesdayAfternoon());
    const std::string json = R"({"utc_offset_seconds":0,
        "current":{"time":"2026-12-08T14:15","temperature_2m":null,"relative_humidity_2m":null,
                   "weather_code":null,"is_day":null},
        "daily":{"time":["2026-12-08","2026-12-09","2026-12-10"],"weather_code":[null,null,null],
                 "temperature_2m_max":[null,null,null],"temperature_2m_min":[null,null,null],
                 "relative_humidity_2m_mean":[null,null,null],"sunrise":[null,null,null],
                 "sunset":[null,null,null]}})";
    const OpenMeteoDocuments docs = ConvertOpenMeteo(json);
    ASSERT_TRUE(docs.ok) << docs.error;
    Read r;
    ReadBoth(docs, r);
    ASSERT_TRUE(r.observationTaken && r.forecastTaken);

    // The same documents with those parts left out altogether.
    const std::string bare =
        "<rss><channel><item><title>Tuesday at 14:15 GMT:\nUnknown. </title><description></description></item>"
        "</channel></rss>";
    std::string bareForecast = "<rss><channel>";
    for (const char* day : {"Tuesday", "Wednesday", "Thursday"})
        bareForecast += std::string("<item><title>") + day +
                        ": Unknown, Max Temp: &#xB0;C, Min Temp: &#xB0;C</title><description>Sunrise: , "
                        "Sunset: </description></item>";
    bareForecast += "</channel></rss>";
    Read expected;
    ASSERT_TRUE(HandleFeedText(FeedKind::Observation, bare, expected.store, expected.display));
    ASSERT_TRUE(HandleFeedText(FeedKind::Forecast, bareForecast, expected.store, expected.display));
    EXPECT_EQ(r.store.CurrentSummary, expected.store.CurrentSummary);
    EXPECT_EQ(r.store.CurrentTemp, expected.store.CurrentTemp);
    EXPECT_EQ(r.store.HumidityCaption, expected.store.HumidityCaption);
    EXPECT_EQ(r.store.ForecastText, expected.store.ForecastText);
    EXPECT_EQ(r.display.sunUp.size(), 0u);  // an unknown sun time leaves the dial as it was
    // Stored as values that could not be read, and no point of the history.
    EXPECT_EQ(GetField(r.store.LastReading, ",", 2), "n/a");
    EXPECT_EQ(GetField(r.store.LastReading, ",", 3), "n/a");
    EXPECT_EQ(r.store.TempHistory, "");
    EXPECT_NE(r.store.ForecastText.find("Unknown, n/a->n/a\xC2\xB0"
                                        "C, H=n/a%, SR=n/a, SS=n/a"),
              std::string::npos)
        << r.store.ForecastText;
}

TEST(OpenMeteoConversion, RefusesAnswersOfAnotherFormWithAReason) {
    const std::string days = R"("time":["2026-12-08","2026-12-09","2026-12-10"])";
    const struct {
        std::string json, reason;
    } cases[] = {
        {"{\"current\":", "not JSON"},
        {"<html><body><h1>502 Bad Gateway</h1></body></html>", "not JSON"},
        {"", "not JSON"},
        {"[1,2,3]", "not a forecast"},
        {R"({"error":true,"reason":"Latitude must be in range of -90 to 90°."})", "zone"},
        {R"({"utc_offset_seconds":0,"daily":{)" + days + "}}", "current"},
        {R"({"utc_offset_seconds":0,"current":{}})", "daily"},
        {R"({"utc_offset_seconds":0,"current":{},"daily":{"time":["2026-12-08"]}})", "three days"},
        {R"({"utc_offset_seconds":0,"current":{},"daily":{)" + days + R"(,"temperature_2m_max":[1,2]}})",
         "different lengths"},
        {R"({"utc_offset_seconds":0,"current":{"temperature_2m":"warm"},"daily":{)" + days + "}}", "not a number"},
        {R"({"utc_offset_seconds":0,"current":{},"daily":{)" + days + R"(,"sunrise":"07:00"}})", "not a list"},
        {R"({"utc_offset_seconds":"+01:00","current":{},"daily":{)" + days + "}}", "not a number"},
        {R"({"utc_offset_seconds":0,"current":[],"daily":{)" + days + "}}", "current"},
    };
    for (const auto& c : cases) {
        const OpenMeteoDocuments docs = ConvertOpenMeteo(c.json);
        EXPECT_FALSE(docs.ok) << c.json;
        EXPECT_NE(docs.error.find(c.reason), std::string::npos) << c.json << " -> " << docs.error;
        EXPECT_TRUE(docs.observation.empty() && docs.forecast.empty());
    }
}

TEST(WeatherCodes, EveryCodeByDayAndByNight) {
    const std::map<int, std::pair<std::string, std::string>> documented = {
        {0, {"Sunny", "Clear"}},
        {1, {"Sunny Intervals", "Clear"}},
        {2, {"Partly Cloudy", "Partly Cloudy Night"}},
        {3, {"Cloudy", "Cloudy"}},
        {45, {"Fog", "Fog"}},
        {48, {"Fog", "Fog"}},
        {51, {"Drizzle", "Drizzle"}},
        {53, {"Drizzle", "Drizzle"}},
        {55, {"Drizzle", "Drizzle"}},
        {56, {"Drizzle", "Drizzle"}},
        {57, {"Drizzle", "Drizzle"}},
        {61, {"Light Rain", "Light Rain"}},
        {63, {"Light Rain", "Light Rain"}},
        {65, {"Heavy Rain", "Heavy Rain"}},
        {66, {"Sleet", "Sleet"}},
        {67, {"Sleet", "Sleet"}},
        {71, {"Light Snow", "Light Snow"}},
        {73, {"Light Snow", "Light Snow"}},
        {75, {"Heavy Snow", "Heavy Snow"}},
        {77, {"Light Snow", "Light Snow"}},
        {80, {"Light Showers", "Light Showers"}},
        {81, {"Heavy Showers", "Heavy Showers"}},
        {82, {"Heavy Showers", "Heavy Showers"}},
        {85, {"Light Snow", "Light Snow"}},
        {86, {"Heavy Snow", "Heavy Snow"}},
        {95, {"Thundery Showers", "Thundery Showers"}},
        {96, {"Thundery Showers", "Thundery Showers"}},
        {99, {"Thundery Showers", "Thundery Showers"}},
    };
    for (int code = -1; code <= 100; ++code) {
        const auto it = documented.find(code);
        const std::string day = WeatherCodeSummary(code, true), night = WeatherCodeSummary(code, false);
        if (it == documented.end()) {
            EXPECT_EQ(day, kUnknownWeatherSummary) << code;
            EXPECT_EQ(night, kUnknownWeatherSummary) << code;
        } else {
            EXPECT_EQ(day, it->second.first) << code;
            EXPECT_EQ(night, it->second.second) << code;
        }
    }
}

TEST(WeatherCodes, TheObservationTakesDayOrNightFromIsDay) {
    std::string json = test::BerlinForecastJson();
    const auto at = json.find("\"weather_code\":61,\"is_day\":1");
    ASSERT_NE(at, std::string::npos);
    json.replace(at, 28, "\"weather_code\":0,\"is_day\":0");
    const OpenMeteoDocuments night = ConvertOpenMeteo(json);
    ASSERT_TRUE(night.ok) << night.error;
    EXPECT_NE(night.observation.find("GMT:\nClear. "), std::string::npos) << night.observation;
    json.replace(at, 27, "\"weather_code\":0,\"is_day\":1");
    const OpenMeteoDocuments day = ConvertOpenMeteo(json);
    EXPECT_NE(day.observation.find("GMT:\nSunny. "), std::string::npos) << day.observation;
    // An unknown code still gives a summary.
    json.replace(at, 27, "\"weather_code\":42,\"is_day\":1");
    const OpenMeteoDocuments odd = ConvertOpenMeteo(json);
    EXPECT_NE(odd.observation.find("GMT:\nUnknown. "), std::string::npos) << odd.observation;
}

// A clock the test moves by hand.
struct TestClock {
    std::chrono::steady_clock::time_point now{std::chrono::hours(1000)};
    OpenMeteoSource::Clock Function() {
        return [this] { return now; };
    }
};

TEST(OpenMeteoSourceTest, AsksForExactlyTheDocumentedQueryAndNamesItself) {
    FakeOpenMeteo fake;
    OpenMeteoSource source(52.52, 13.41, fake.BaseUrl());
    ASSERT_TRUE(source.FetchDocument(FeedKind::Observation).ok);
    const httplib::Params q = fake.LastQuery();
    const std::multimap<std::string, std::string> expected = {
        {"latitude", "52.52"},
        {"longitude", "13.41"},
        {"current",
         "temperature_2m,relative_humidity_2m,weather_code,is_day,apparent_temperature,wind_speed_10m,"
         "wind_direction_10m"},
        {"daily",
         "weather_code,temperature_2m_max,temperature_2m_min,relative_humidity_2m_mean,sunrise,sunset,"
         "precipitation_probability_max,wind_speed_10m_max"},
        {"hourly", "temperature_2m,relative_humidity_2m,precipitation_probability"},
        {"forecast_hours", "48"},
        {"timezone", "auto"},
        {"forecast_days", "3"},
    };
    const std::multimap<std::string, std::string> asked(q.begin(), q.end());
    EXPECT_EQ(asked, expected);
    EXPECT_EQ(fake.LastUserAgent(), std::string("Nimbrel/") + NIMBREL_VERSION);
}

TEST(OpenMeteoSourceTest, BothFetchesOfACycleMakeOneRequestForTenMinutes) {
    FakeOpenMeteo fake;
    TestClock clock;
    OpenMeteoSource source(52.52, 13.41, fake.BaseUrl(), {}, {}, clock.Function());
    const HttpResult obs = source.FetchDocument(FeedKind::Observation);
    const HttpResult fc = source.FetchDocument(FeedKind::Forecast);
    ASSERT_TRUE(obs.ok && fc.ok);
    EXPECT_NE(obs.body.find("Latest observations"), std::string::npos);
    EXPECT_NE(fc.body.find("Max Temp"), std::string::npos);
    EXPECT_EQ(fake.ForecastRequests(), 1);
    // Every minute for ten minutes (the shortest UpdateMinutes): still one.
    for (int m = 0; m < 9; ++m) {
        clock.now += std::chrono::minutes(1);
        ASSERT_TRUE(source.FetchDocument(FeedKind::Observation).ok);
        ASSERT_TRUE(source.FetchDocument(FeedKind::Forecast).ok);
    }
    EXPECT_EQ(fake.ForecastRequests(), 1);
    clock.now += std::chrono::minutes(1);
    ASSERT_TRUE(source.FetchDocument(FeedKind::Observation).ok);
    EXPECT_EQ(fake.ForecastRequests(), 2);
}

TEST(OpenMeteoSourceTest, TwoThreadsAtOnceStillMakeOneRequest) {
    FakeOpenMeteo fake;
    OpenMeteoSource source(52.52, 13.41, fake.BaseUrl());
    HttpResult a, b;
    std::thread t1([&] { a = source.FetchDocument(FeedKind::Observation); });
    std::thread t2([&] { b = source.FetchDocument(FeedKind::Forecast); });
    t1.join();
    t2.join();
    EXPECT_TRUE(a.ok && b.ok);
    EXPECT_EQ(fake.ForecastRequests(), 1);
}

TEST(OpenMeteoSourceTest, TooManyRequestsAndServerErrorsWaitDoublingUpToAnHour) {
    for (int status : {429, 500, 503}) {
        FakeOpenMeteo fake;
        fake.SetForecast({status, R"({"error":true,"reason":"Too many requests"})"});
        TestClock clock;
        OpenMeteoSource source(52.52, 13.41, fake.BaseUrl(), {}, {}, clock.Function());
        int expectedRequests = 0;
        std::chrono::seconds wait{60};
        for (int round = 0; round < 9; ++round) {
            const HttpResult r = source.FetchDocument(FeedKind::Observation);
            ++expectedRequests;
            EXPECT_FALSE(r.ok);
            EXPECT_EQ(r.status, status);
            // Every tick of the waiting time passes without a request.
            clock.now += wait - std::chrono::seconds(1);
            const HttpResult waiting = source.FetchDocument(FeedKind::Forecast);
            EXPECT_FALSE(waiting.ok);
            EXPECT_NE(waiting.error.find("wait"), std::string::npos) << waiting.error;
            EXPECT_EQ(fake.ForecastRequests(), expectedRequests) << status << " round " << round;
            clock.now += std::chrono::seconds(1);
            wait = std::min(wait * 2, std::chrono::seconds(3600));
        }
        // Back again: the answer is taken and the wait starts over.
        fake.SetForecast({200, test::BerlinForecastJson()});
        EXPECT_TRUE(source.FetchDocument(FeedKind::Observation).ok);
        EXPECT_EQ(fake.ForecastRequests(), expectedRequests + 1);
    }
}

TEST(OpenMeteoSourceTest, BadAnswersChangeNothingStored) {
    ScopedClock clock(TuesdayAfternoon());
    FakeOpenMeteo fake;
    const FakeOpenMeteo::Answer bad[] = {
        {200, "{\"current\": {", "application/json"},
        {200, "<html><body>Service unavailable</body></html>", "text/html"},
        {200, R"({"utc_offset_seconds":0,"current":{},"daily":{"time":["a","b"],"sunrise":[1,2,3]}})"},
        {404, "<html>Not found</html>", "text/html"},
        {500, "Internal error", "text/plain"},
    };
    for (const auto& answer : bad) {
        fake.SetForecast(answer);
        OpenMeteoSource source(52.52, 13.41, fake.BaseUrl());
        Read r;
        r.store.ForecastText = "kept";
        r.store.CurrentSummary = "Sunny";
        for (FeedKind kind : {FeedKind::Observation, FeedKind::Forecast}) {
            const HttpResult result = source.FetchDocument(kind);
            EXPECT_FALSE(result.ok) << answer.body;
            EXPECT_FALSE(result.error.empty());
            EXPECT_FALSE(HandleFeedResult(kind, result, r.store, r.display));
        }
        EXPECT_EQ(r.store.ForecastText, "kept");
        EXPECT_EQ(r.store.CurrentSummary, "Sunny");
        EXPECT_EQ(r.store.TempHistory, "");
        EXPECT_TRUE(r.display.NothingShown());
    }
}

TEST(OpenMeteoSourceTest, AHugeAnswerIsAbandonedAndARedirectFollowed) {
    FakeOpenMeteo fake;
    OpenMeteoSource huge(52.52, 13.41, fake.BaseUrl() + "/huge");
    const HttpResult r = huge.FetchDocument(FeedKind::Observation);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("larger than"), std::string::npos) << r.error;

    OpenMeteoSource moved(52.52, 13.41, fake.BaseUrl() + "/moved");
    EXPECT_TRUE(moved.FetchDocument(FeedKind::Forecast).ok);
}

TEST(OpenMeteoSourceTest, NoServiceIsAFailureNotAHang) {
    OpenMeteoSource source(52.52, 13.41, "http://127.0.0.1:1");
    const HttpResult r = source.FetchDocument(FeedKind::Observation);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());
}

TEST(PlaceSearchParse, FieldsMayBeMissingAndPlacesWithoutCoordinatesArePassedOver) {
    const PlaceSearch s = ParsePlaceSearch(R"({"results":[
        {"name":"Zürich","latitude":47.36667,"longitude":8.55,"country":"Switzerland","admin1":"Zurich",
         "timezone":"Europe/Zurich"},
        {"name":"Nowhere","country":"Atlantis"},
        {"name":"Half","latitude":10.0},
        {"name":"Off the globe","latitude":91.0,"longitude":0},
        {"name":"Text coordinates","latitude":"1","longitude":"2"},
        {"latitude":-23.5475,"longitude":-46.63611},
        {"name":"Berlin","admin1":"Berlin","country":"Germany","latitude":52.5,"longitude":13.4},
        "not an object", 42, null]})");
    ASSERT_TRUE(s.ok) << s.error;
    ASSERT_EQ(s.places.size(), 3u);
    EXPECT_EQ(s.places[0].DisplayName(), "Zürich, Zurich, Switzerland");
    EXPECT_EQ(s.places[0].timezone, "Europe/Zurich");
    EXPECT_EQ(s.places[1].DisplayName(), "-23.5475,-46.6361");
    EXPECT_EQ(s.places[2].DisplayName(), "Berlin, Germany");
}

TEST(PlaceSearchParse, NoResultsIsASearchThatFoundNothing) {
    for (const char* json : {R"({"generationtime_ms":0.5})", R"({"results":[]})", R"({"results":null})"}) {
        const PlaceSearch s = ParsePlaceSearch(json);
        EXPECT_TRUE(s.ok) << json;
        EXPECT_TRUE(s.places.empty());
    }
    for (const char* json : {"", "<html>", "[]", R"({"results":{"name":"Berlin"}})", R"({"results":"Berlin"})"}) {
        const PlaceSearch s = ParsePlaceSearch(json);
        EXPECT_FALSE(s.ok) << json;
        EXPECT_FALSE(s.error.empty());
    }
}

// Points the place search at the fake for the life of the object.
struct GeocodingAt {
    explicit GeocodingAt(const std::string& base) { ::setenv("NIMBREL_GEOCODING_URL", base.c_str(), 1); }
    ~GeocodingAt() { ::unsetenv("NIMBREL_GEOCODING_URL"); }
};

TEST(FindPlaceTest, ByNameByNameAndCountryAndByCoordinates) {
    FakeOpenMeteo fake;
    GeocodingAt at(fake.BaseUrl());
    PlaceSearch s = FindPlace("Berlin");
    ASSERT_TRUE(s.ok) << s.error;
    ASSERT_EQ(s.places.size(), 1u);
    EXPECT_EQ(s.places[0].DisplayName(), "Berlin, Land Berlin, Germany");
    EXPECT_EQ(s.places[0].timezone, "Europe/Berlin");

    s = FindPlace("Berlin, united states");
    ASSERT_EQ(s.places.size(), 1u);
    EXPECT_EQ(s.places[0].admin1, "New Hampshire");
    s = FindPlace("Berlin, New Hampshire");
    ASSERT_EQ(s.places.size(), 1u);
    EXPECT_EQ(s.places[0].country, "United States");

    s = FindPlace("Berlin, France");
    EXPECT_TRUE(s.ok);
    EXPECT_TRUE(s.places.empty());
    s = FindPlace("Atlantis");
    EXPECT_TRUE(s.ok);
    EXPECT_TRUE(s.places.empty());

    s = FindPlace(" 52.52 , 13.41 ");
    ASSERT_EQ(s.places.size(), 1u);
    EXPECT_DOUBLE_EQ(s.places[0].latitude, 52.52);
    EXPECT_DOUBLE_EQ(s.places[0].longitude, 13.41);
    EXPECT_FALSE(FindPlace("91,0").ok && !FindPlace("91,0").places.empty() &&
                 FindPlace("91,0").places[0].latitude == 91);
}

TEST(FindPlaceTest, AFailedSearchSaysSo) {
    FakeOpenMeteo fake;
    fake.SetSearch("Berlin", {429, R"({"error":true})"});
    fake.SetSearch("Paris", {200, "<html><body>Maintenance</body></html>", "text/html"});
    GeocodingAt at(fake.BaseUrl());
    PlaceSearch s = FindPlace("Berlin");
    EXPECT_FALSE(s.ok);
    EXPECT_NE(s.error.find("search failed"), std::string::npos) << s.error;
    s = FindPlace("Paris");
    EXPECT_FALSE(s.ok);
    EXPECT_FALSE(s.error.empty());
    GeocodingAt nowhere("http://127.0.0.1:1");
    s = FindPlace("Berlin");
    EXPECT_FALSE(s.ok);
    EXPECT_NE(s.error.find("search failed"), std::string::npos) << s.error;
}

TEST(FindPlaceTest, TheNameIsEscapedInTheQuery) {
    EXPECT_EQ(PlaceSearchUrl("http://127.0.0.1:9/", "São Paulo&x=1"),
              "http://127.0.0.1:9/v1/search?name=S%C3%A3o%20Paulo%26x%3D1&count=10&language=en&format=json");
}

TEST(StoredPlaceTest, NamesOutsideAsciiSurviveASaveAndALoad) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("nimbrel-place-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    for (const char* name : {"München", "Zürich", "São Paulo", "Αθήνα", "東京"}) {
        SettingsStore saved;
        saved.SetFolder(folder.string());
        Place p;
        p.name = name;
        p.country = "Wherever";
        p.latitude = -23.5475;
        p.longitude = 13.41;
        p.timezone = "Europe/Berlin";
        StorePlace(saved, p);
        saved.SaveSettings();
        ASSERT_TRUE(saved.LastSaveSucceeded());

        SettingsStore loaded;
        loaded.SetFolder(folder.string());
        loaded.LoadSettings();
        Place back;
        ASSERT_TRUE(StoredPlace(loaded, back)) << name;
        EXPECT_EQ(back.DisplayName(), std::string(name) + ", Wherever");
        EXPECT_DOUBLE_EQ(back.latitude, -23.5475);
        EXPECT_DOUBLE_EQ(back.longitude, 13.41);
        EXPECT_EQ(back.timezone, "Europe/Berlin");
    }
    std::filesystem::remove_all(folder);
}

TEST(StoredPlaceTest, NoPlaceOrCoordinatesThatAreNoNumbers) {
    SettingsStore store;
    Place p;
    EXPECT_FALSE(StoredPlace(store, p));
    store.SetExtra(kSourceKey, kOpenMeteoSource);
    store.SetExtra("latitude", "north");
    store.SetExtra("longitude", "13.4");
    EXPECT_FALSE(StoredPlace(store, p));
    store.SetExtra("latitude", "95");
    EXPECT_FALSE(StoredPlace(store, p));
}

}  // namespace
}  // namespace nimbrel

// One answer of the forecast service written as both documents, against the
// peer that always follows it: the parsers reading those documents into the
// store. And the place search's parse of a full page of ten results.
#include <benchmark/benchmark.h>

#include <string>

#include "base/Clock.h"
#include "feeds/FeedRetrieval.h"
#include "feeds/OpenMeteo.h"
#include "feeds/PlaceSearch.h"

using namespace nimbrel;

namespace {

const std::string kAnswer =
    R"({"latitude":52.52,"longitude":13.419998,"generationtime_ms":0.05,"utc_offset_seconds":3600,
"timezone":"Europe/Berlin","timezone_abbreviation":"GMT+1","elevation":38.0,
"current_units":{"time":"iso8601","interval":"seconds","temperature_2m":"°C","relative_humidity_2m":"%",
"weather_code":"wmo code","is_day":""},
"current":{"time":"2026-12-08T14:15","interval":900,"temperature_2m":3.4,"relative_humidity_2m":81,
"weather_code":61,"is_day":1},
"daily_units":{"time":"iso8601","weather_code":"wmo code","temperature_2m_max":"°C","temperature_2m_min":"°C",
"relative_humidity_2m_mean":"%","sunrise":"iso8601","sunset":"iso8601"},
"daily":{"time":["2026-12-08","2026-12-09","2026-12-10"],"weather_code":[3,61,45],
"temperature_2m_max":[4.5,6.5,2.1],"temperature_2m_min":[-0.5,2.5,-3.2],"relative_humidity_2m_mean":[84,90,78],
"sunrise":["2026-12-08T08:05","2026-12-09T08:06","2026-12-10T08:07"],
"sunset":["2026-12-08T15:53","2026-12-09T15:53","2026-12-10T15:54"]}})";

std::string SearchPage() {
    std::string json = R"({"results":[)";
    for (int i = 0; i < 10; ++i) {
        if (i) json += ",";
        json += R"({"id":2950159,"name":"Berlin","latitude":52.52437,"longitude":13.41053,"elevation":74.0,
"feature_code":"PPLC","country_code":"DE","admin1_id":2950157,"timezone":"Europe/Berlin","population":3426354,
"postcodes":["10967","13347"],"country_id":2921044,"country":"Germany","admin1":"Land Berlin"})";
    }
    return json + R"(],"generationtime_ms":0.7})";
}

void BM_ConvertAnswer(benchmark::State& state) {
    for (auto _ : state) {
        OpenMeteoDocuments docs = ConvertOpenMeteo(kAnswer);
        benchmark::DoNotOptimize(docs);
    }
}
BENCHMARK(BM_ConvertAnswer);

void BM_ParseBothDocuments(benchmark::State& state) {
    ScopedClock clock(DateSerial(2026, 12, 8) + TimeSerial(15, 0, 0));
    const OpenMeteoDocuments docs = ConvertOpenMeteo(kAnswer);
    for (auto _ : state) {
        SettingsStore store;
        HandleFeedText(FeedKind::Observation, docs.observation, store);
        HandleFeedText(FeedKind::Forecast, docs.forecast, store);
        benchmark::DoNotOptimize(store.ForecastText);
    }
}
BENCHMARK(BM_ParseBothDocuments);

void BM_ParsePlaceSearch(benchmark::State& state) {
    const std::string page = SearchPage();
    for (auto _ : state) {
        PlaceSearch s = ParsePlaceSearch(page);
        benchmark::DoNotOptimize(s);
    }
}
BENCHMARK(BM_ParsePlaceSearch);

}  // namespace

BENCHMARK_MAIN();

// Any bytes as an answer of the forecast service, and as a feed document
// with Nimbrel's own elements: nothing may crash, every extra value that is
// taken lies within its bounds, the hours follow one another and are at
// most 48, and what the program keeps in settings.txt reads back the same.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "feeds/OpenMeteo.h"
#include "feeds/WeatherExtras.h"

namespace {

using namespace nimbrel;

void RequireBounded(const Observation& o) {
    if (o.feelsLike) fuzz::Require(*o.feelsLike >= kFeelsLikeLowest && *o.feelsLike <= kFeelsLikeHighest);
    if (o.windSpeed) fuzz::Require(*o.windSpeed >= 0 && *o.windSpeed <= kWindHighest);
    if (o.windDirection) fuzz::Require(o.windSpeed && *o.windDirection >= 0 && *o.windDirection <= 360);
}

void RequireBounded(const ForecastDays& days, const HourlyForecast& hours) {
    for (const ForecastDay& d : days) {
        if (d.rainChance) fuzz::Require(*d.rainChance >= 0 && *d.rainChance <= 100);
        if (d.windMax) fuzz::Require(*d.windMax >= 0 && *d.windMax <= kWindHighest);
    }
    fuzz::Require(hours.size() <= static_cast<size_t>(kHoursKept));
    for (size_t i = 0; i < hours.size(); ++i) {
        const ForecastHour& h = hours[i];
        if (h.humidity) fuzz::Require(*h.humidity >= 0 && *h.humidity <= 100);
        if (h.rainChance) fuzz::Require(*h.rainChance >= 0 && *h.rainChance <= 100);
        if (i > 0) fuzz::Require(std::llround((h.time.Utc() - hours[i - 1].time.Utc()) * 24) == 1);
    }
}

// Kept and loaded back: the same values (wind to the tenth it is kept with).
void RequireKept(const Observation& o, const ForecastDays& days, const HourlyForecast& hours) {
    SettingsStore store;
    KeepObservationExtras(o, store);
    KeepForecastExtras(days, hours, store);
    Observation o2;
    ForecastDays days2{};
    HourlyForecast hours2;
    LoadObservationExtras(store, o2);
    LoadForecastExtras(store, days2, hours2);
    fuzz::Require(o2.feelsLike == o.feelsLike && o2.windDirection.has_value() == o.windDirection.has_value());
    fuzz::Require(hours2.size() == hours.size());
    for (size_t i = 0; i < hours.size(); ++i)
        fuzz::Require(hours2[i].temperature == hours[i].temperature && hours2[i].rainChance == hours[i].rainChance);
    for (size_t k = 0; k < days.size(); ++k) fuzz::Require(days2[k].rainChance == days[k].rainChance);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const OpenMeteoWeather w = ReadOpenMeteo(text);
    if (w.ok) {
        RequireBounded(w.weather.observation);
        RequireBounded(w.weather.days, w.weather.hours);
        RequireKept(w.weather.observation, w.weather.days, w.weather.hours);
    }
    Observation o;
    ReadObservationExtras(text, o);
    RequireBounded(o);
    ForecastDays days{};
    HourlyForecast hours;
    ReadForecastExtras(text, days, hours);
    RequireBounded(days, hours);
    RequireKept(o, days, hours);
    return 0;
}

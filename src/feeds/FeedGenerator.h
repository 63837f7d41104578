#pragma once
// Synthetic but plausible weather for any location id, written as the two RSS
// documents the program reads. Temperature and humidity follow the time of
// day and the season and differ from one location to another; the summary is
// one of the texts the tiles have a picture for; sunrise and sunset follow the
// season. The same id and moment always give the same document.
#include <string>

#include "base/DateTime.h"
#include "feeds/WeatherModel.h"

namespace nimbrel::feedgen {

struct Weather {
    std::string summary;  // "Light Rain", "Sunny Intervals", ...
    int temperature = 0;  // whole degrees Celsius
    int humidity = 0;     // percent
};

struct DayOutlook {
    std::string summary;
    int minimum = 0, maximum = 0, humidity = 0;
    DateTime sunrise = 0, sunset = 0;  // times of day
};

Weather CurrentWeather(const std::string& id, DateTime now);
DayOutlook Outlook(const std::string& id, DateTime date);

// The weather model of the moment: the reading now (taken in the desktop's
// zone) and today and the next two days, their sun times in GMT as the
// documents give them. The documents below are written from it.
WeatherModel SampleWeather(const std::string& id, DateTime now);

// baseUrl is what the documents' links point at ("http://127.0.0.1:8077").
std::string ObservationDocument(const std::string& id, DateTime now, const std::string& baseUrl);
// Three items: today and the next two days.
std::string ForecastDocument(const std::string& id, DateTime now, const std::string& baseUrl);

}  // namespace nimbrel::feedgen

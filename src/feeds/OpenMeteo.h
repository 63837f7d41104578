#pragma once
// Real weather from the Open-Meteo forecast service. One answer of the
// service (current conditions and three days) is read straight into the
// weather model, with the service's own dates and its times in the place's
// zone. The check tool and the sample server can still write the model as
// the two feed documents, in the very form a feed server gives them.
//
// Values: the service sends decimals; temperatures and humidity become whole
// numbers with halves to the even neighbour, the rounding the parsers use.
// A null (or absent) value is left out of the document, which the parsers
// read exactly as a feed that lacks it. Times arrive in the place's own zone
// with utc_offset_seconds beside them and are kept so; the stored forecast
// lines give sun times in GMT, like every other source, and the program
// shows them in the desktop's zone.
#include <string>

#include "base/Translate.h"
#include "feeds/WeatherModel.h"

namespace nimbrel {

inline constexpr const char* kOpenMeteoBaseUrl = "https://api.open-meteo.com";
inline constexpr const char* kOpenMeteoAttribution = QT_TRANSLATE_NOOP("Credits", "Weather data by Open-Meteo.com");

// The forecast service's base: NIMBREL_OPEN_METEO_URL when set and not
// empty (tests point it at a server on loopback), else kOpenMeteoBaseUrl.
std::string OpenMeteoBaseUrl();

// {base}/v1/forecast with the query the conversion needs, for a place.
std::string OpenMeteoForecastUrl(const std::string& baseUrl, double latitude, double longitude);

struct OpenMeteoWeather {
    bool ok = false;
    std::string error;  // why the answer was refused, in words for the user
    WeatherModel weather;
};

// The model of one answer. Refused (ok false, the model empty) when the
// text is not JSON, not of the service's shape, has daily lists of unequal
// length or fewer than three days, or lacks the place's zone offset. This is
// the one place the service's answer is parsed.
OpenMeteoWeather ReadOpenMeteo(const std::string& json);

// The model written as the two feed documents a feed server would give.
std::string OpenMeteoObservationDocument(const Observation& observation);
// The extra values go in as elements of Nimbrel's own namespace.
std::string OpenMeteoForecastDocument(const ForecastDays& days, const HourlyForecast& hours = {});

struct OpenMeteoDocuments {
    bool ok = false;
    std::string error;  // why the answer was refused, in words for the user
    std::string observation, forecast;
};

// Both documents from one answer, refused as ReadOpenMeteo refuses it.
OpenMeteoDocuments ConvertOpenMeteo(const std::string& json);

// A decimal coordinate in the short form the service takes ("52.52").
std::string FormatCoordinate(double value);

}  // namespace nimbrel

#pragma once
// Real weather from the Open-Meteo forecast service. One answer of the
// service (current conditions and three days) is written as both feed
// documents, in the very form a feed server gives them, so the parsers, the
// history and the display take it by the same path as any other source.
//
// Values: the service sends decimals; temperatures and humidity become whole
// numbers with halves to the even neighbour, the rounding the parsers use.
// A null (or absent) value is left out of the document, which the parsers
// read exactly as a feed that lacks it. Times arrive in the place's own zone
// with utc_offset_seconds beside them; the documents give them in GMT, like
// every other source, and the program shows them in the desktop's zone.
#include <string>

namespace nimbrel {

inline constexpr const char* kOpenMeteoBaseUrl = "https://api.open-meteo.com";
inline constexpr const char* kOpenMeteoAttribution = "Weather data by Open-Meteo.com";

// The forecast service's base: NIMBREL_OPEN_METEO_URL when set and not
// empty (tests point it at a server on loopback), else kOpenMeteoBaseUrl.
std::string OpenMeteoBaseUrl();

// {base}/v1/forecast with the query the conversion needs, for a place.
std::string OpenMeteoForecastUrl(const std::string& baseUrl, double latitude, double longitude);

struct OpenMeteoDocuments {
    bool ok = false;
    std::string error;  // why the answer was refused, in words for the user
    std::string observation, forecast;
};

// Both documents from one answer. Refused (ok false, both empty) when the
// text is not JSON, not of the service's shape, has daily lists of unequal
// length or fewer than three days, or lacks the place's zone offset.
OpenMeteoDocuments ConvertOpenMeteo(const std::string& json);

// A decimal coordinate in the short form the service takes ("52.52").
std::string FormatCoordinate(double value);

}  // namespace nimbrel

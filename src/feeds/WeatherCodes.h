#pragma once
// The service's weather codes (WMO 4677, 0 to 99, in the subset the forecast
// service uses) as the summaries the tiles have pictures for. Clear and
// partly cloudy skies read differently by day and by night; everything else
// is the same at any hour.
#include <string>

namespace nimbrel {

// The summary for a code; a code the table does not know gives
// kUnknownWeatherSummary, so the tile shows its neutral picture.
std::string WeatherCodeSummary(int code, bool isDay);

inline constexpr const char* kUnknownWeatherSummary = "Unknown";

}  // namespace nimbrel

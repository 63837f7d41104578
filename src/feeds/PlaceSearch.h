#pragma once
// Finding a place by name through the Open-Meteo geocoding service, and the
// chosen place as the program keeps it in settings.txt.
//
// Every field of a search result may be missing; a result without both
// coordinates (or with coordinates off the globe) cannot be shown and is
// passed over. The service omits "results" when nothing matched, which is a
// search that worked and found nothing, not a failure.
#include <string>
#include <vector>

#include "platform/http/HttpFetch.h"
#include "store/SettingsStore.h"

namespace nimbrel {

inline constexpr const char* kGeocodingBaseUrl = "https://geocoding-api.open-meteo.com";

// NIMBREL_GEOCODING_URL when set and not empty, else kGeocodingBaseUrl.
std::string GeocodingBaseUrl();

struct Place {
    std::string name, admin1, country, timezone;
    double latitude = 0, longitude = 0;
    // "Name, Region, Country", leaving out the parts that are missing or that
    // repeat the one before ("Berlin, Berlin, Germany" reads "Berlin, Germany"),
    // at most kMaxPlaceNameBytes long, as is each part.
    std::string DisplayName() const;
};

struct PlaceSearch {
    bool ok = false;    // the service answered in its documented form
    std::string error;  // why not, in words for the user
    std::vector<Place> places;
};

// {base}/v1/search?name=TEXT&count=10&language=en&format=json, TEXT escaped.
std::string PlaceSearchUrl(const std::string& baseUrl, const std::string& text);
PlaceSearch ParsePlaceSearch(const std::string& json);
// Blocking search (for a thread that may wait, or the command line).
PlaceSearch SearchPlaces(const std::string& text, const FetchLimits& limits = {});

// "52.52,13.41" (blanks allowed) as a place named by its coordinates.
bool ParseCoordinates(const std::string& text, Place& place);

// What "--place TEXT" takes: coordinates as they are, else the service's
// first match for the text before the first comma that, when there is a
// part after it ("Berlin, Germany"), has that part as its country or region.
// ok with no places means nothing matched.
PlaceSearch FindPlace(const std::string& text, const FetchLimits& limits = {});

// The place in settings.txt's own section, beside "source" = "open-meteo".
void StorePlace(SettingsStore& store, const Place& place);
// The stored place; false when none was chosen or the coordinates are not
// numbers.
bool StoredPlace(const SettingsStore& store, Place& place);
// Rewrites the stored coordinates in the form the file keeps ("52.5244")
// where an older copy running under a decimal-comma locale wrote "52,5244",
// so the next save puts them right. Called once the file is loaded.
void TidyStoredPlace(SettingsStore& store);

inline constexpr const char* kSourceKey = "source";
inline constexpr const char* kOpenMeteoSource = "open-meteo";

}  // namespace nimbrel

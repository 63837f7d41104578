#include "feeds/PlaceSearch.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>

#include "base/Defaults.h"
#include "base/Numbers.h"
#include "base/Translate.h"
#include "base/modMisc.h"
#include "feeds/FeedText.h"
#include "feeds/JsonDepth.h"
#include "feeds/OpenMeteo.h"
#include "feeds/OutsideText.h"

namespace nimbrel {
namespace {

using Json = nlohmann::json;

// Bounded here, where the text enters: a search answer may hold a name of
// megabytes, which every save would rewrite and every window would try to fit.
std::string Text(const Json& object, const char* key) {
    const auto it = object.find(key);
    return it != object.end() && it->is_string() ? CutUtf8(it->get_ref<const std::string&>(), kMaxPlaceNameBytes)
                                                 : std::string();
}

bool OnTheGlobe(double latitude, double longitude) {
    return std::isfinite(latitude) && std::isfinite(longitude) && std::fabs(latitude) <= 90 &&
           std::fabs(longitude) <= 180;
}

std::string Escaped(const std::string& text) {
    static const char* kHex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        // ASCII letters and digits only, whatever the locale calls a letter.
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
            c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

// A coordinate as typed or stored. A copy that ran under a locale with a
// decimal comma stored "52,5244"; with no point beside it, one comma is read
// as the decimal point, so such a file is read right and saved right.
bool ReadNumber(const std::string& text, double& value) {
    std::string t = TrimBlanks(text);
    if (const auto comma = t.find(',');
        comma != std::string::npos && t.find('.') == std::string::npos && t.find(',', comma + 1) == std::string::npos)
        t[comma] = '.';
    return ParseDecimal(t, value);
}

}  // namespace

std::string GeocodingBaseUrl() {
    const char* env = std::getenv("NIMBREL_GEOCODING_URL");
    return env && *env ? env : kGeocodingBaseUrl;
}

std::string Place::DisplayName() const {
    std::string out;
    std::string last;
    for (const std::string* part : {&name, &admin1, &country}) {
        if (part->empty() || *part == last) continue;
        if (!out.empty()) out += ", ";
        out += *part;
        last = *part;
    }
    if (out.empty()) out = FormatCoordinate(latitude) + "," + FormatCoordinate(longitude);
    return CutUtf8(out, kMaxPlaceNameBytes);
}

std::string PlaceSearchUrl(const std::string& baseUrl, const std::string& text) {
    std::string base = baseUrl;
    while (!base.empty() && base.back() == '/') base.pop_back();
    return base + "/v1/search?name=" + Escaped(text) + "&count=10&language=en&format=json";
}

PlaceSearch ParsePlaceSearch(const std::string& json) {
    PlaceSearch out;
    std::string why;
    const Json root = ParseShallowJson(json, why);
    if (root.is_discarded() && why != kNotJson) {
        out.error =
            FillIn(Translated("PlaceSearch", QT_TRANSLATE_NOOP("PlaceSearch", "the place search's answer %1")), {why});
        return out;
    }
    if (root.is_discarded() || !root.is_object()) {
        out.error = Translated(
            "PlaceSearch",
            QT_TRANSLATE_NOOP("PlaceSearch", "the place search answered with something that is not a list of places"));
        return out;
    }
    const auto results = root.find("results");
    if (results != root.end() && !results->is_null()) {
        if (!results->is_array()) {
            out.error =
                Translated("PlaceSearch",
                           QT_TRANSLATE_NOOP("PlaceSearch",
                                             "the place search answered with something that is not a list of places"));
            return out;
        }
        for (const Json& r : *results) {
            if (!r.is_object()) continue;
            const auto lat = r.find("latitude"), lon = r.find("longitude");
            if (lat == r.end() || lon == r.end() || !lat->is_number() || !lon->is_number()) continue;
            Place p;
            p.latitude = lat->get<double>();
            p.longitude = lon->get<double>();
            if (!OnTheGlobe(p.latitude, p.longitude)) continue;
            p.name = Text(r, "name");
            p.admin1 = Text(r, "admin1");
            p.country = Text(r, "country");
            p.timezone = Text(r, "timezone");
            out.places.push_back(std::move(p));
        }
    }
    out.ok = true;
    return out;
}

PlaceSearch SearchPlaces(const std::string& text, const FetchLimits& limits) {
    const HttpResult r = Fetch(PlaceSearchUrl(GeocodingBaseUrl(), text), limits);
    if (!r.ok) {
        PlaceSearch failed;
        failed.error = FillIn(
            Translated("PlaceSearch", QT_TRANSLATE_NOOP("PlaceSearch", "the place search failed: %1")), {r.error});
        return failed;
    }
    return ParsePlaceSearch(r.body);
}

bool ParseCoordinates(const std::string& text, Place& place) {
    const auto comma = text.find(',');
    if (comma == std::string::npos) return false;
    double lat = 0, lon = 0;
    if (!ReadNumber(text.substr(0, comma), lat) || !ReadNumber(text.substr(comma + 1), lon)) return false;
    if (!OnTheGlobe(lat, lon)) return false;
    place = Place{};
    place.latitude = lat;
    place.longitude = lon;
    return true;
}

PlaceSearch FindPlace(const std::string& text, const FetchLimits& limits) {
    Place coordinates;
    if (ParseCoordinates(text, coordinates)) {
        PlaceSearch found;
        found.ok = true;
        found.places.push_back(coordinates);
        return found;
    }
    const auto comma = text.find(',');
    const std::string name = TrimBlanks(text.substr(0, comma));
    const std::string within = comma == std::string::npos ? "" : LowerAscii(TrimBlanks(text.substr(comma + 1)));
    PlaceSearch search;
    if (name.empty()) {
        search.ok = true;
        return search;
    }
    search = SearchPlaces(name, limits);
    if (!search.ok) return search;
    std::vector<Place> kept;
    for (const Place& p : search.places) {
        if (within.empty() || LowerAscii(p.country) == within || LowerAscii(p.admin1) == within) {
            kept.push_back(p);
            break;
        }
    }
    search.places = std::move(kept);
    return search;
}

void StorePlace(SettingsStore& store, const Place& place) {
    store.SetExtra(kSourceKey, kOpenMeteoSource);
    store.SetExtra("place", place.DisplayName(), kDefaultPlace);
    store.SetExtra("latitude", FormatCoordinate(place.latitude));
    store.SetExtra("longitude", FormatCoordinate(place.longitude));
    store.SetExtra("timezone", place.timezone);
}

bool StoredPlace(const SettingsStore& store, Place& place) {
    if (store.Extra(kSourceKey) != kOpenMeteoSource) return false;
    Place p;
    if (!ReadNumber(store.Extra("latitude"), p.latitude) || !ReadNumber(store.Extra("longitude"), p.longitude) ||
        !OnTheGlobe(p.latitude, p.longitude))
        return false;
    // The display name is kept whole in "name"; DisplayName gives it back.
    p.name = CutUtf8(store.Extra("place", kDefaultPlace), kMaxPlaceNameBytes);
    p.timezone = store.Extra("timezone");
    place = p;
    return true;
}

void TidyStoredPlace(SettingsStore& store) {
    for (const char* key : {"latitude", "longitude"}) {
        const std::string stored = store.Extra(key);
        double value = 0;
        if (stored.find(',') == std::string::npos || !ReadNumber(stored, value)) continue;
        store.SetExtra(key, FormatCoordinate(value));
    }
}

}  // namespace nimbrel

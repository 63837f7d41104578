#include "app/PlaceChoice.h"

#include "feeds/OpenMeteo.h"

namespace nimbrel {

bool UsesStoredPlace(const SettingsStore& store, bool feedNamed, bool placeGiven) {
    Place p;
    return StoredPlace(store, p) && (placeGiven || !feedNamed);
}

std::shared_ptr<WeatherSource> SourceFor(const SettingsStore& store, bool feedNamed, bool placeGiven) {
    Place p;
    if (!UsesStoredPlace(store, feedNamed, placeGiven) || !StoredPlace(store, p)) return nullptr;
    return std::make_shared<OpenMeteoSource>(p.latitude, p.longitude, OpenMeteoBaseUrl());
}

std::string TitleFor(const SettingsStore& store, bool feedNamed, bool placeGiven) {
    Place p;
    if (!UsesStoredPlace(store, feedNamed, placeGiven) || !StoredPlace(store, p)) return "Nimbrel";
    return "Nimbrel - " + p.DisplayName();
}

}  // namespace nimbrel

#include "app/Preferences.h"

#include <cctype>
#include <charconv>

#include "app/Autostart.h"
#include "base/Defaults.h"
#include "base/Translate.h"
#include "feeds/FeedRetrieval.h"

namespace nimbrel {

namespace {

std::string Trimmed(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

bool GoodServer(const std::string& url) {
    const bool scheme = url.rfind("http://", 0) == 0 || url.rfind("https://", 0) == 0;
    const size_t hostAt = url.find("://") + 3;
    if (!scheme || url.size() <= hostAt) return false;
    for (char c : url)
        if (std::isspace(static_cast<unsigned char>(c)) || std::iscntrl(static_cast<unsigned char>(c))) return false;
    return true;
}

// The id becomes part of a path on the feed server.
bool GoodLocationId(const std::string& id) {
    if (id.empty() || id.size() > 64) return false;
    for (char c : id)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_') return false;
    return true;
}

}  // namespace

TempUnit StoredUnit(const SettingsStore& store) {
    return UnitFromKey(store.Extra(kUnitKey, UnitKey(kDefaultUnit)));
}

WindUnit StoredWindUnit(const SettingsStore& store) {
    return WindUnitFromKey(store.Extra(kWindUnitKey, WindUnitKey(kDefaultWindUnit)));
}

std::string StoredFeedServer(const SettingsStore& store, const std::string& fallback) {
    const std::string stored = store.Extra(kFeedServerKey, fallback);
    return GoodServer(stored) ? stored : fallback;
}

PreferenceValues CurrentPreferences(const SettingsStore& store, const std::string& feedServer) {
    PreferenceValues v;
    if (Place stored; StoredPlace(store, stored)) v.placeName = stored.DisplayName();
    v.feedServer = feedServer;
    v.locationId = store.LocationId;
    v.interval = std::to_string(store.UpdateMinutes);
    v.unit = StoredUnit(store);
    v.windUnit = StoredWindUnit(store);
    v.autostart = AutostartEnabled();
    return v;
}

std::string CheckPreferences(const PreferenceValues& values, int* minutes) {
    const std::string interval = Trimmed(values.interval);
    int m = 0;
    auto [end, ec] = std::from_chars(interval.data(), interval.data() + interval.size(), m);
    if (interval.empty() || ec != std::errc() || end != interval.data() + interval.size() || m < kMinUpdateMinutes ||
        m > kMaxUpdateMinutes)
        return FillIn(
            Translated("Preferences", QT_TRANSLATE_NOOP("Preferences",
                                                        "The update interval must be a whole number of minutes from %1 "
                                                        "to %2 (24 hours); \"%3\" is not one.")),
            {std::to_string(kMinUpdateMinutes), std::to_string(kMaxUpdateMinutes), values.interval});
    if (!GoodServer(Trimmed(values.feedServer)))
        return FillIn(
            Translated(
                "Preferences",
                QT_TRANSLATE_NOOP("Preferences", "The feed server must be an address such as %1; \"%2\" is not one.")),
            {std::string(kDefaultFeedBaseUrl), values.feedServer});
    if (!GoodLocationId(Trimmed(values.locationId)))
        return FillIn(
            Translated(
                "Preferences",
                QT_TRANSLATE_NOOP(
                    "Preferences",
                    "The location id must be letters, digits, \"-\" or \"_\" (such as 1769); \"%1\" is not one.")),
            {values.locationId});
    if (minutes) *minutes = m;
    return {};
}

std::string SavePreferences(SettingsStore& store, const PreferenceValues& before, const PreferenceValues& values,
                            const std::string& program, PreferenceChanges* changes) {
    return SavePreferences(store, before, values, std::vector<std::string>{program}, changes);
}

std::string SavePreferences(SettingsStore& store, const PreferenceValues& before, const PreferenceValues& values,
                            const std::vector<std::string>& command, PreferenceChanges* changes) {
    int minutes = 0;
    if (std::string why = CheckPreferences(values, &minutes); !why.empty()) return why;
    PreferenceChanges c;
    // The entry first: when its folder cannot be written the user is told
    // and the rest stays as it was, so a second try changes it all at once.
    if (values.autostart != before.autostart) {
        std::string error;
        if (!SetAutostart(values.autostart, command, &error)) return error;
        c.autostart = true;
    }
    const std::string server = Trimmed(values.feedServer);
    const std::string id = Trimmed(values.locationId);
    c.feedServer = server;
    c.place = server != Trimmed(before.feedServer) || id != store.LocationId;
    c.interval = minutes != store.UpdateMinutes;
    c.unit = values.unit != StoredUnit(store) || values.windUnit != StoredWindUnit(store);
    // Kept only when the user changed it here: a server given on the command
    // line for one run is not made the stored one by an unrelated save.
    if (server != Trimmed(before.feedServer)) store.SetExtra(kFeedServerKey, server, kDefaultFeedBaseUrl);
    store.LocationId = id;
    store.UpdateMinutes = int16_t(minutes);
    store.SetExtra(kUnitKey, UnitKey(values.unit), UnitKey(kDefaultUnit));
    store.SetExtra(kWindUnitKey, WindUnitKey(values.windUnit), WindUnitKey(kDefaultWindUnit));
    if (values.place) {
        StorePlace(store, *values.place);
        c.chosenPlace = true;
    }
    if (c.place || c.chosenPlace || c.interval || c.unit) store.SaveSettings();
    if (changes) *changes = c;
    return {};
}

}  // namespace nimbrel

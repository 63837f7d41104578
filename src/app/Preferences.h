#pragma once
// The preferences a user sets in one dialog, and what saving them does. The
// interval and the location id are the settings file's own two options and
// stay in their lines; the rest lives in the program's own section, each
// key only while it differs from its default, so a file of a user who never
// opened the dialog stays byte for byte as it was. The log-in start is the
// autostart entry itself (Autostart.h). Plain code: the dialog only fills
// and shows these values.
#include <optional>
#include <string>
#include <vector>

#include "base/Temperature.h"
#include "feeds/PlaceSearch.h"
#include "feeds/WeatherExtras.h"
#include "store/SettingsStore.h"

namespace nimbrel {

inline constexpr const char* kUnitKey = "unit";
inline constexpr const char* kWindUnitKey = "wind unit";
inline constexpr const char* kFeedServerKey = "feed server";
inline constexpr int kMinUpdateMinutes = 1;
inline constexpr int kMaxUpdateMinutes = 1440;

struct PreferenceValues {
    // The real-weather place kept in the store ("" when none was chosen),
    // and the one chosen in the dialog, which replaces it on a save.
    std::string placeName;
    std::optional<Place> place;
    std::string feedServer;  // scheme and host of the rss feed server
    std::string locationId;
    std::string interval;  // minutes, as typed
    TempUnit unit = TempUnit::Celsius;
    WindUnit windUnit = kDefaultWindUnit;
    bool autostart = false;
};

// What a save changed, for the window to apply.
struct PreferenceChanges {
    bool place = false;        // the feed server or the location id
    bool chosenPlace = false;  // a real-weather place, now stored
    bool interval = false;
    bool unit = false;  // the temperature or the wind unit
    bool autostart = false;
    std::string feedServer;  // as saved, without blanks around it
    bool Any() const { return place || chosenPlace || interval || unit || autostart; }
};

// The values now in force: the store's, the feed server the program runs
// against, and whether the autostart entry exists.
PreferenceValues CurrentPreferences(const SettingsStore& store, const std::string& feedServer);

// The stored unit and feed server (damaged values give the defaults).
TempUnit StoredUnit(const SettingsStore& store);
WindUnit StoredWindUnit(const SettingsStore& store);
std::string StoredFeedServer(const SettingsStore& store, const std::string& fallback);

// Empty when the values can be saved, otherwise a message for the user.
// minutes receives the interval when it is good.
std::string CheckPreferences(const PreferenceValues& values, int* minutes);

// Checks, writes or removes the autostart entry, then stores and saves the
// rest. A message comes back, and nothing at all has changed, when a value
// is refused or the autostart entry cannot be written.
// command: the program and the options it runs with, for the entry.
std::string SavePreferences(SettingsStore& store, const PreferenceValues& before, const PreferenceValues& values,
                            const std::vector<std::string>& command, PreferenceChanges* changes);
std::string SavePreferences(SettingsStore& store, const PreferenceValues& before, const PreferenceValues& values,
                            const std::string& program, PreferenceChanges* changes);

}  // namespace nimbrel

#pragma once
// The tray icon's pictures and tip. Panel weather plugins show the
// temperature in the panel itself, so once a reading exists the icon is that
// number: white figures on a rounded dark badge with a light rim, which reads
// on light panels (the badge) and on dark ones (the figures and the rim).
// At most three characters fit a 16-pixel icon: "−12", "105", "7".
#include <QIcon>
#include <QImage>
#include <optional>
#include <string>

#include "base/Temperature.h"
#include "store/SettingsStore.h"

namespace nimbrel {

// The sizes panels ask for; each is drawn for its size, not scaled.
inline constexpr int kTrayIconSizes[] = {16, 22, 24, 32, 48, 64};

// The program's own picture (AppIcon), shown until there is a reading.
QIcon PlainProgramIcon();

// The figures shown for a temperature already in the shown unit: a true
// minus sign (U+2212) below zero. Three characters are all the badge holds,
// so a value beyond them (only a damaged reading gives one) is held to -99
// or 999 rather than cut to figures that read as another temperature.
std::string TrayFigures(int shownDegrees);
QImage DrawTrayTemperature(int shownDegrees, int size);
QIcon TrayTemperatureIcon(int shownDegrees);

// What the tip says about the last reading.
struct TrayReading {
    std::string place;     // e.g. "Leeds" or "Location 1769"
    std::string summary;   // "Light Rain"
    int celsius = 0;       // as stored
    std::string humidity;  // "65%"
    std::string time;      // the reading's time as stored: dd/mm/yyyy hh:nn:ss
    // False when the reading had no number (stored as 0): the tip says the
    // temperature is missing and the icon shows no figures.
    bool temperatureKnown = true;
};
// "Leeds: Light Rain, 21°C, humidity 65%, at 14:05" in the shown unit; the
// tray cuts it to its 63 characters, so the place comes first and the time
// is kept short.
std::string TrayTipText(const TrayReading& reading, TempUnit unit);

// The last reading the store holds, if there is one; the place is the
// chosen place's name, or the location id when none was chosen or the
// chosen one is not in use (a feed server named at the start wins over it,
// and the reading is then the feed server's).
std::optional<TrayReading> StoredTrayReading(const SettingsStore& store, bool placeInUse = true);
// The icon and tip for the store's last reading, or the plain icon and the
// program's title before the first one.
QIcon TrayIconFor(const SettingsStore& store, TempUnit unit);
std::string TrayTipFor(const SettingsStore& store, const std::string& title, TempUnit unit, bool placeInUse = true);

}  // namespace nimbrel

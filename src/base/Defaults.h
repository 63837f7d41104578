#pragma once
// What the program uses where nothing was chosen: a first start without
// settings.txt, or a file that lacks a key. Every user of a default reads it
// from here, so a change of one is one line.
#include <cstdint>

#include "base/Temperature.h"

namespace nimbrel {

// Minutes between two fetches of the observation.
inline constexpr int16_t kDefaultUpdateMinutes = 5;
// The feed server's location id.
inline constexpr const char* kDefaultLocationId = "1769";
// The unit temperatures are shown in.
inline constexpr TempUnit kDefaultUnit = TempUnit::Celsius;
// No place chosen: the weather of the feed server's location id.
inline constexpr const char* kDefaultPlace = "";
// No window position kept: the main window is centred on the screen, the
// graph window goes where the window manager puts it.
inline constexpr const char* kDefaultWindowPlace = "";

}  // namespace nimbrel

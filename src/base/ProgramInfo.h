#pragma once
// What the program says about itself: the id the desktop knows it by, its
// licence, and the credits its data sources ask for, kept in one place so
// that the About box, the dialogs, the desktop files and every program's
// --help agree. Open-Meteo's own line ("Weather data by Open-Meteo.com")
// stays beside the service's code, which shows it with the weather it brings.
//
// The place search is Open-Meteo's, built on GeoNames; both publish their data
// under CC BY 4.0, whose condition here is the credit and a link to the
// licence.
#include <string>

#include "base/Translate.h"

namespace nimbrel {

// The AppStream id: the name of the desktop entry, of the metainfo, of the
// log-in entry and the application's desktop file name, by which Wayland
// compositors and task managers find the entry and its icon.
inline constexpr const char* kDesktopId = "org.nimbrel.Nimbrel";

// The licence's text as SPDX publishes it, and the copyright line of LICENSE.
inline constexpr const char* kLicenceUrl = "https://spdx.org/licenses/MIT.html";
inline constexpr const char* kCopyrightLine = "Copyright 2026 Nimbrel developers";

// The data sources' sites, GeoNames' credit in its own words, and the
// licence both publish under.
inline constexpr const char* kOpenMeteoHomeUrl = "https://open-meteo.com/";
inline constexpr const char* kGeoNamesCredit = QT_TRANSLATE_NOOP("Credits", "Location data based on GeoNames");
inline constexpr const char* kGeoNamesUrl = "https://www.geonames.org/";
inline constexpr const char* kDataLicenceName = "CC BY 4.0";
inline constexpr const char* kDataLicenceUrl = "https://creativecommons.org/licenses/by/4.0/";

// Where the installed README lies (the build sets it from the install
// prefix); the README holds the licence, the data credits and the help.
#ifndef NIMBREL_README
#define NIMBREL_README "/usr/share/doc/nimbrel/README.md"
#endif
inline constexpr const char* kReadmePath = NIMBREL_README;

// The closing lines of every program's --help: the licence and where the
// README is.
inline std::string LicenceHelpText() {
    return std::string("\nNimbrel is free software under the MIT licence (") + kCopyrightLine + ").\n" +
           "Its README has the licence, the data credits and more help:\n" + "  " + kReadmePath + " (once installed)\n";
}

}  // namespace nimbrel

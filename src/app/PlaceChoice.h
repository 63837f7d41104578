#pragma once
// Which source the main window fetches from, and how it names the place.
// A place chosen with --place or "Set location…" is kept in settings.txt
// and used from then on, unless the command line names a feed server
// (--feed, as the demo and the tests do), which then wins.
#include <memory>
#include <string>

#include "base/Translate.h"
#include "feeds/PlaceSearch.h"
#include "feeds/WeatherSource.h"
#include "store/SettingsStore.h"

namespace nimbrel {

// True when the stored place is to be used: one was chosen and no feed
// server was named, or the place came on this very command line.
bool UsesStoredPlace(const SettingsStore& store, bool feedNamed, bool placeGiven);
// The source for the stored place; null when the window keeps to the feed
// server's URLs.
std::shared_ptr<WeatherSource> SourceFor(const SettingsStore& store, bool feedNamed, bool placeGiven);
// "Nimbrel" or "Nimbrel - Berlin, Land Berlin, Germany".
std::string TitleFor(const SettingsStore& store, bool feedNamed, bool placeGiven);

// The last-update line of a first start whose place dialog was cancelled.
inline constexpr const char* kChoosePlaceHint =
    QT_TRANSLATE_NOOP("nimbrel::frmMain", "No place yet: click here, then \"Set location...\"");

}  // namespace nimbrel

#pragma once
// The observation document: summary, temperature and humidity taken by
// marker searches on the raw text (it is not read as XML) into the weather
// model, and an observation of any source kept as the last reading and added
// to the reading history.
#include <string>

#include "base/Translate.h"
#include "feeds/WeatherModel.h"
#include "store/SettingsStore.h"

namespace nimbrel {

// What an observation document yields, without storing anything. The texts
// are already made safe for the stored record (see StoredFieldText); the
// time is the document's pubDate when it has one that reads.
Observation ReadObservation(const std::string& FeedText);

// The whole-degree temperature the tiles and the tray show of a reading:
// the leading number of its text rounded halves to even, 0 when missing.
int16_t CurrentTemperature(const Observation& reading);

// Updates CurrentSummary, CurrentTemp, LastUpdate (now), HumidityCaption,
// LastReading and the history of store from one observation.
void StoreObservation(const Observation& reading, SettingsStore& store);

// Reads FeedText (CR LF line ends, accepted by the "</rss>" test) and stores
// what it holds as above. An empty text changes nothing.
void ParseObservation(const std::string& FeedText, SettingsStore& store);

// What the last reading of store puts on the screen: the today tile, the
// humidity and the last-update line (before its age is added).
struct ReadingScreen {
    std::string caption = QT_TRANSLATE_NOOP("ObservationFeed", "Now");
    std::string summary;
    int16_t temperature = 0;        // whole degrees Celsius; the tile shows it in its unit
    bool temperatureKnown = false;  // false where the stored reading has no number (n/a)
    std::string humidityCaption;
    std::string lastUpdateCaption;
};
ReadingScreen ReadingScreenFor(const SettingsStore& store);

}  // namespace nimbrel

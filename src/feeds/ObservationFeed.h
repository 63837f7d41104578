#pragma once
// The observation document: summary, temperature and humidity taken by
// marker searches on the raw text (it is not read as XML), shown on the
// today tile and the labels and added to the reading history.
#include <cstdint>
#include <string>

#include "feeds/FeedDisplay.h"
#include "store/SettingsStore.h"

namespace nimbrel {

struct ObservationReading {
    std::string summary;      // becomes CurrentSummary
    std::string temperature;  // the temperature text T, as the record and history keep it
    std::string humidity;     // the humidity text H
    int16_t currentTemp = 0;  // the leading number of T, rounded halves to even
};

// What an observation document yields, without storing or showing anything.
// The texts are already made safe for the stored record (see StoredFieldText).
ObservationReading ReadObservation(const std::string& FeedText);

// Reads FeedText (CR LF line ends, accepted by the "</rss>" test), updates
// CurrentSummary, CurrentTemp, LastUpdate, LastReading and the history of
// store, and tells display what to show.
void ParseObservation(const std::string& FeedText, SettingsStore& store, FeedDisplay& display);

}  // namespace nimbrel

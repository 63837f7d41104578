#include "feeds/ObservationFeed.h"

#include "base/Clock.h"
#include "base/modMisc.h"
#include "feeds/FeedText.h"

namespace nimbrel {
namespace {

std::string Between(const std::string& from, const std::string& to, const std::string& text) {
    int32_t start = 1;
    return ExtractBetween(from, to, text, start, false);
}

}  // namespace

ObservationReading ReadObservation(const std::string& FeedText) {
    ObservationReading r;
    std::string s = Between("<item>", "</item>", FeedText);
    s = Between("<title>", "</title>", s);
    s = TrimBlanks(Between(":", ".", s));
    // The title reads "weekday at time zone:" CR LF "summary. temperature";
    // the summary is the line after the break.
    // Values are bounded here, where they enter: a feed cannot grow the
    // history by the length of its values or put a number beyond any
    // weather into it; such a value is a missing one ("n/a").
    r.summary = BoundedSummary(StoredFieldText(GetField(s, "\r\n", 2)));

    const std::string t = Between(" ", "&#", Between("Temperature:", "xB0;C", FeedText));
    const std::string h = TrimBlanks(Between("Humidity:", "&#37;", FeedText));
    r.temperature = BoundedTemperature(StoredFieldText(t));
    r.humidity = BoundedHumidity(StoredFieldText(h));
    r.currentTemp = r.temperature == "n/a" ? 0 : RoundedLeadingNumber(t);
    return r;
}

void ParseObservation(const std::string& FeedText, SettingsStore& store, FeedDisplay& display) {
    if (FeedText.empty()) return;
    const ObservationReading r = ReadObservation(FeedText);
    store.CurrentSummary = r.summary;
    store.CurrentTemp = r.currentTemp;
    store.LastUpdate = FormatDateTime(Now());
    store.HumidityCaption = (r.humidity == "n/a" ? std::string() : r.humidity) + "%";
    display.SetHumidityCaption(store.HumidityCaption);
    display.UpdateTodayTile("Now", store.CurrentSummary, store.CurrentTemp);
    display.SetLastUpdateCaption("Last update: " + store.LastUpdate);
    store.LastReading = store.CurrentSummary + "," + r.temperature + "," + r.humidity + "," + store.LastUpdate;
    store.AppendReading();
    display.RedrawGraph();
}

}  // namespace nimbrel

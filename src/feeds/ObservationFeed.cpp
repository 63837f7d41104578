#include "feeds/ObservationFeed.h"

#include <cstdio>
#include <cstring>

#include "base/Clock.h"
#include "base/Translate.h"
#include "base/modMisc.h"
#include "feeds/FeedText.h"

namespace nimbrel {
namespace {

// "Tue, 08 Dec 2026 14:05:00 +0100", the form every source's documents use.
std::optional<ZonedTime> ReadPubDate(const std::string& text) {
    char weekday[4] = {}, month[4] = {}, sign = 0;
    int day = 0, year = 0, hour = 0, minute = 0, second = 0, zone = 0;
    if (std::sscanf(text.c_str(), " %3[A-Za-z], %d %3[A-Za-z] %d %d:%d:%d %c%4d", weekday, &day, month, &year, &hour,
                    &minute, &second, &sign, &zone) != 9)
        return std::nullopt;
    int m = 0;
    for (int k = 1; k <= 12; ++k)
        if (MonthName(k, true) == month) m = k;
    if (m == 0 || day < 1 || day > 31 || year < 1900 || year > 9999 || hour > 23 || minute > 59 || second > 59 ||
        (sign != '+' && sign != '-') || zone > 1400)
        return std::nullopt;
    const long offset = (sign == '-' ? -1 : 1) * ((zone / 100) * 3600L + (zone % 100) * 60L);
    return ZonedTime{DateSerial(year, m, day) + TimeSerial(hour, minute, second), offset};
}

}  // namespace

Observation ReadObservation(const std::string& FeedText) {
    Observation r;
    const std::string item = Between("<item>", "</item>", FeedText);
    std::string s = Between("<title>", "</title>", item);
    s = TrimBlanks(Between(":", ".", s));
    // The title reads "weekday at time zone:" CR LF "summary. temperature";
    // the summary is the line after the break.
    // Values are bounded here, where they enter: a feed cannot grow the
    // history by the length of its values or put a number beyond any
    // weather into it; such a value is a missing one ("n/a").
    r.summary = BoundedSummary(StoredFieldText(GetField(s, "\r\n", 2)));

    const std::string t = Between(" ", "&#", Between("Temperature:", "xB0;C", FeedText));
    const std::string h = TrimBlanks(Between("Humidity:", "&#37;", FeedText));
    r.temperature = Measure::FromText(BoundedTemperature(StoredFieldText(t)));
    r.humidity = Measure::FromText(BoundedHumidity(StoredFieldText(h)));
    r.time = ReadPubDate(Between("<pubDate>", "</pubDate>", item));
    return r;
}

int16_t CurrentTemperature(const Observation& reading) {
    return reading.temperature.text == "n/a" ? 0 : RoundedLeadingNumber(reading.temperature.text);
}

void StoreObservation(const Observation& reading, SettingsStore& store) {
    // A value the source did not give is stored as the file's marker for a
    // value that could not be read, never as an empty field: an empty field
    // reads back as the history's last value, which the source never said.
    auto stored = [](const Measure& m) { return m.text.empty() ? std::string(kNoValue) : m.text; };
    const std::string temperature = stored(reading.temperature);
    const std::string humidity = stored(reading.humidity);
    store.CurrentSummary = reading.summary;
    store.CurrentTemp = CurrentTemperature(reading);
    store.LastUpdate = FormatDateTime(Now());
    store.HumidityCaption = (humidity == kNoValue ? std::string() : humidity) + "%";
    store.LastReading = store.CurrentSummary + "," + temperature + "," + humidity + "," + store.LastUpdate;
    // A reading with no number in it is no point of the history.
    if (reading.temperature.value || reading.humidity.value) store.AppendReading();
}

void ParseObservation(const std::string& FeedText, SettingsStore& store) {
    if (FeedText.empty()) return;
    StoreObservation(ReadObservation(FeedText), store);
}

ReadingScreen ReadingScreenFor(const SettingsStore& store) {
    ReadingScreen s;
    s.summary = store.CurrentSummary;
    s.temperature = store.CurrentTemp;
    // A reading stored without a number reads back as 0; it is not one.
    s.temperatureKnown = Measure::FromText(GetField(store.LastReading, ",", 2)).value.has_value();
    s.humidityCaption = store.HumidityCaption;
    s.lastUpdateCaption = FillIn(Translated("ObservationFeed", QT_TRANSLATE_NOOP("ObservationFeed", "Last update: %1")),
                                 {store.LastUpdate});
    return s;
}

}  // namespace nimbrel

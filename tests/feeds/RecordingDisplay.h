#pragma once
// Writes down what the screen would show after the parsers ran, so tests see
// what the main window draws from the store: the today tile, the labels and
// a redraw of the chart after a reading, the tiles, their tips and the sun
// times after a forecast. The overloads below take a RecordingDisplay as
// their last argument (found by argument lookup) and run the real procedure
// before recording its screen.
#include <string>
#include <vector>

#include "feeds/FeedRetrieval.h"
#include "feeds/ForecastFeed.h"
#include "feeds/ObservationFeed.h"

namespace nimbrel::test {

struct TileCall {
    std::string caption, description;
    int temperature = 0;
    bool operator==(const TileCall&) const = default;
};

class RecordingDisplay {
public:
    std::vector<TileCall> today;
    std::vector<std::string> humidity, lastUpdate;
    int graphRedraws = 0;
    TileCall tiles[3];
    std::string toolTips[3];
    int tileCalls = 0;
    std::vector<std::string> sunrise, sunset;
    std::vector<DateTime> sunUp, sunDown;

    void ShowReading(const ReadingScreen& s) {
        humidity.push_back(s.humidityCaption);
        today.push_back({s.caption, s.summary, s.temperature});
        lastUpdate.push_back(s.lastUpdateCaption);
        ++graphRedraws;
    }
    void ShowSun(const SunTimesView& v) {
        sunrise.push_back(v.riseCaption);
        sunset.push_back(v.setCaption);
        if (v.riseKnown) sunUp.push_back(v.sunUp);
        if (v.setKnown) sunDown.push_back(v.sunDown);
    }
    void ShowForecast(const ForecastScreen& s) {
        if (!s.shown) return;
        for (int i = 0; i < 3; ++i) {
            tiles[i] = {s.tiles[size_t(i)].caption, s.tiles[size_t(i)].summary, s.tiles[size_t(i)].temperature};
            toolTips[i] = s.toolTips[size_t(i)];
            ++tileCalls;
        }
        ShowSun(s.sun);
    }
    void ShowStored(FeedKind kind, const SettingsStore& store) {
        if (kind == FeedKind::Forecast)
            ShowForecast(ForecastScreenFor(store.ForecastText, TempUnit::Celsius));
        else
            ShowReading(ReadingScreenFor(store));
    }

    bool NothingShown() const {
        return today.empty() && humidity.empty() && lastUpdate.empty() && graphRedraws == 0 && tileCalls == 0 &&
               sunrise.empty() && sunset.empty() && sunUp.empty() && sunDown.empty();
    }
};

inline void ParseObservation(const std::string& text, SettingsStore& store, RecordingDisplay& display) {
    nimbrel::ParseObservation(text, store);
    if (!text.empty()) display.ShowStored(FeedKind::Observation, store);
}
inline void ParseForecast(const std::string& text, SettingsStore& store, RecordingDisplay& display) {
    nimbrel::ParseForecast(text, store);
    if (!text.empty()) display.ShowStored(FeedKind::Forecast, store);
}
inline bool HandleFeedText(FeedKind kind, const std::string& text, SettingsStore& store, RecordingDisplay& display) {
    const bool taken = nimbrel::HandleFeedText(kind, text, store);
    if (taken) display.ShowStored(kind, store);
    return taken;
}
inline bool HandleFeedResult(FeedKind kind, const HttpResult& result, SettingsStore& store, RecordingDisplay& display) {
    const bool taken = nimbrel::HandleFeedResult(kind, result, store);
    if (taken) display.ShowStored(kind, store);
    return taken;
}
inline bool FetchFeed(const std::string& url, FeedKind kind, SettingsStore& store, RecordingDisplay& display,
                      const FetchLimits& limits = {}) {
    return HandleFeedResult(kind, Fetch(url, limits), store, display);
}
inline void ShowForecast(const std::string& forecastText, RecordingDisplay& display) {
    display.ShowForecast(ForecastScreenFor(forecastText, TempUnit::Celsius));
}
inline void ShowSunTimes(const std::string& forecastText, RecordingDisplay& display) {
    display.ShowSun(ReadSunTimes(forecastText));
}

}  // namespace nimbrel::test

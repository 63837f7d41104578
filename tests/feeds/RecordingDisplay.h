#pragma once
// A FeedDisplay that writes down every call, so tests see what the main
// window would be told to show.
#include <string>
#include <vector>

#include "feeds/FeedDisplay.h"

namespace nimbrel::test {

struct TileCall {
    std::string caption, description;
    int temperature = 0;
    bool operator==(const TileCall&) const = default;
};

class RecordingDisplay : public FeedDisplay {
public:
    std::vector<TileCall> today;
    std::vector<std::string> humidity, lastUpdate;
    int graphRedraws = 0;
    TileCall tiles[3];
    std::string toolTips[3];
    int tileCalls = 0;
    std::vector<std::string> sunrise, sunset;
    std::vector<DateTime> sunUp, sunDown;

    void UpdateTodayTile(const std::string& c, const std::string& d, int t) override { today.push_back({c, d, t}); }
    void SetHumidityCaption(const std::string& c) override { humidity.push_back(c); }
    void SetLastUpdateCaption(const std::string& c) override { lastUpdate.push_back(c); }
    void RedrawGraph() override { ++graphRedraws; }
    void UpdateForecastTile(int i, const std::string& c, const std::string& d, int t) override {
        tiles[i] = {c, d, t};
        ++tileCalls;
    }
    void SetForecastToolTip(int i, const std::string& text) override { toolTips[i] = text; }
    void SetSunriseCaption(const std::string& c) override { sunrise.push_back(c); }
    void SetSunsetCaption(const std::string& c) override { sunset.push_back(c); }
    void SetSunUp(DateTime t) override { sunUp.push_back(t); }
    void SetSunDown(DateTime t) override { sunDown.push_back(t); }

    bool NothingShown() const {
        return today.empty() && humidity.empty() && lastUpdate.empty() && graphRedraws == 0 && tileCalls == 0 &&
               sunrise.empty() && sunset.empty() && sunUp.empty() && sunDown.empty();
    }
};

}  // namespace nimbrel::test

#pragma once
// What the feed parsers show, as calls the main window answers with its
// tiles, labels, dial and graph window. The parsers know nothing of the
// toolkit; every method does nothing by default, so a caller without a
// display (the check tool, the fuzz targets) passes a plain FeedDisplay.
#include <string>

#include "base/DateTime.h"

namespace nimbrel {

class FeedDisplay {
public:
    virtual ~FeedDisplay() = default;

    // The today tile (MFC_Today).UpdateForecast.
    virtual void UpdateTodayTile(const std::string& /*caption*/, const std::string& /*description*/,
                                 int /*temperature*/) {}
    virtual void SetHumidityCaption(const std::string& /*caption*/) {}
    virtual void SetLastUpdateCaption(const std::string& /*caption*/) {}
    // The graph window redraws its chart with its stored choices
    // (DrawGraphWithCurrentSettings), creating itself hidden if need be.
    virtual void RedrawGraph() {}

    // Forecast tile MiniFC(index), index 0 to 2: UpdateForecast and tool tip.
    virtual void UpdateForecastTile(int /*index*/, const std::string& /*caption*/, const std::string& /*description*/,
                                    int /*temperature*/) {}
    virtual void SetForecastToolTip(int /*index*/, const std::string& /*text*/) {}
    virtual void SetSunriseCaption(const std::string& /*caption*/) {}
    virtual void SetSunsetCaption(const std::string& /*caption*/) {}
    // The sun dial's SunUp and SunDown, times of day.
    virtual void SetSunUp(DateTime /*time*/) {}
    virtual void SetSunDown(DateTime /*time*/) {}
};

}  // namespace nimbrel

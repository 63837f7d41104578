#pragma once
// The history chart's data: DrawWeatherGraph selects the readings of a time
// frame from the three history lists, lays them out as the chart control's
// data grid, switches the legend and writes the title line. It never touches
// a toolkit; the graph window (or a test, or the history command) receives
// the results through ChartTarget.
#include <memory>
#include <string>
#include <string_view>

#include "base/DateTime.h"
#include "base/Temperature.h"
#include "platform/chart/ChartGrid.h"
#include "platform/chart/ChartTarget.h"
#include "store/SettingsStore.h"

namespace nimbrel {

// The three parallel history lists, entries joined by ",", oldest first.
struct HistoryLists {
    std::string_view TempHistory;
    std::string_view HumidHistory;
    std::string_view TimeHistory;
};

inline HistoryLists HistoryOf(const SettingsStore& store) {
    return HistoryLists{store.TempHistory, store.HumidHistory, store.TimeHistory};
}

// A history time entry as ParseDateTime reads it; false for an entry that is
// not a time (no "/", or a part that is not a number). The usual
// "dd/mm/yyyy hh:nn:ss" form is read without going through the general parser,
// with the same result.
bool ReadHistoryTime(std::string_view text, DateTime& value);

// Keeps the grid from one call to the next, as the main window's ChartGrid:
// with one series and no reading in the frame the chart is handed the
// previous grid again.
class WeatherGraph {
public:
    // Never throws: a step that fails is skipped and the next one is run.
    void DrawWeatherGraph(const HistoryLists& history, ChartTarget& target, bool blnTemperature, bool blnBothGraphs,
                          DateTime datStart, DateTime datEnd, bool blnAutoTime);
    void DrawWeatherGraph(const SettingsStore& store, ChartTarget& target, bool blnTemperature, bool blnBothGraphs,
                          DateTime datStart, DateTime datEnd, bool blnAutoTime) {
        DrawWeatherGraph(HistoryOf(store), target, blnTemperature, blnBothGraphs, datStart, datEnd, blnAutoTime);
    }

    // The unit the temperatures are drawn in from the next call on; the
    // history itself stays in degrees Celsius.
    void SetUnit(TempUnit unit) { unit_ = unit; }
    TempUnit Unit() const { return unit_; }

    // The grid handed to the chart by the last call (an empty grid before).
    const std::shared_ptr<const ChartGrid>& Grid() const { return ChartGrid_; }
    // Lets the last grid go (an empty grid from now on), for a chart nobody
    // sees until it is drawn again.
    void Forget() { ChartGrid_ = std::make_shared<const ChartGrid>(); }

private:
    std::shared_ptr<const ChartGrid> ChartGrid_ = std::make_shared<const ChartGrid>();
    TempUnit unit_ = TempUnit::Celsius;
};

}  // namespace nimbrel

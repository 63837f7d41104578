#pragma once
// What the chart data, graph window and history command tests share: a
// history of readings built in memory, a recorder of what the chart builder
// sets, a graph host over a real chart builder, and one QApplication on the
// offscreen platform.
#include <memory>
#include <string>
#include <vector>

#include "QtSession.h"
#include "graph/GraphHost.h"
#include "graph/WeatherGraph.h"
#include "platform/chart/ChartTarget.h"

namespace nimbrel::testing {

struct Reading {
    std::string time, temp, humid;
};

// The three lists of a history, entries joined by ",".
struct History {
    std::string TempHistory, HumidHistory, TimeHistory;
    History() = default;
    explicit History(const std::vector<Reading>& readings);
    void Add(const Reading& r);
    HistoryLists Lists() const { return HistoryLists{TempHistory, HumidHistory, TimeHistory}; }
};

// Hourly readings from start for the given count: a daily wave of
// temperature and humidity with a slow drift, one "n/a" every n/aEvery
// readings (0: none).
History HourlyHistory(DateTime start, int count, double minutesApart = 60, int naEvery = 0);

// Records the builder's calls in the order they came.
class RecordingTarget : public ChartTarget {
public:
    void SetShowLegend(bool blnShow) override;
    void SetChartData(std::shared_ptr<const ChartGrid> grid) override;
    void SetTitleText(const std::string& text) override;

    std::vector<std::string> calls;  // "legend", "grid", "title"
    bool legend = false;
    std::shared_ptr<const ChartGrid> grid;
    std::string title;
};

// The grid as lines of cells joined by ",".
std::vector<std::string> Rows(const ChartGrid& grid);

// The main window's side of the graph window: a real chart builder over a
// history of its own, with every call's arguments kept.
class HistoryGraphHost : public GraphHost {
public:
    struct Call {
        bool blnTemperature, blnBothGraphs;
        DateTime datStart, datEnd;
        bool blnAutoTime;
    };
    void DrawWeatherGraph(bool blnTemperature, bool blnBothGraphs, DateTime datStart, DateTime datEnd,
                          bool blnAutoTime) override;

    History history;
    ChartTarget* target = nullptr;  // the graph window, once made
    WeatherGraph builder;
    std::vector<Call> calls;
    bool shown = false;
};

}  // namespace nimbrel::testing

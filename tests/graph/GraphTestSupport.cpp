#include "GraphTestSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/DateTime.h"

namespace nimbrel::testing {

History::History(const std::vector<Reading>& readings) {
    for (const Reading& r : readings) Add(r);
}

void History::Add(const Reading& r) {
    const bool first = TimeHistory.empty() && TempHistory.empty() && HumidHistory.empty();
    if (!first) {
        TempHistory += ',';
        HumidHistory += ',';
        TimeHistory += ',';
    }
    TempHistory += r.temp;
    HumidHistory += r.humid;
    TimeHistory += r.time;
}

History HourlyHistory(DateTime start, int count, double minutesApart, int naEvery) {
    History h;
    h.TempHistory.reserve(static_cast<size_t>(count) * 4);
    h.HumidHistory.reserve(static_cast<size_t>(count) * 3);
    h.TimeHistory.reserve(static_cast<size_t>(count) * 20);
    for (int i = 0; i < count; ++i) {
        const DateTime t = start + i * minutesApart / 1440.0;
        const double day = std::fmod(t, 1.0);
        const double season = std::cos((t - DateSerial(2026, 7, 15)) / 365.25 * 2 * M_PI);
        const double temp = 8 + 8 * season + 5 * std::sin((day - 0.375) * 2 * M_PI) + 2 * std::sin(t / 3.3);
        const double humid = 72 - 14 * std::sin((day - 0.33) * 2 * M_PI) + 6 * std::cos(t / 2.1);
        const bool na = naEvery > 0 && i % naEvery == naEvery - 1;
        h.Add(Reading{FormatDateTime(t), na ? "n/a" : std::to_string(std::lround(temp)),
                      na ? "n/a" : std::to_string(std::lround(std::clamp(humid, 5.0, 100.0)))});
    }
    return h;
}

void RecordingTarget::SetShowLegend(bool blnShow) {
    calls.push_back("legend");
    legend = blnShow;
}

void RecordingTarget::SetChartData(std::shared_ptr<const ChartGrid> g) {
    calls.push_back("grid");
    grid = std::move(g);
}

void RecordingTarget::SetTitleText(const std::string& text) {
    calls.push_back("title");
    title = text;
}

std::vector<std::string> Rows(const ChartGrid& grid) {
    std::vector<std::string> rows;
    for (int32_t r = 0; r < grid.RowCount(); ++r) {
        std::string line;
        for (int32_t c = 1; c <= grid.ColumnCount(); ++c) {
            if (c > 1) line += ',';
            line += grid.Cell(r, c);
        }
        rows.push_back(line);
    }
    return rows;
}

void HistoryGraphHost::DrawWeatherGraph(bool blnTemperature, bool blnBothGraphs, DateTime datStart, DateTime datEnd,
                                        bool blnAutoTime) {
    calls.push_back(Call{blnTemperature, blnBothGraphs, datStart, datEnd, blnAutoTime});
    if (target)
        builder.DrawWeatherGraph(history.Lists(), *target, blnTemperature, blnBothGraphs, datStart, datEnd,
                                 blnAutoTime);
}

}  // namespace nimbrel::testing

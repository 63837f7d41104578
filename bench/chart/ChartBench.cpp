// DrawWeatherGraph on a full history of 110000 readings five minutes apart,
// for "All" and for "Last Week", and one repaint of the chart at that size.
//
// Each is set beside a plain peer in the same run, so the figures read as
// ratios on any machine:
// - the chart data against the builder a first reading of the rules gives:
//   split the lists, parse every time with ParseDateTime in both passes, and
//   copy every cell into a grid of strings;
// - the repaint against drawing every reading of both series as one
//   antialiased polyline, without thinning;
// - the repaint with the 48 hours of forecast after the history against the
//   same repaint without them (the chart before the forecast came).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <string>
#include <vector>

#include "base/DateTime.h"
#include "base/modMisc.h"
#include "graph/WeatherGraph.h"
#include "platform/chart/ChartControl.h"

namespace {

using namespace nimbrel;

constexpr int kReadings = 110000;
const DateTime kEnd = DateSerial(2026, 12, 6) + TimeSerial(14, 0, 0);

struct Lists {
    std::string temps, humids, times;
};

const Lists& FullHistory() {
    static const Lists lists = [] {
        Lists l;
        l.temps.reserve(kReadings * 4);
        l.humids.reserve(kReadings * 3);
        l.times.reserve(kReadings * 20);
        for (int i = 0; i < kReadings; ++i) {
            const DateTime t = kEnd - (kReadings - 1 - i) * 5.0 / 1440;
            if (i) {
                l.temps += ',';
                l.humids += ',';
                l.times += ',';
            }
            const double day = std::fmod(t, 1.0);
            l.temps += std::to_string(std::lround(8 + 6 * std::sin((day - 0.375) * 2 * M_PI) + 3 * std::sin(t / 5)));
            l.humids += i % 500 == 499 ? "n/a" : std::to_string(std::lround(70 - 15 * std::sin(day * 2 * M_PI)));
            l.times += FormatDateTime(t);
        }
        return l;
    }();
    return lists;
}

HistoryLists Of(const Lists& l) {
    return HistoryLists{l.temps, l.humids, l.times};
}

class NullTarget : public ChartTarget {
public:
    void SetShowLegend(bool) override {}
    void SetChartData(std::shared_ptr<const ChartGrid> grid) override { benchmark::DoNotOptimize(grid.get()); }
    void SetTitleText(const std::string& text) override { benchmark::DoNotOptimize(text.data()); }
};

// The chart as the graph window holds it, at the window's first size.
ChartControl& Chart() {
    static ChartControl* chart = [] {
        auto* c = new ChartControl;
        c->resize(428, 362);
        c->SetReservedTop(17);
        return c;
    }();
    return *chart;
}

class ChartTargetOf : public ChartTarget {
public:
    explicit ChartTargetOf(ChartControl& c) : chart_(c) {}
    void SetShowLegend(bool b) override { chart_.SetShowLegend(b); }
    void SetChartData(std::shared_ptr<const ChartGrid> grid) override { chart_.SetChartData(std::move(grid)); }
    void SetTitleText(const std::string&) override {}

private:
    ChartControl& chart_;
};

DateTime Start(bool all) {
    return all ? DateSerial(1900, 1, 1) : kEnd - 7;
}

void Ours(benchmark::State& state, bool all) {
    const HistoryLists lists = Of(FullHistory());
    WeatherGraph graph;
    NullTarget target;
    for (auto _ : state) graph.DrawWeatherGraph(lists, target, true, true, Start(all), kEnd, true);
    state.counters["rows"] = graph.Grid()->RowCount();
}

// The builder and the chart reading its grid: what a redraw of the graph
// window costs before it paints.
void OursIntoChart(benchmark::State& state, bool all) {
    const HistoryLists lists = Of(FullHistory());
    WeatherGraph graph;
    ChartTargetOf target(Chart());
    for (auto _ : state) graph.DrawWeatherGraph(lists, target, true, true, Start(all), kEnd, true);
    state.counters["rows"] = static_cast<double>(Chart().RowCount());
}

// The peer: the rules read literally.
std::vector<std::string> SplitAll(const std::string& s) {
    std::vector<std::string> out;
    size_t start = 0;
    for (;;) {
        const size_t comma = s.find(',', start);
        out.push_back(s.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos) return out;
        start = comma + 1;
    }
}

void Peer(benchmark::State& state, bool all) {
    const Lists& l = FullHistory();
    size_t rows = 0;
    for (auto _ : state) {
        DateTime from = StripTime(Start(all)), to = StripTime(kEnd) + TimeSerial(23, 59, 59);
        const auto times = SplitAll(l.times);
        size_t k = 0;
        for (const auto& t : times) {
            const DateTime v = ParseDateTime(t, false);
            if (v >= from && v <= to) ++k;
        }
        const auto temps = SplitAll(l.temps);
        const auto humids = SplitAll(l.humids);
        std::vector<std::vector<std::string>> grid(k + 1, std::vector<std::string>(3));
        grid[0][1] = "Temp";
        grid[0][2] = "Humid";
        size_t r = 0;
        for (size_t i = 0; i < times.size(); ++i) {
            const DateTime v = ParseDateTime(times[i], false);
            if (!(v >= from && v <= to)) continue;
            grid[r + 1][0] = times[i];
            grid[r + 1][1] = temps[i];
            grid[r + 1][2] = humids[i];
            ++r;
        }
        benchmark::DoNotOptimize(grid.data());
        rows = grid.size();
    }
    state.counters["rows"] = static_cast<double>(rows);
}

void FillChart() {
    WeatherGraph graph;
    ChartTargetOf target(Chart());
    graph.DrawWeatherGraph(Of(FullHistory()), target, true, true, Start(true), kEnd, true);
}

// A repaint with nothing changed: the kept drawing is replayed.
void Repaint(benchmark::State& state) {
    FillChart();
    QImage image(Chart().size(), QImage::Format_RGB32);
    Chart().render(&image);
    for (auto _ : state) Chart().render(&image);
    state.counters["builds"] = static_cast<double>(Chart().GeometryBuilds());
}

void Repaint3d(benchmark::State& state) {
    FillChart();
    Chart().SetChartType(kChartType3dLine);
    QImage image(Chart().size(), QImage::Format_RGB32);
    Chart().render(&image);
    for (auto _ : state) Chart().render(&image);
    Chart().SetChartType(kChartType2dLine);
}

// A repaint after a change (size, type or data): the drawing is rebuilt from
// the readings, thinned, then painted.
void RepaintAfterChange(benchmark::State& state) {
    FillChart();
    QImage image(Chart().size(), QImage::Format_RGB32);
    int type = kChartType2dLine;
    for (auto _ : state) {
        type = type == kChartType2dLine ? kChartType3dLine : kChartType2dLine;
        Chart().SetChartType(type);
        Chart().render(&image);
    }
    Chart().SetChartType(kChartType2dLine);
}

// The next 48 hours after the last reading, as the graph window gives them.
ChartForecast Forecast48() {
    ChartForecast f;
    f.now = kEnd;
    for (int k = 0; k < 48; ++k) {
        f.times.push_back(kEnd + k / 24.0);
        f.temperature.push_back(static_cast<float>(5 + 4 * std::sin(k / 4.0)));
        f.humidity.push_back(static_cast<float>(80 + 10 * std::cos(k / 5.0)));
        f.rainChance.push_back(static_cast<float>((k * 7) % 101));
    }
    return f;
}

void RepaintAfterChangeWithForecast(benchmark::State& state) {
    FillChart();
    Chart().SetForecast(Forecast48());
    QImage image(Chart().size(), QImage::Format_RGB32);
    int type = kChartType2dLine;
    for (auto _ : state) {
        type = type == kChartType2dLine ? kChartType3dLine : kChartType2dLine;
        Chart().SetChartType(type);
        Chart().render(&image);
    }
    Chart().SetChartType(kChartType2dLine);
    Chart().SetForecast({});
}

void RepaintWithForecast(benchmark::State& state) {
    FillChart();
    Chart().SetForecast(Forecast48());
    QImage image(Chart().size(), QImage::Format_RGB32);
    Chart().render(&image);
    for (auto _ : state) Chart().render(&image);
    Chart().SetForecast({});
}

// The peer: every reading of both series in one polyline each.
void RepaintPeer(benchmark::State& state) {
    FillChart();
    const auto& g = Chart().CurrentGeometry();
    std::vector<QPolygonF> lines(2);
    const Lists& l = FullHistory();
    const auto temps = SplitAll(l.temps), humids = SplitAll(l.humids), times = SplitAll(l.times);
    for (size_t i = 0; i < times.size(); ++i) {
        const DateTime t = ParseDateTime(times[i], false);
        lines[0].append(Chart().MapToPixel(0, t, Val(temps[i])));
        if (humids[i] != "n/a") lines[1].append(Chart().MapToPixel(1, t, Val(humids[i])));
    }
    QImage image(Chart().size(), QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter p(&image);
        p.fillRect(image.rect(), Qt::white);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(QPen(Qt::red, 1.6));
        p.drawPolyline(lines[0]);
        p.setPen(QPen(Qt::blue, 1.6));
        p.drawPolyline(lines[1]);
    }
    benchmark::DoNotOptimize(g.plot);
}

}  // namespace

BENCHMARK_CAPTURE(Ours, All, true)->Name("DrawWeatherGraph/All")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Peer, All, true)->Name("DrawWeatherGraph/All/peer:literal")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(OursIntoChart, All, true)->Name("DrawWeatherGraph/All/into-chart")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Ours, LastWeek, false)->Name("DrawWeatherGraph/LastWeek")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Peer, LastWeek, false)->Name("DrawWeatherGraph/LastWeek/peer:literal")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(OursIntoChart, LastWeek, false)
    ->Name("DrawWeatherGraph/LastWeek/into-chart")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(Repaint)->Name("DrawWeatherGraph/Repaint")->Unit(benchmark::kMillisecond);
BENCHMARK(RepaintAfterChange)->Name("DrawWeatherGraph/RepaintAfterChange")->Unit(benchmark::kMillisecond);
BENCHMARK(Repaint3d)->Name("DrawWeatherGraph/Repaint3d")->Unit(benchmark::kMillisecond);
BENCHMARK(RepaintWithForecast)->Name("DrawWeatherGraph/Repaint/forecast-48h")->Unit(benchmark::kMillisecond);
BENCHMARK(RepaintAfterChangeWithForecast)
    ->Name("DrawWeatherGraph/RepaintAfterChange/forecast-48h")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(RepaintPeer)->Name("DrawWeatherGraph/Repaint/peer:every-point")->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

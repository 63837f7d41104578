// Pictures of the graph window as a user sees it, saved as PNG files for a
// person to look at (build/.../screenshots/graph, or NIMBREL_SCREENSHOT_DIR):
// both series, one series, an empty history and a full year of readings, each
// flat and in 3D. Each picture is also checked for what a reader relies on:
// the line of a known reading passes where the axes say it should.
#include <gtest/gtest.h>

#include <QImage>
#include <QLineEdit>
#include <QPixmap>
#include <cmath>
#include <filesystem>

#include "GraphTestSupport.h"
#include "base/Clock.h"
#include "graph/frmGraph.h"
#include "platform/chart/ChartScale.h"

namespace nimbrel {
namespace {

namespace fs = std::filesystem;

DateTime At(int y, int m, int d, int hh = 0, int nn = 0, int ss = 0) {
    return DateSerial(y, m, d) + TimeSerial(hh, nn, ss);
}

fs::path ShotFolder() {
    const char* env = std::getenv("NIMBREL_SCREENSHOT_DIR");
    fs::path dir = env && *env ? fs::path(env) : fs::path(NIMBREL_BINARY_DIR) / "screenshots" / "graph";
    fs::create_directories(dir);
    return dir;
}

// How far a pixel is from a colour, the largest of the three channels.
int Distance(QRgb a, const QColor& b) {
    return std::max({std::abs(qRed(a) - b.red()), std::abs(qGreen(a) - b.green()), std::abs(qBlue(a) - b.blue())});
}

// True when a pixel near p (within radius) has the colour.
bool ColourNear(const QImage& image, QPointF p, const QColor& colour, int radius = 2) {
    for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx) {
            const QPoint q(int(std::lround(p.x())) + dx, int(std::lround(p.y())) + dy);
            if (image.rect().contains(q) && Distance(image.pixel(q), colour) < 40) return true;
        }
    return false;
}

struct Shot {
    const char* name;
    testing::History history;
    const char* frame;  // the time-frame item chosen
    const char* type;   // the graph-type item chosen
    QSize size;         // the window's size; empty: its first size
};

class GraphScreenshots : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { testing::EnsureApp(); }

    // Shows the window with the history, takes its picture (menu bar and
    // title strip included) and saves it.
    QImage Take(Shot& shot, frmGraph*& out) {
        host.history = shot.history;
        window = std::make_unique<frmGraph>(host);
        host.target = window.get();
        window->MenuItem(shot.frame)->trigger();
        window->MenuItem(shot.type)->trigger();
        if (GetParam()) window->MenuItem("mn3D")->trigger();
        if (!shot.size.isEmpty()) window->resize(shot.size);
        window->show();
        testing::PumpFor(30);
        const QImage image = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const std::string file = std::string(shot.name) + (GetParam() ? "-3d" : "-2d") + ".png";
        EXPECT_TRUE(image.save(QString::fromStdString((ShotFolder() / file).string()))) << file;
        out = window.get();
        return image;
    }
    void TearDown() override {
        if (window) window->Unload();
        window.reset();
    }

    ScopedClock clock{At(2026, 12, 6, 14, 0)};
    testing::HistoryGraphHost host;
    std::unique_ptr<frmGraph> window;
};

// Where the chart's own widget sits in the window's picture.
QPointF InWindow(frmGraph& w, QPointF chartPixel) {
    return QPointF(w.mscTemp().mapTo(&w, QPoint(0, 0))) + chartPixel;
}

TEST_P(GraphScreenshots, BothSeriesOfAWeek) {
    Shot shot{"week-both", testing::HourlyHistory(At(2026, 11, 29), 7 * 24 + 14, 60, 50), "mnWeek", "mnBoth", {}};
    frmGraph* w = nullptr;
    const QImage image = Take(shot, w);
    ChartControl& chart = w->mscTemp();
    ASSERT_EQ(chart.SeriesCount(), 2);
    EXPECT_FALSE(chart.CurrentGeometry().nothingToDraw);
    EXPECT_EQ(chart.CurrentGeometry().axisUnit[0], "\u00B0C");
    EXPECT_EQ(chart.CurrentGeometry().axisUnit[1], "%");
    // Noon on 2 December: the temperature line is drawn where the time and
    // degree axes put it.
    const auto& grid = *chart.ChartData();
    int row = 0;
    for (int r = 1; r < grid.RowCount(); ++r)
        if (grid.Cell(r, 1) == "02/12/2026 12:00:00") row = r;
    ASSERT_GT(row, 0);
    const double temp = std::stod(std::string(grid.Cell(row, 2)));
    EXPECT_TRUE(ColourNear(image, InWindow(*w, chart.MapToPixel(0, At(2026, 12, 2, 12), temp)), chart.SeriesColour(0)));
    const double humid = std::stod(std::string(grid.Cell(row, 3)));
    EXPECT_TRUE(
        ColourNear(image, InWindow(*w, chart.MapToPixel(1, At(2026, 12, 2, 12), humid)), chart.SeriesColour(1)));
    EXPECT_EQ(w->txtTitle().text(), "Temperature and Humidity : 29/11/2026 - 06/12/2026");
}

TEST_P(GraphScreenshots, OneSeriesOfTheLastDay) {
    Shot shot{"day-temperature", testing::HourlyHistory(At(2026, 12, 5), 38 * 6, 10), "mnDay", "mnTempGraph", {}};
    frmGraph* w = nullptr;
    const QImage image = Take(shot, w);
    ChartControl& chart = w->mscTemp();
    ASSERT_EQ(chart.SeriesCount(), 1);
    EXPECT_EQ(chart.CurrentGeometry().axisUnit[0], "\u00B0C");
    EXPECT_FALSE(chart.ShowLegend());
    const auto& grid = *chart.ChartData();
    const double temp = std::stod(std::string(grid.Cell(grid.RowCount() / 2, 2)));
    DateTime t = 0;
    ASSERT_TRUE(chart::ReadGridTime(grid.Cell(grid.RowCount() / 2, 1), t));
    EXPECT_TRUE(ColourNear(image, InWindow(*w, chart.MapToPixel(0, t, temp)), chart.SeriesColour(0)));
}

TEST_P(GraphScreenshots, AnEmptyHistory) {
    Shot shot{"empty", testing::History(), "mnWeek", "mnBoth", {}};
    frmGraph* w = nullptr;
    Take(shot, w);
    EXPECT_TRUE(w->mscTemp().CurrentGeometry().nothingToDraw);
}

TEST_P(GraphScreenshots, AFullYearAtTheCap) {
    // Five-minute readings for a year: 105120, close to the history's cap.
    Shot shot{"year-both", testing::HourlyHistory(At(2025, 12, 6, 14), 365 * 288, 5, 997), "mnYear", "mnBoth",
              QSize(900, 520)};
    frmGraph* w = nullptr;
    const QImage image = Take(shot, w);
    ChartControl& chart = w->mscTemp();
    EXPECT_GT(chart.RowCount(), 100000u);
    // Thinned to a few points per pixel column.
    size_t points = 0;
    for (const auto& line : chart.CurrentGeometry().lines[0]) points += static_cast<size_t>(line.size());
    EXPECT_LE(points, static_cast<size_t>(4 * chart.CurrentGeometry().plot.width() + 4 * chart.SeriesGaps(0) + 8));
    const auto& grid = *chart.ChartData();
    const int row = grid.RowCount() / 3;
    DateTime t = 0;
    ASSERT_TRUE(chart::ReadGridTime(grid.Cell(row, 1), t));
    const double temp = std::stod(std::string(grid.Cell(row, 2)));
    EXPECT_TRUE(ColourNear(image, InWindow(*w, chart.MapToPixel(0, t, temp)), chart.SeriesColour(0), 3));
}

INSTANTIATE_TEST_SUITE_P(Look, GraphScreenshots, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& p) { return p.param ? "ThreeD" : "Flat"; });

}  // namespace
}  // namespace nimbrel

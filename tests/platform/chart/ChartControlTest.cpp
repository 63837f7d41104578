// The chart control as the graph window uses it: what it reads from a grid,
// where it places readings, how it thins a long history, and that a repaint
// without a change reuses its drawing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <cstdio>
#include <limits>

#include "QtSession.h"
#include "platform/chart/ChartControl.h"

namespace nimbrel {
namespace {

DateTime At(int y, int m, int d, int hh = 0, int nn = 0, int ss = 0) {
    return DateSerial(y, m, d) + TimeSerial(hh, nn, ss);
}

class Chart : public ::testing::Test {
protected:
    static void SetUpTestSuite() { nimbrel::testing::EnsureApp(); }
    void SetUp() override { chart.resize(600, 400); }

    // A grid of two series with a header row, as the history builder makes it.
    static std::shared_ptr<ChartGrid> TwoSeries(const std::vector<std::array<std::string, 3>>& rows) {
        auto grid = std::make_shared<ChartGrid>(static_cast<int32_t>(rows.size() + 1), 3);
        grid->SetCell(0, 2, "Temp");
        grid->SetCell(0, 3, "Humid");
        grid->SetColumnUnit(2, "\u00B0C");
        grid->SetColumnUnit(3, "%");
        for (size_t r = 0; r < rows.size(); ++r)
            for (int c = 0; c < 3; ++c)
                grid->SetCell(static_cast<int32_t>(r + 1), c + 1, rows[r][static_cast<size_t>(c)]);
        return grid;
    }
    QImage Render() {
        QImage image(chart.size(), QImage::Format_RGB32);
        chart.render(&image);
        return image;
    }

    ChartControl chart;
};

TEST_F(Chart, ReadsSeriesNamesFromTheHeaderRowAndGapsFromNa) {
    chart.SetChartData(TwoSeries({{"01/12/2026 08:00:00", "4", "80"},
                                  {"01/12/2026 09:00:00", "n/a", "81"},
                                  {"01/12/2026 10:00:00", "6", "n/a"},
                                  {"01/12/2026 11:00:00", "7", "79"}}));
    ASSERT_EQ(chart.SeriesCount(), 2);
    EXPECT_EQ(chart.SeriesName(0), "Temp");
    EXPECT_EQ(chart.SeriesName(1), "Humid");
    EXPECT_EQ(chart.RowCount(), 4u);
    EXPECT_EQ(chart.SeriesReadings(0), 3u);
    EXPECT_EQ(chart.SeriesGaps(0), 1u);
    // A gap splits the line: 08:00 alone, then 10:00 to 11:00.
    const auto& lines = chart.CurrentGeometry().lines;
    ASSERT_EQ(lines[0].size(), 2u);
    EXPECT_EQ(lines[0][0].size(), 1);
    EXPECT_EQ(lines[0][1].size(), 2);
    EXPECT_EQ(lines[1].size(), 2u);
    EXPECT_NE(chart.SeriesColour(0), chart.SeriesColour(1));
}

// The far ends of what a cell may hold still give a drawing inside the
// control: a scale of a billion either way, and a row time far from the rest.
TEST_F(Chart, ExtremeValuesAndTimesStayInsideTheDrawing) {
    auto grid = TwoSeries({{"01/12/2026 08:00:00", "1000000000", "-1000000000"},
                           {"01/12/2026 09:00:00", "-1000000000", std::string(39, '9')},
                           {"01/12/9999 10:00:00", "0.000001", "0"}});
    grid->SetRowTime(3, std::numeric_limits<double>::infinity());
    chart.SetChartData(grid);
    EXPECT_EQ(chart.RowCount(), 2u);
    EXPECT_EQ(chart.SeriesReadings(1), 1u);
    for (int type : {kChartType2dLine, kChartType3dLine}) {
        chart.SetChartType(type);
        Render();
        for (const auto& series : chart.CurrentGeometry().lines)
            for (const QPolygonF& line : series)
                for (const QPointF& p : line) {
                    EXPECT_TRUE(std::isfinite(p.x()) && std::isfinite(p.y()));
                    EXPECT_TRUE(QRectF(chart.rect()).adjusted(-1, -1, 1, 1).contains(p)) << p.x() << "," << p.y();
                }
    }
}

TEST_F(Chart, OneSeriesWithoutAHeaderRowIsReadFromTheFirstRow) {
    auto grid = std::make_shared<ChartGrid>(2, 2);
    grid->SetCell(0, 1, "01/12/2026 08:00:00");
    grid->SetCell(0, 2, "55");
    grid->SetCell(1, 1, "01/12/2026 09:00:00");
    grid->SetCell(1, 2, "60");
    grid->SetColumnUnit(2, "%");
    chart.SetChartData(grid);
    ASSERT_EQ(chart.SeriesCount(), 1);
    EXPECT_EQ(chart.RowCount(), 2u);
    EXPECT_EQ(chart.SeriesName(0), "Humidity");
    EXPECT_EQ(chart.CurrentGeometry().axisUnit[0], "%");
}

TEST_F(Chart, FahrenheitTemperaturesAreNamedColouredAndLabelledAsCelsiusOnesAre) {
    std::vector<std::string> names, units;
    std::vector<QRgb> colours;
    for (const char* unit : {"\u00B0C", "\u00B0F"}) {
        auto grid = std::make_shared<ChartGrid>(2, 2);
        grid->SetCell(0, 1, "01/12/2026 08:00:00");
        grid->SetCell(0, 2, "55");
        grid->SetCell(1, 1, "01/12/2026 09:00:00");
        grid->SetCell(1, 2, "60");
        grid->SetColumnUnit(2, unit);
        chart.SetChartData(grid);
        ASSERT_EQ(chart.SeriesCount(), 1);
        names.push_back(chart.SeriesName(0));
        units.push_back(chart.CurrentGeometry().axisUnit[0]);
        colours.push_back(chart.SeriesColour(0).rgb());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Temperature", "Temperature"}));
    EXPECT_EQ(units, (std::vector<std::string>{"\u00B0C", "\u00B0F"}));
    EXPECT_EQ(colours[0], colours[1]);
}

TEST_F(Chart, ReadingsArePlacedByTheirTimesNotByTheirRows) {
    // Three readings bunched in the first hour and one a day later.
    chart.SetChartData(TwoSeries({{"01/12/2026 00:00:00", "1", "50"},
                                  {"01/12/2026 00:30:00", "2", "50"},
                                  {"01/12/2026 01:00:00", "3", "50"},
                                  {"02/12/2026 00:00:00", "4", "50"}}));
    const auto& g = chart.CurrentGeometry();
    const double left = chart.MapToPixel(0, At(2026, 12, 1), 1).x();
    const double right = chart.MapToPixel(0, At(2026, 12, 2), 1).x();
    const double noon = chart.MapToPixel(0, At(2026, 12, 1, 12), 1).x();
    EXPECT_NEAR(left, g.plot.left(), 1);
    EXPECT_NEAR(right, g.plot.left() + g.plot.width(), 1);
    EXPECT_NEAR(noon, (left + right) / 2, 1);
    // Higher values are drawn higher.
    EXPECT_LT(chart.MapToPixel(0, At(2026, 12, 1), 4).y(), chart.MapToPixel(0, At(2026, 12, 1), 1).y());
}

TEST_F(Chart, ALongHistoryIsThinnedPerPixelColumnKeepingItsPeaks) {
    constexpr int kRows = 110000;
    auto grid = std::make_shared<ChartGrid>(kRows + 1, 3, kRows * 28);
    grid->SetCell(0, 2, "Temp");
    grid->SetCell(0, 3, "Humid");
    grid->SetColumnUnit(2, "\u00B0C");
    grid->SetColumnUnit(3, "%");
    const DateTime start = At(2025, 12, 1);
    char text[32];
    for (int i = 0; i < kRows; ++i) {
        const CivilTime c = Decode(start + i * 5.0 / 1440);
        std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d:%02d", c.day, c.month, c.year, c.hour, c.minute,
                      c.second);
        grid->SetCell(i + 1, 1, text);
        // One spike of 40 degrees among readings between 0 and 9.
        grid->SetCell(i + 1, 2, i == 54321 ? "40" : std::to_string(i % 10));
        grid->SetCell(i + 1, 3, std::to_string(50 + i % 7));
    }
    chart.SetChartData(grid);
    const auto& g = chart.CurrentGeometry();
    size_t points = 0;
    double top = 1e9;
    for (const QPolygonF& line : g.lines[0]) {
        points += static_cast<size_t>(line.size());
        for (const QPointF& p : line) top = std::min(top, p.y());
    }
    EXPECT_LE(points, static_cast<size_t>(4 * (g.plot.width() + 1)));
    EXPECT_GT(points, static_cast<size_t>(g.plot.width()));
    // The spike is still the highest point drawn.
    EXPECT_NEAR(top, chart.MapToPixel(0, start + 54321 * 5.0 / 1440, 40).y(), 0.5);
}

TEST_F(Chart, ARepaintWithoutAChangeReusesTheDrawing) {
    chart.SetChartData(TwoSeries({{"01/12/2026 08:00:00", "4", "80"}, {"01/12/2026 09:00:00", "5", "81"}}));
    Render();
    const int64_t builds = chart.GeometryBuilds();
    Render();
    Render();
    EXPECT_EQ(chart.GeometryBuilds(), builds);
    // The same grid again is not read again either.
    chart.SetChartData(chart.ChartData());
    Render();
    EXPECT_EQ(chart.GeometryBuilds(), builds);

    chart.SetChartType(kChartType3dLine);
    Render();
    EXPECT_EQ(chart.GeometryBuilds(), builds + 1);
    EXPECT_FALSE(chart.CurrentGeometry().depth.isNull());
    chart.resize(500, 300);
    Render();
    EXPECT_EQ(chart.GeometryBuilds(), builds + 2);
    chart.SetShowLegend(true);
    Render();
    EXPECT_EQ(chart.GeometryBuilds(), builds + 3);
}

TEST_F(Chart, NothingToDrawForAnEmptyGridOrOneWithoutNumbers) {
    chart.SetChartData(std::make_shared<ChartGrid>());
    EXPECT_TRUE(chart.CurrentGeometry().nothingToDraw);
    chart.SetChartData(TwoSeries({}));
    EXPECT_TRUE(chart.CurrentGeometry().nothingToDraw);
    chart.SetChartData(TwoSeries({{"01/12/2026 08:00:00", "n/a", "n/a"}}));
    EXPECT_TRUE(chart.CurrentGeometry().nothingToDraw);
    chart.SetChartData(nullptr);
    EXPECT_TRUE(chart.CurrentGeometry().nothingToDraw);
    Render();  // draws the message without data
}

TEST_F(Chart, TheLineIsDrawnInTheSeriesColourWhereItsReadingIs) {
    chart.SetChartData(TwoSeries(
        {{"01/12/2026 00:00:00", "0", "50"}, {"01/12/2026 12:00:00", "10", "60"}, {"02/12/2026 00:00:00", "0", "50"}}));
    const QImage image = Render();
    const QColor colour = chart.SeriesColour(0);
    auto drawnNear = [&](QPointF p) {
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx) {
                const QRgb c = image.pixel(QPoint(int(std::lround(p.x())) + dx, int(std::lround(p.y())) + dy));
                if (std::abs(qRed(c) - colour.red()) < 40 && std::abs(qGreen(c) - colour.green()) < 40 &&
                    std::abs(qBlue(c) - colour.blue()) < 40)
                    return true;
            }
        return false;
    };
    EXPECT_TRUE(drawnNear(chart.MapToPixel(0, At(2026, 12, 1, 12), 10)));
    EXPECT_TRUE(drawnNear(chart.MapToPixel(0, At(2026, 12, 1, 6), 5)));
    // Nothing of the line where no reading leads.
    EXPECT_FALSE(drawnNear(chart.MapToPixel(0, At(2026, 12, 1, 6), 9)));
}

}  // namespace
}  // namespace nimbrel

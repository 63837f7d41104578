#pragma once
// The chart control of the graph window: it is given a data grid of texts
// (row labels in column 1, series names in row 0 when present, values in the
// other columns), a legend switch and a chart type, and draws the series as
// lines over time. Type 3 draws flat lines, type 2 three-dimensional ribbons.
//
// Times run along the horizontal axis at their real distances, with round
// date and time labels; each unit of the grid gets a value axis of its own
// (the first on the left, a second on the right). A value that is not a
// number ("n/a") is a gap in its line.
//
// The drawing is built once per change of data, type, legend or size and
// kept until the next change, so a repaint only replays it. Long histories
// are thinned to at most four points per pixel column (the first, the
// lowest, the highest and the last reading of the column), which keeps every
// peak and every step while drawing a few thousand points at most.
#include <QColor>
#include <QPolygonF>
#include <QRect>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/chart/ChartForecast.h"
#include "platform/chart/ChartGrid.h"
#include "platform/chart/ChartScale.h"

namespace nimbrel {

// Values of ChartType.
constexpr int kChartType3dLine = 2;
constexpr int kChartType2dLine = 3;

class ChartControl : public QWidget {
    Q_OBJECT
public:
    explicit ChartControl(QWidget* parent = nullptr);
    ~ChartControl() override;

    void SetShowLegend(bool blnShow);
    bool ShowLegend() const { return showLegend_; }
    // The grid is read at once; the control keeps the pointer so that a
    // caller can see what the chart was given.
    void SetChartData(std::shared_ptr<const ChartGrid> grid);
    const std::shared_ptr<const ChartGrid>& ChartData() const { return grid_; }
    // The forecast after the readings: its curves dashed and paler on the
    // axes of the grid's series of the same unit, the chance of rain as thin
    // bars on the humidity axis, and a "now" line. An empty one draws none.
    // The time axis reaches to its last hour.
    void SetForecast(ChartForecast forecast);
    const ChartForecast& Forecast() const { return forecast_; }

    // kChartType2dLine or kChartType3dLine; any other value draws flat lines.
    void SetChartType(int type);
    int ChartType() const { return chartType_; }
    // Pixels at the top that another control covers (the window's title
    // strip); the plot starts below them.
    void SetReservedTop(int pixels);

    // What the chart read from its grid.
    int SeriesCount() const { return static_cast<int>(series_.size()); }
    const std::string& SeriesName(int series) const { return series_.at(series).name; }
    const std::string& SeriesUnit(int series) const { return series_.at(series).unit; }
    QColor SeriesColour(int series) const { return series_.at(series).colour; }
    // Rows whose label is a time; rows with any other label are not drawn.
    size_t RowCount() const { return times_.size(); }
    // Values of the series that are numbers, and gaps ("n/a", empty, text).
    size_t SeriesReadings(int series) const;
    size_t SeriesGaps(int series) const { return RowCount() - SeriesReadings(series); }

    // The drawing as it stands for the current size (built on demand).
    struct Geometry {
        bool nothingToDraw = true;
        QRect plot;       // the front plane of the plot area
        QPointF depth;    // offset of one series' ribbon in 3D; (0, 0) flat
        DateTime t0 = 0;  // the time at plot.left() and at plot.right()
        DateTime t1 = 0;
        chart::ValueScale axis[2];
        bool axisUsed[2] = {false, false};
        std::string axisUnit[2];
        std::vector<chart::TimeTick> ticks;
        std::vector<int> seriesAxis;
        std::vector<std::vector<QPolygonF>> lines;  // per series, one polyline per run without gaps
        // The forecast: per series (empty where it has no forecast curve),
        // the bars of the chance of rain, and the x of the "now" line (NaN
        // when there is no forecast drawn).
        std::vector<std::vector<QPolygonF>> forecastLines;
        std::vector<QRectF> rainBars;
        double nowX = 0;
        bool forecastShown = false;
    };
    const Geometry& CurrentGeometry() const;
    // Where a reading of the series is drawn (its front edge), in widget pixels.
    QPointF MapToPixel(int series, DateTime t, double value) const;
    // How often the drawing was built; a repaint without a change keeps it.
    int64_t GeometryBuilds() const { return builds_; }

    static constexpr const char* kNothingToDraw = "No readings to show";

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Series {
        std::string name;
        std::string unit;
        QColor colour;
        std::vector<float> values;  // NaN for a gap
        size_t readings = 0;
    };

    void ReadGrid();
    void Invalidate();
    void BuildGeometry() const;

    std::shared_ptr<const ChartGrid> grid_;
    ChartForecast forecast_;
    bool showLegend_ = false;
    int chartType_ = kChartType2dLine;
    int reservedTop_ = 0;

    std::vector<DateTime> times_;
    std::vector<Series> series_;

    mutable Geometry geometry_;
    mutable bool dirty_ = true;
    mutable int64_t builds_ = 0;
};

}  // namespace nimbrel

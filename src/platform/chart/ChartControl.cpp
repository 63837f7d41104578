#include "platform/chart/ChartControl.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QLocale>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>

namespace nimbrel {
namespace {

const QColor kTemperatureColour(200, 45, 30);
const QColor kHumidityColour(25, 100, 200);
const QColor kOtherColours[] = {QColor(40, 140, 60), QColor(150, 70, 170), QColor(200, 130, 20)};
const QColor kBackground(255, 255, 255);
const QColor kPlotBackground(250, 250, 250);
const QColor kWall(238, 240, 243);
const QColor kFloor(222, 225, 230);
const QColor kGrid(214, 218, 224);
const QColor kFrame(130, 135, 145);
const QColor kText(40, 40, 40);

QFont ChartFont() {
    QFont f(QStringLiteral("Arial"));
    f.setPointSizeF(8);
    return f;
}

QColor ColourFor(const std::string& unit, int index) {
    if (unit == "°C" || unit == "°F") return kTemperatureColour;
    if (unit == "%") return kHumidityColour;
    return kOtherColours[index % 3];
}

QString Q(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// Reduces one series to at most four points per pixel column: the first, the
// lowest, the highest and the last reading of the column, in the order they
// were read. A gap ends the current polyline.
class Thinner {
public:
    explicit Thinner(std::vector<QPolygonF>& out) : out_(out) {}

    void Add(size_t index, double x, double y) {
        const int column = chart::ToPixel(std::floor(x));
        if (count_ == 0 || column != column_) {
            Flush();
            column_ = column;
            first_ = low_ = high_ = last_ = Point{index, x, y};
        } else {
            if (y < low_.y) low_ = Point{index, x, y};
            if (y > high_.y) high_ = Point{index, x, y};
            last_ = Point{index, x, y};
        }
        ++count_;
    }
    void Gap() {
        Flush();
        if (!line_.isEmpty()) out_.push_back(std::move(line_));
        line_ = QPolygonF();
    }
    void Finish() { Gap(); }

private:
    struct Point {
        size_t index;
        double x, y;
    };
    void Emit(const Point& p) { line_.append(QPointF(p.x, p.y)); }
    void Flush() {
        if (count_ == 0) return;
        Emit(first_);
        const Point* a = &low_;
        const Point* b = &high_;
        if (b->index < a->index) std::swap(a, b);
        if (a->index != first_.index && a->index != last_.index) Emit(*a);
        if (b->index != a->index && b->index != first_.index && b->index != last_.index) Emit(*b);
        if (last_.index != first_.index) Emit(last_);
        count_ = 0;
    }

    std::vector<QPolygonF>& out_;
    QPolygonF line_;
    int column_ = INT_MIN;
    size_t count_ = 0;
    Point first_{}, low_{}, high_{}, last_{};
};

// The ribbon of a dense line: the band the line covers in each pixel column,
// swept back along the depth. Filling the line's own ribbon outline, which
// crosses itself at every stroke, costs the painter far more than this
// simple outline of the same area.
QPolygonF DenseRibbon(const QPolygonF& edge, QPointF depth) {
    if (edge.isEmpty()) return {};
    double minX = edge[0].x(), maxX = edge[0].x();
    for (const QPointF& q : edge) {
        minX = std::min(minX, q.x());
        maxX = std::max(maxX, q.x());
    }
    const int c0 = chart::ToPixel(std::floor(minX));
    const int width = chart::ToPixel(std::floor(maxX)) - c0 + 1;
    std::vector<double> top(static_cast<size_t>(width), std::numeric_limits<double>::max());
    std::vector<double> bottom(static_cast<size_t>(width), std::numeric_limits<double>::lowest());
    auto cover = [&](int column, double y) {
        const size_t c = static_cast<size_t>(std::clamp(column - c0, 0, width - 1));
        top[c] = std::min(top[c], y);
        bottom[c] = std::max(bottom[c], y);
    };
    cover(chart::ToPixel(std::floor(edge[0].x())), edge[0].y());
    for (qsizetype i = 0; i + 1 < edge.size(); ++i) {
        const QPointF a = edge[i], b = edge[i + 1];
        const int ca = chart::ToPixel(std::floor(std::min(a.x(), b.x())));
        const int cb = chart::ToPixel(std::floor(std::max(a.x(), b.x())));
        if (ca == cb || a.x() == b.x()) {
            for (int c = ca; c <= cb; ++c) {
                cover(c, a.y());
                cover(c, b.y());
            }
            continue;
        }
        // A stroke across several columns: where it enters and leaves each.
        const double slope = (b.y() - a.y()) / (b.x() - a.x());
        const double x0 = std::min(a.x(), b.x()), x1 = std::max(a.x(), b.x());
        for (int c = ca; c <= cb; ++c) {
            const double l = std::max(x0, static_cast<double>(c)), r = std::min(x1, static_cast<double>(c + 1));
            cover(c, a.y() + (l - a.x()) * slope);
            cover(c, a.y() + (r - a.x()) * slope);
        }
    }
    const int reach = std::max(0, static_cast<int>(std::lround(depth.x())));
    const double rise = reach > 0 ? depth.y() / reach : 0;
    QPolygonF outline;
    outline.reserve(4 * (width + reach));
    std::vector<double> sweptBottom(static_cast<size_t>(width + reach));
    for (int c = 0; c < width + reach; ++c) {
        double t = std::numeric_limits<double>::max(), b = std::numeric_limits<double>::lowest();
        for (int k = std::max(0, c - width + 1); k <= std::min(reach, c); ++k) {
            const size_t from = static_cast<size_t>(c - k);
            if (top[from] > bottom[from]) continue;  // a column the line does not reach
            t = std::min(t, top[from] + k * rise);
            b = std::max(b, bottom[from] + k * rise);
        }
        if (t > b) t = b = outline.isEmpty() ? 0 : outline.back().y();
        outline.append(QPointF(c0 + c, t));
        outline.append(QPointF(c0 + c + 1, t));
        sweptBottom[static_cast<size_t>(c)] = b;
    }
    for (int c = width + reach - 1; c >= 0; --c) {
        outline.append(QPointF(c0 + c + 1, sweptBottom[static_cast<size_t>(c)]));
        outline.append(QPointF(c0 + c, sweptBottom[static_cast<size_t>(c)]));
    }
    return outline;
}

}  // namespace

ChartControl::ChartControl(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFont(ChartFont());
}

ChartControl::~ChartControl() = default;

void ChartControl::SetShowLegend(bool blnShow) {
    if (showLegend_ == blnShow) return;
    showLegend_ = blnShow;
    Invalidate();
}

void ChartControl::SetChartData(std::shared_ptr<const ChartGrid> grid) {
    // A grid never changes once given, so the same grid again (the builder
    // hands back its previous one when a frame has no reading) is already
    // read and drawn.
    if (grid && grid == grid_) return;
    const bool dropped = !grid;
    grid_ = grid ? std::move(grid) : std::make_shared<const ChartGrid>();
    ReadGrid();
    // No grid: the times' room (a megabyte for a year of readings) goes too.
    if (dropped) times_.shrink_to_fit();
    Invalidate();
}

void ChartControl::SetForecast(ChartForecast forecast) {
    if (forecast == forecast_) return;
    forecast_ = std::move(forecast);
    Invalidate();
}

void ChartControl::SetChartType(int type) {
    if (chartType_ == type) return;
    chartType_ = type;
    Invalidate();
}

void ChartControl::SetReservedTop(int pixels) {
    if (reservedTop_ == pixels) return;
    reservedTop_ = std::max(0, pixels);
    Invalidate();
}

size_t ChartControl::SeriesReadings(int series) const {
    return series_.at(series).readings;
}

void ChartControl::Invalidate() {
    dirty_ = true;
    update();
}

void ChartControl::resizeEvent(QResizeEvent*) {
    dirty_ = true;
}

void ChartControl::ReadGrid() {
    times_.clear();
    series_.clear();
    const ChartGrid& g = *grid_;
    if (g.RowCount() == 0 || g.ColumnCount() < 2) return;

    // Row 0 holds the series names when its label is not a time and one of
    // its other cells is a text that is not a number and not a gap marker.
    bool header = false;
    DateTime t;
    double v;
    if (!chart::ReadGridTime(g.Cell(0, 1), t)) {
        for (int32_t c = 2; c <= g.ColumnCount(); ++c) {
            std::string_view cell = g.Cell(0, c);
            if (!cell.empty() && cell != "n/a" && !chart::ReadGridValue(cell, v)) header = true;
        }
    }
    for (int32_t c = 2; c <= g.ColumnCount(); ++c) {
        Series s;
        s.name = header ? std::string(g.Cell(0, c)) : std::string();
        s.unit = std::string(g.ColumnUnit(c));
        if (s.name.empty())
            s.name = s.unit == "°C" || s.unit == "°F" ? "Temperature"
                     : s.unit == "%"                  ? "Humidity"
                                                      : "Series " + std::to_string(c - 1);
        s.colour = ColourFor(s.unit, c - 2);
        s.values.reserve(static_cast<size_t>(g.RowCount()));
        series_.push_back(std::move(s));
    }
    times_.reserve(static_cast<size_t>(g.RowCount()));
    for (int32_t r = header ? 1 : 0; r < g.RowCount(); ++r) {
        if (!g.RowTime(r, t) && !chart::ReadGridTime(g.Cell(r, 1), t)) continue;
        if (!std::isfinite(t)) continue;
        times_.push_back(t);
        for (int32_t c = 2; c <= g.ColumnCount(); ++c) {
            Series& s = series_[static_cast<size_t>(c - 2)];
            if (chart::ReadGridValue(g.Cell(r, c), v)) {
                s.values.push_back(static_cast<float>(v));
                ++s.readings;
            } else {
                s.values.push_back(std::numeric_limits<float>::quiet_NaN());
            }
        }
    }
}

const ChartControl::Geometry& ChartControl::CurrentGeometry() const {
    if (dirty_) BuildGeometry();
    return geometry_;
}

void ChartControl::BuildGeometry() const {
    ++builds_;
    dirty_ = false;
    Geometry g;
    const QFontMetrics fm(font());
    const int line = fm.height();
    const int n = static_cast<int>(series_.size());

    // Axes: the first series' unit on the left, a second unit on the right.
    g.seriesAxis.assign(static_cast<size_t>(n), 0);
    for (int s = 0; s < n; ++s) {
        const int axis = series_[static_cast<size_t>(s)].unit == series_[0].unit ? 0 : 1;
        g.seriesAxis[static_cast<size_t>(s)] = axis;
        g.axisUsed[axis] = true;
        if (g.axisUnit[axis].empty()) g.axisUnit[axis] = series_[static_cast<size_t>(s)].unit;
    }
    double lo[2] = {std::numeric_limits<double>::max(), std::numeric_limits<double>::max()};
    double hi[2] = {std::numeric_limits<double>::lowest(), std::numeric_limits<double>::lowest()};
    size_t readings = 0;
    for (int s = 0; s < n; ++s) {
        const Series& series = series_[static_cast<size_t>(s)];
        const int axis = g.seriesAxis[static_cast<size_t>(s)];
        for (float v : series.values) {
            if (std::isnan(v)) continue;
            lo[axis] = std::min(lo[axis], static_cast<double>(v));
            hi[axis] = std::max(hi[axis], static_cast<double>(v));
        }
        readings += series.readings;
    }
    g.nothingToDraw = readings == 0;
    if (!times_.empty()) {
        auto [mn, mx] = std::minmax_element(times_.begin(), times_.end());
        g.t0 = *mn;
        g.t1 = *mx;
    }
    // The forecast's curves go on the axis of the grid's series of their
    // unit; without such a series there is no axis for them.
    int temperatureSeries = -1, humiditySeries = -1;
    for (int s = 0; s < n; ++s) {
        const std::string& unit = series_[static_cast<size_t>(s)].unit;
        if (temperatureSeries < 0 && (unit == "°C" || unit == "°F")) temperatureSeries = s;
        if (humiditySeries < 0 && unit == "%") humiditySeries = s;
    }
    const size_t hours = forecast_.times.size();
    const bool forecastShown = !g.nothingToDraw && hours > 0 && (temperatureSeries >= 0 || humiditySeries >= 0) &&
                               forecast_.temperature.size() == hours && forecast_.humidity.size() == hours &&
                               forecast_.rainChance.size() == hours;
    if (forecastShown) {
        auto widen = [&](int series, const std::vector<float>& values) {
            if (series < 0) return;
            const int axis = g.seriesAxis[static_cast<size_t>(series)];
            for (float v : values) {
                if (std::isnan(v)) continue;
                lo[axis] = std::min(lo[axis], static_cast<double>(v));
                hi[axis] = std::max(hi[axis], static_cast<double>(v));
            }
        };
        widen(temperatureSeries, forecast_.temperature);
        widen(humiditySeries, forecast_.humidity);
        widen(humiditySeries, forecast_.rainChance);
        g.t0 = std::min(g.t0, std::min(forecast_.now, forecast_.times.front()));
        g.t1 = std::max({g.t1, forecast_.now, forecast_.times.back()});
    }
    g.forecastShown = forecastShown;
    if (g.t1 - g.t0 < 1.0 / 86400) {  // a single moment: an hour either side
        g.t0 -= 1.0 / 24;
        g.t1 += 1.0 / 24;
    }

    const int labelWidth = fm.horizontalAdvance(QStringLiteral("-888")) + 10;
    const int left = labelWidth;
    const int right = g.axisUsed[1] ? labelWidth : fm.horizontalAdvance(QStringLiteral("00/00")) / 2 + 6;
    const int top = reservedTop_ + line + 6;
    const int bottom = 2 * line + 8 + (showLegend_ ? line + 8 : 0);
    QRect inner(left, top, width() - left - right, height() - top - bottom);
    const bool threeD = chartType_ == kChartType3dLine;
    if (threeD && n > 0) {
        const double d = std::clamp(inner.width() / 40.0, 6.0, 14.0);
        g.depth = QPointF(d, -d * 0.75);
        const int totalX = static_cast<int>(std::ceil(d * n));
        const int totalY = static_cast<int>(std::ceil(d * 0.75 * n));
        inner.adjust(0, totalY, -totalX, 0);
    }
    g.plot = inner.isValid() ? inner : QRect(left, top, 1, 1);

    const int valueTicks = std::clamp(g.plot.height() / (line * 2), 2, 10);
    for (int a = 0; a < 2; ++a)
        if (g.axisUsed[a] && lo[a] <= hi[a])
            g.axis[a] = chart::NiceScale(lo[a], hi[a], valueTicks, g.axisUnit[a] == "%");
    const int timeTicks = std::max(1, g.plot.width() / (fm.horizontalAdvance(QStringLiteral("00/00")) + 26));
    g.ticks = chart::TimeTicks(g.t0, g.t1, timeTicks);

    // Lines in the plot's pixels; the thinning works on the pixel column.
    g.lines.assign(static_cast<size_t>(n), {});
    const double x0 = g.plot.left(), w = g.plot.width(), y0 = g.plot.bottom() + 1.0, h = g.plot.height();
    const double span = g.t1 - g.t0;
    for (int s = 0; s < n && !g.nothingToDraw; ++s) {
        const Series& series = series_[static_cast<size_t>(s)];
        const chart::ValueScale& scale = g.axis[g.seriesAxis[static_cast<size_t>(s)]];
        const double vspan = scale.hi - scale.lo;
        Thinner thin(g.lines[static_cast<size_t>(s)]);
        for (size_t i = 0; i < times_.size(); ++i) {
            const float v = series.values[i];
            if (std::isnan(v)) {
                thin.Gap();
                continue;
            }
            thin.Add(i, x0 + (times_[i] - g.t0) / span * w, y0 - (v - scale.lo) / vspan * h);
        }
        thin.Finish();
    }
    g.forecastLines.assign(static_cast<size_t>(n), {});
    if (forecastShown) {
        const auto xAt = [&](DateTime t) { return x0 + (t - g.t0) / span * w; };
        const auto yAt = [&](int series, double v) {
            const chart::ValueScale& scale = g.axis[g.seriesAxis[static_cast<size_t>(series)]];
            return y0 - (v - scale.lo) / (scale.hi - scale.lo) * h;
        };
        auto curve = [&](int series, const std::vector<float>& values) {
            if (series < 0) return;
            auto& out = g.forecastLines[static_cast<size_t>(series)];
            QPolygonF run;
            for (size_t i = 0; i < hours; ++i) {
                if (std::isnan(values[i])) {
                    if (!run.isEmpty()) out.push_back(run);
                    run.clear();
                    continue;
                }
                run.append(QPointF(xAt(forecast_.times[i]), yAt(series, values[i])));
            }
            if (!run.isEmpty()) out.push_back(run);
        };
        curve(temperatureSeries, forecast_.temperature);
        curve(humiditySeries, forecast_.humidity);
        if (humiditySeries >= 0) {
            // A bar a third of an hour wide, centred on its hour.
            const double half = std::max(1.0, w * (1.0 / 72) / span);
            for (size_t i = 0; i < hours; ++i) {
                const float v = forecast_.rainChance[i];
                if (std::isnan(v) || v <= 0) continue;
                const double x = xAt(forecast_.times[i]);
                const double floorValue = std::max(0.0, g.axis[g.seriesAxis[static_cast<size_t>(humiditySeries)]].lo);
                g.rainBars.push_back(QRectF(QPointF(x - half, yAt(humiditySeries, v)),
                                            QPointF(x + half, yAt(humiditySeries, floorValue))));
            }
        }
        g.nowX = xAt(forecast_.now);
    }
    geometry_ = std::move(g);
}

QPointF ChartControl::MapToPixel(int series, DateTime t, double value) const {
    const Geometry& g = CurrentGeometry();
    const chart::ValueScale& scale = g.axis[g.seriesAxis.at(static_cast<size_t>(series))];
    const double x = g.plot.left() + (t - g.t0) / (g.t1 - g.t0) * g.plot.width();
    const double y = g.plot.bottom() + 1.0 - (value - scale.lo) / (scale.hi - scale.lo) * g.plot.height();
    return QPointF(x, y) + g.depth * series;
}

void ChartControl::paintEvent(QPaintEvent*) {
    const Geometry& g = CurrentGeometry();
    QPainter p(this);
    const QFontMetrics fm(font());
    const int line = fm.height();
    const int n = SeriesCount();
    p.fillRect(rect(), kBackground);
    const QRect& plot = g.plot;
    const QPointF back = g.depth * n;

    // Walls and grid: the back wall and the floor in 3D, a plain area flat.
    if (back.isNull()) {
        p.fillRect(plot, kPlotBackground);
    } else {
        p.setPen(kGrid);
        p.setBrush(kWall);
        p.drawRect(QRectF(plot).translated(back));
        const QPointF floor[] = {
            QPointF(plot.bottomLeft()) + QPointF(0, 1), QPointF(plot.bottomRight()) + QPointF(1, 1),
            QPointF(plot.bottomRight()) + QPointF(1, 1) + back, QPointF(plot.bottomLeft()) + QPointF(0, 1) + back};
        p.setBrush(kFloor);
        p.drawPolygon(floor, 4);
        p.setBrush(Qt::NoBrush);
    }
    if (g.nothingToDraw) {
        p.setPen(kFrame);
        p.drawRect(plot);
        p.setPen(kText);
        p.drawText(plot, Qt::AlignCenter | Qt::TextWordWrap, QString::fromLatin1(kNothingToDraw));
        return;
    }
    const auto xOf = [&](DateTime t) { return plot.left() + (t - g.t0) / (g.t1 - g.t0) * plot.width(); };
    const auto yOf = [&](int axis, double v) {
        const chart::ValueScale& s = g.axis[axis];
        return plot.bottom() + 1.0 - (v - s.lo) / (s.hi - s.lo) * plot.height();
    };
    p.setPen(QPen(kGrid, 1));
    const int leftAxis = g.axisUsed[0] ? 0 : 1;
    const chart::ValueScale& ls = g.axis[leftAxis];
    for (int i = 0; i < ls.Ticks(); ++i) {
        const double y = std::round(yOf(leftAxis, ls.lo + i * ls.step)) + 0.5;
        p.drawLine(QPointF(plot.left(), y), QPointF(plot.right() + 1, y));
    }
    for (const chart::TimeTick& tick : g.ticks) {
        const double x = std::round(xOf(tick.t)) + 0.5;
        p.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom() + 1));
    }

    // The frame before the lines, so that a reading at the end of the time
    // axis stays visible.
    p.setPen(kFrame);
    p.drawRect(plot);

    // Series, the farthest first so the front ribbon covers the ones behind.
    // A series with more points than the plot has pixel columns is a dense
    // band of short strokes. It is drawn with a plain one-pixel pen, which the
    // painter rasterises directly (a wider or smoothed pen has every stroke
    // outlined and filled: a hundred times slower at the history's cap, and no
    // different to the eye in such a band). Flat, the band is filled; in 3D
    // its ribbon is the band swept back, without a back edge of its own.
    for (int s = n - 1; s >= 0; --s) {
        const QColor colour = series_[static_cast<size_t>(s)].colour;
        const QPointF front = g.depth * s;
        qsizetype points = 0;
        for (const QPolygonF& polyline : g.lines[static_cast<size_t>(s)]) points += polyline.size();
        const bool dense = points > plot.width();
        const QPen linePen = dense ? QPen(colour, 0) : QPen(colour, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        p.setRenderHint(QPainter::Antialiasing, !dense);
        for (const QPolygonF& polyline : g.lines[static_cast<size_t>(s)]) {
            const QPolygonF edge = polyline.translated(front);
            if (!g.depth.isNull() && edge.size() > 1) {
                p.setPen(Qt::NoPen);
                p.setBrush(colour.lighter(150));
                if (dense) {
                    p.drawPolygon(DenseRibbon(edge, g.depth));
                } else {
                    QPolygonF ribbon = edge;
                    for (qsizetype i = edge.size() - 1; i >= 0; --i) ribbon.append(edge[i] + g.depth);
                    p.drawPolygon(ribbon, Qt::WindingFill);
                    p.setBrush(Qt::NoBrush);
                    p.setPen(QPen(colour.lighter(120), 1));
                    p.drawPolyline(edge.translated(g.depth));
                }
                p.setBrush(Qt::NoBrush);
            }
            if (dense && g.depth.isNull() && edge.size() > 1) {
                // Flat, the band itself in the series' colour: solid where
                // the strokes would leave the colours behind showing through.
                p.setPen(QPen(colour, 0));
                p.setBrush(colour);
                p.drawPolygon(DenseRibbon(edge, QPointF()));
                p.setBrush(Qt::NoBrush);
            } else if (edge.size() == 1) {  // a reading alone between gaps
                p.setPen(Qt::NoPen);
                p.setBrush(colour);
                p.drawEllipse(edge[0], 2.0, 2.0);
                p.setBrush(Qt::NoBrush);
            } else {
                p.setPen(linePen);
                p.drawPolyline(edge);
            }
        }
    }
    if (g.forecastShown) {
        // The forecast on top of the readings: thin pale bars, a dashed
        // paler line for each curve, and the "now" line with its word, so
        // that nobody takes the forecast for what was measured.
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(kHumidityColour.red(), kHumidityColour.green(), kHumidityColour.blue(), 70));
        for (const QRectF& bar : g.rainBars) p.drawRect(bar);
        p.setBrush(Qt::NoBrush);
        p.setRenderHint(QPainter::Antialiasing, true);
        for (int s = n - 1; s >= 0; --s) {
            const QColor colour = series_[static_cast<size_t>(s)].colour.lighter(140);
            const QPointF front = g.depth * s;
            p.setPen(QPen(colour, 1.6, Qt::DashLine, Qt::FlatCap, Qt::RoundJoin));
            for (const QPolygonF& run : g.forecastLines[static_cast<size_t>(s)]) {
                if (run.size() == 1)
                    p.drawPoint(run[0] + front);
                else
                    p.drawPolyline(run.translated(front));
            }
        }
        p.setRenderHint(QPainter::Antialiasing, false);
        const double x = std::round(g.nowX) + 0.5;
        p.setPen(QPen(kFrame, 1, Qt::DotLine));
        p.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom() + 1));
        p.setPen(kText);
        p.drawText(QRectF(x + 3, plot.top() + 1, 60, line), Qt::AlignLeft | Qt::AlignTop,
                   QCoreApplication::translate("ChartControl", "now"));
    }
    p.setRenderHint(QPainter::Antialiasing, false);

    // Value axes. In 3D a series' front edge lies one ribbon deeper than the
    // one before it, so the right axis is raised to the front edge of its
    // first series: its labels stay level with the line they measure.
    p.setPen(kText);
    const std::string decimalPoint = QLocale().decimalPoint().toStdString();
    QPointF rightLift;
    for (int s = 0; s < n; ++s)
        if (g.seriesAxis[static_cast<size_t>(s)] == 1) {
            rightLift = g.depth * s;
            break;
        }
    for (int a = 0; a < 2; ++a) {
        if (!g.axisUsed[a]) continue;
        const chart::ValueScale& s = g.axis[a];
        const bool onLeft = a == leftAxis;
        for (int i = 0; i < s.Ticks(); ++i) {
            const double v = s.lo + i * s.step;
            const int y = chart::ToPixel(yOf(a, v));
            const QString text = Q(chart::FormatTick(v, s.step, decimalPoint));
            if (onLeft) {
                p.drawLine(plot.left() - 3, y, plot.left() - 1, y);
                p.drawText(QRect(0, y - line / 2, plot.left() - 5, line), Qt::AlignRight | Qt::AlignVCenter, text);
            } else {
                const int x = plot.right() + static_cast<int>(back.x()) + 1;
                const int yy = y + static_cast<int>(std::lround(rightLift.y()));
                p.drawLine(x, yy, x + 2, yy);
                p.drawText(QRect(x + 5, yy - line / 2, width() - x - 5, line), Qt::AlignLeft | Qt::AlignVCenter, text);
            }
        }
        const QString unit = Q(g.axisUnit[a]);
        if (onLeft)
            p.drawText(QRect(0, plot.top() - line - 4, plot.left() - 5, line), Qt::AlignRight | Qt::AlignBottom, unit);
        else
            p.drawText(QRect(plot.right() + static_cast<int>(back.x()) + 5,
                             plot.top() + static_cast<int>(std::lround(rightLift.y())) - line - 4, width(), line),
                       Qt::AlignLeft | Qt::AlignBottom, unit);
    }
    int lastRight = INT_MIN;
    for (const chart::TimeTick& tick : g.ticks) {
        const int x = chart::ToPixel(xOf(tick.t));
        const QString text = Q(tick.label);
        const QString second = Q(tick.second);
        const int w = std::max(fm.horizontalAdvance(text), fm.horizontalAdvance(second));
        p.drawLine(x, plot.bottom() + 1, x, plot.bottom() + 3);
        if (x - w / 2 <= lastRight + 4) continue;  // would overlap the label before
        p.drawText(QRect(x - w / 2 - 2, plot.bottom() + 4, w + 4, line), Qt::AlignHCenter | Qt::AlignTop, text);
        if (!second.isEmpty())
            p.drawText(QRect(x - w / 2 - 2, plot.bottom() + 4 + line, w + 4, line), Qt::AlignHCenter | Qt::AlignTop,
                       second);
        lastRight = x + w / 2;
    }

    if (showLegend_) {
        int total = 0;
        std::vector<QString> names;
        for (const Series& s : series_) {
            names.push_back(Q(s.unit.empty() ? s.name : s.name + " (" + s.unit + ")"));
            total += 22 + fm.horizontalAdvance(names.back()) + 14;
        }
        int x = std::max(2, (width() - total) / 2);
        const int y = height() - line - 4;
        for (size_t s = 0; s < series_.size(); ++s) {
            p.setPen(QPen(series_[s].colour, 3));
            p.drawLine(x, y + line / 2, x + 16, y + line / 2);
            p.setPen(kText);
            const int w = fm.horizontalAdvance(names[s]);
            p.drawText(QRect(x + 22, y, w + 2, line), Qt::AlignLeft | Qt::AlignVCenter, names[s]);
            x += 22 + w + 14;
        }
    }
}

}  // namespace nimbrel

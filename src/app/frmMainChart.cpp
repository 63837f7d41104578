// The main window's graph window: made when it is first needed, drawn from
// the weather state, with the hours to come after the history.
#include <malloc.h>

#include <QAccessible>

#include "app/AccessibleText.h"
#include "app/WindowMemory.h"
#include "app/frmMain.h"
#include "base/Clock.h"
#include "feeds/WeatherExtras.h"
#include "graph/GraphCapture.h"
#include "graph/frmGraph.h"
#include "platform/ui/QtMessageBox.h"

namespace nimbrel {

namespace {

// The program's own section keeps "no" here while the forecast is switched off.
constexpr const char* kShowForecastKey = "show forecast";

}  // namespace

// --- the chart ----------------------------------------------------------------------------

void frmMain::RedrawGraph() {
    // A window not made yet draws the history as it is when it is made, to
    // the time of this redraw, as the window would have done itself.
    if (graph_) {
        if (!graphDropped_) graph_->DrawGraphWithCurrentSettings();
    } else if (pendingChart_)
        pendingChart_->redrawnAt = Now();
}

frmGraph& frmMain::EnsureGraph() {
    if (!graph_) {
        graph_ = std::make_unique<frmGraph>(*this);
        graph_->setWindowIcon(windowIcon());
        connect(graph_.get(), &frmGraph::HiddenByUser, this, [this] {
            blnGraphShow_ = false;
            graphDropped_ = true;
            chart_.Forget();
            // Let go once the close has returned to the event loop; the
            // window is inside its own close handler now.
            QMetaObject::invokeMethod(this, &frmMain::DropGraphWindow, Qt::QueuedConnection);
        });
        // "Capture" saves into the program's folder.
        capture_ = AttachCapture(*graph_, config_.folder, kAppTitle);
        graph_->OnAbout = [this](frmGraph&) { ShowAbout(); };
        // Kept only while off, so a file of a user who never switched it
        // stays as it was.
        graph_->OnShowForecast = [this](bool show) { store_.SetExtra(kShowForecastKey, show ? "" : "no"); };
        if (pendingChart_) {
            const ChartRequest r = *pendingChart_;
            pendingChart_.reset();
            graph_->RestoreFrame(r.datStart, r.redrawnAt);
            chart_.SetUnit(state_->Unit());
            chart_.DrawWeatherGraph(store_, *graph_, r.blnTemperature, r.blnBothGraphs, r.datStart,
                                    r.redrawnAt != 0 ? r.redrawnAt : r.datEnd, r.blnAutoTime);
            DescribeChart(r.blnTemperature, r.blnBothGraphs);
        }
        if (graphChoices_) {
            // A window closed before: the new one is what the user left.
            graph_->RestoreChoices(*graphChoices_);
            graph_->restoreGeometry(graphGeometry_);
        }
        ShowChartForecast();
    }
    return *graph_;
}

void frmMain::DropGraphWindow() {
    // Shown again before this came: the window stays.
    if (!graph_ || blnGraphShow_) return;
    RememberGraphPlace();
    graphChoices_ = std::make_unique<GraphChoices>(graph_->Choices());
    graphGeometry_ = graph_->saveGeometry();
    capture_.reset();
    graph_.reset();
    // The window's objects and the chart's buffers were among the largest
    // the program had made; the allocator would keep their room for a
    // window that may never be opened again. Once per close, so no save or
    // tick pays for it.
    ::malloc_trim(0);
}

void frmMain::DrawWeatherGraph(bool blnTemperature, bool blnBothGraphs, DateTime datStart, DateTime datEnd,
                               bool blnAutoTime) {
    if (!graph_) {
        pendingChart_ = ChartRequest{blnTemperature, blnBothGraphs, datStart, datEnd, blnAutoTime};
        return;
    }
    chart_.SetUnit(state_->Unit());
    chart_.DrawWeatherGraph(store_, *graph_, blnTemperature, blnBothGraphs, datStart, datEnd, blnAutoTime);
    DescribeChart(blnTemperature, blnBothGraphs);
    ShowChartForecast();
}

void frmMain::DescribeChart(bool blnTemperature, bool blnBothGraphs) {
    if (!graph_) return;
    const ControlTexts t = ChartTexts(blnTemperature, blnBothGraphs, graph_->datFrameStart(), graph_->datFrameEnd(),
                                      store_, state_->Unit());
    QWidget& chart = graph_->mscTemp();
    if (chart.accessibleName() != t.name) {
        chart.setAccessibleName(t.name);
        QAccessibleEvent event(&chart, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
    if (chart.accessibleDescription() != t.description) {
        chart.setAccessibleDescription(t.description);
        QAccessibleEvent event(&chart, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&event);
    }
}

void frmMain::ShowChartForecast() {
    if (!graph_) return;
    const DateTime now = Now();
    const ChartForecast f = ForecastSeries(state_->Hours(), now, LocalOffsetSeconds(now), state_->Unit());
    graph_->SetForecastAvailable(!f.Empty());
    graph_->SetShowForecast(store_.Extra(kShowForecastKey) != "no");
    graph_->mscTemp().SetForecast(graph_->blnShowForecast() ? f : ChartForecast{});
}

void frmMain::ShowGraphWindow() {
    if (blnGraphShow_) return;
    blnGraphShow_ = true;
    frmGraph& g = EnsureGraph();
    if (graphDropped_) {
        graphDropped_ = false;
        g.DrawGraphWithCurrentSettings();
    }
    if (graphFirstPlace_.empty()) {
        graphFirstPlace_ = FormatWindowRect(WindowRect{g.x(), g.y(), g.width(), g.height()});
        RestoreWindowPlace(g, store_, kGraphWindowKey, true);
    }
    g.show();
    g.raise();
    g.activateWindow();
}

}  // namespace nimbrel

#pragma once
// Stands in for the main window behind the real graph window: it answers
// DrawWeatherGraph with a week of hourly readings, so the window that is
// captured shows a real chart, title and legend.
#include <memory>

#include "graph/GraphHost.h"
#include "graph/frmGraph.h"

namespace nimbrel::testing {

class GraphTestHost : public GraphHost {
public:
    GraphTestHost();
    void DrawWeatherGraph(bool blnTemperature, bool blnBothGraphs, DateTime datStart, DateTime datEnd,
                          bool blnAutoTime) override;

    // The window, made on first use and drawn once, as the main window does
    // at start-up.
    frmGraph& Window();

private:
    std::unique_ptr<frmGraph> window_;
};

}  // namespace nimbrel::testing

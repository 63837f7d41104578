#pragma once
// What the history chart builder sets on the graph window: the chart control's
// legend switch and data grid, then the text of the title strip, in that
// order. The graph window implements it with its real chart and title box;
// tests and the history command implement it with plain recorders.
#include <memory>
#include <string>

#include "platform/chart/ChartGrid.h"

namespace nimbrel {

class ChartTarget {
public:
    virtual ~ChartTarget() = default;
    virtual void SetShowLegend(bool blnShow) = 0;
    // The grid is shared, not copied: the builder keeps it for its next call
    // and the chart reads it while it draws. Neither changes it afterwards.
    virtual void SetChartData(std::shared_ptr<const ChartGrid> grid) = 0;
    virtual void SetTitleText(const std::string& text) = 0;
};

}  // namespace nimbrel

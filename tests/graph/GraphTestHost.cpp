#include "GraphTestHost.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "platform/chart/ChartGrid.h"

namespace nimbrel::testing {

GraphTestHost::GraphTestHost() = default;

void GraphTestHost::DrawWeatherGraph(bool, bool, DateTime, DateTime, bool) {
    if (!window_) return;
    constexpr int kHours = 7 * 24;
    auto grid = std::make_shared<ChartGrid>(kHours + 1, 3);
    grid->SetCell(0, 2, "Temp");
    grid->SetCell(0, 3, "Humid");
    grid->SetColumnUnit(2, "\u00B0C");
    grid->SetColumnUnit(3, "%");
    for (int h = 0; h < kHours; ++h) {
        char time[32];
        std::snprintf(time, sizeof time, "%02d/12/2026 %02d:00:00", 1 + h / 24, h % 24);
        const double temp = 6 + 5 * std::sin(h * 2 * M_PI / 24) + h / 40.0;
        const double humid = 70 - 15 * std::sin(h * 2 * M_PI / 24 + 0.5);
        grid->SetCell(h + 1, 1, time);
        grid->SetCell(h + 1, 2, std::to_string(int(std::lround(temp))));
        grid->SetCell(h + 1, 3, std::to_string(int(std::lround(humid))));
    }
    window_->SetShowLegend(true);
    window_->SetChartData(grid);
    window_->SetTitleText("Temperature and humidity, 01/12/2026 to 07/12/2026");
}

frmGraph& GraphTestHost::Window() {
    if (!window_) {
        window_ = std::make_unique<frmGraph>(*this);
        window_->DrawGraphWithCurrentSettings();
    }
    return *window_;
}

}  // namespace nimbrel::testing

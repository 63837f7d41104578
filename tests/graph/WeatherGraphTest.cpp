// The history chart's data: which readings a frame takes, the two grid
// layouts, the title line and the order of what is set on the chart.
#include <gtest/gtest.h>

#include "GraphTestSupport.h"
#include "base/DateTime.h"
#include "base/Temperature.h"
#include "base/modMisc.h"
#include "graph/WeatherGraph.h"
#include "store/SettingsStore.h"

namespace nimbrel {
namespace {

using testing::History;
using testing::Reading;
using testing::RecordingTarget;
using testing::Rows;

DateTime At(int y, int m, int d, int hh = 0, int nn = 0, int ss = 0) {
    return DateSerial(y, m, d) + TimeSerial(hh, nn, ss);
}

struct Draw {
    WeatherGraph graph;
    RecordingTarget chart;
    void operator()(const History& h, bool temperature, bool both, DateTime start, DateTime end, bool autoTime) {
        chart.calls.clear();
        graph.DrawWeatherGraph(h.Lists(), chart, temperature, both, start, end, autoTime);
    }
};

TEST(ChartFrame, WholeDaysWidenBothEndsAndTheTitleShowsTheWidenedDates) {
    const History h({{"28/11/2026 23:59:59", "1", "50"},
                     {"29/11/2026 00:00:00", "2", "51"},
                     {"03/12/2026 12:00:00", "3", "52"},
                     {"06/12/2026 23:59:59", "4", "53"},
                     {"07/12/2026 00:00:00", "5", "54"}});
    Draw draw;
    draw(h, true, true, At(2026, 11, 29, 15), At(2026, 12, 6, 15), true);
    EXPECT_EQ(draw.chart.title, "Temperature and Humidity : 29/11/2026 - 06/12/2026");
    EXPECT_EQ(Rows(*draw.chart.grid),
              (std::vector<std::string>{",Temp,Humid", "29/11/2026 00:00:00,2,51", "03/12/2026 12:00:00,3,52",
                                        "06/12/2026 23:59:59,4,53"}));
}

TEST(ChartFrame, ExactTimesIncludeBothEndsAndNothingASecondBeyond) {
    const History h({{"05/12/2026 10:14:59", "1", "50"},
                     {"05/12/2026 10:15:00", "2", "51"},
                     {"06/12/2026 10:15:00", "3", "52"},
                     {"06/12/2026 10:15:01", "4", "53"}});
    Draw draw;
    draw(h, true, false, At(2026, 12, 5, 10, 15), At(2026, 12, 6, 10, 15), false);
    EXPECT_EQ(Rows(*draw.chart.grid), (std::vector<std::string>{"05/12/2026 10:15:00,2", "06/12/2026 10:15:00,3"}));
    // Without widening the title still shows the dates alone.
    EXPECT_EQ(draw.chart.title, "Temperature : 05/12/2026 - 06/12/2026");
}

TEST(ChartGridLayout, TwoSeriesHaveAHeaderRowOneSeriesNone) {
    const History h({{"01/12/2026 08:00:00", "4", "80"},
                     {"01/12/2026 09:00:00", "n/a", "n/a"},
                     {"01/12/2026 10:00:00", "-2", "77"}});
    const DateTime from = At(2026, 12, 1), to = At(2026, 12, 1, 23, 59, 59);
    Draw draw;

    draw(h, true, true, from, to, false);
    EXPECT_EQ(draw.chart.grid->RowCount(), 4);
    EXPECT_EQ(draw.chart.grid->ColumnCount(), 3);
    EXPECT_EQ(Rows(*draw.chart.grid),
              (std::vector<std::string>{",Temp,Humid", "01/12/2026 08:00:00,4,80", "01/12/2026 09:00:00,n/a,n/a",
                                        "01/12/2026 10:00:00,-2,77"}));
    EXPECT_TRUE(draw.chart.legend);

    draw(h, true, false, from, to, false);
    EXPECT_EQ(draw.chart.grid->RowCount(), 3);
    EXPECT_EQ(draw.chart.grid->ColumnCount(), 2);
    EXPECT_EQ(Rows(*draw.chart.grid),
              (std::vector<std::string>{"01/12/2026 08:00:00,4", "01/12/2026 09:00:00,n/a", "01/12/2026 10:00:00,-2"}));
    EXPECT_FALSE(draw.chart.legend);
    EXPECT_EQ(draw.chart.title, "Temperature : 01/12/2026 - 01/12/2026");

    draw(h, false, false, from, to, false);
    EXPECT_EQ(Rows(*draw.chart.grid), (std::vector<std::string>{"01/12/2026 08:00:00,80", "01/12/2026 09:00:00,n/a",
                                                                "01/12/2026 10:00:00,77"}));
    EXPECT_EQ(draw.chart.title, "Humidity : 01/12/2026 - 01/12/2026");
}

TEST(ChartGridLayout, FahrenheitChangesTheShownValuesAndTheUnitButNotTheHistory) {
    const History h({{"01/12/2026 08:00:00", "21", "80"},
                     {"01/12/2026 09:00:00", "n/a", "n/a"},
                     {"01/12/2026 10:00:00", "-12", "77"},
                     {"01/12/2026 11:00:00", "2.5", "70"}});
    const DateTime from = At(2026, 12, 1), to = At(2026, 12, 1, 23, 59, 59);
    const std::string storedTemps(h.Lists().TempHistory);
    Draw draw;
    draw(h, true, true, from, to, false);
    const std::vector<std::string> celsius = Rows(*draw.chart.grid);
    EXPECT_EQ(draw.chart.grid->ColumnUnit(2), "\u00B0C");

    draw.graph.SetUnit(TempUnit::Fahrenheit);
    draw(h, true, true, from, to, false);
    EXPECT_EQ(Rows(*draw.chart.grid),
              (std::vector<std::string>{",Temp,Humid", "01/12/2026 08:00:00,70,80", "01/12/2026 09:00:00,n/a,n/a",
                                        "01/12/2026 10:00:00,10,77", "01/12/2026 11:00:00,36,70"}));
    EXPECT_EQ(draw.chart.grid->ColumnUnit(2), "\u00B0F");
    EXPECT_EQ(draw.chart.grid->ColumnUnit(3), "%");
    draw(h, true, false, from, to, false);
    EXPECT_EQ(draw.chart.grid->ColumnUnit(2), "\u00B0F");
    EXPECT_EQ(Rows(*draw.chart.grid)[0], "01/12/2026 08:00:00,70");
    // Humidity alone is untouched by the unit.
    draw(h, false, false, from, to, false);
    EXPECT_EQ(Rows(*draw.chart.grid)[0], "01/12/2026 08:00:00,80");
    EXPECT_EQ(draw.chart.grid->ColumnUnit(2), "%");
    EXPECT_EQ(h.Lists().TempHistory, storedTemps);
    EXPECT_EQ(celsius[1], "01/12/2026 08:00:00,21,80");
}

TEST(ChartGridLayout, TheChartGetsItsLegendThenItsGridThenTheTitleIsWritten) {
    const History h({{"01/12/2026 08:00:00", "4", "80"}});
    Draw draw;
    draw(h, true, true, At(2026, 12, 1), At(2026, 12, 1), true);
    EXPECT_EQ(draw.chart.calls, (std::vector<std::string>{"legend", "grid", "title"}));
    draw(h, false, false, At(2026, 12, 1), At(2026, 12, 1), true);
    EXPECT_EQ(draw.chart.calls, (std::vector<std::string>{"legend", "grid", "title"}));
}

TEST(ChartEmptyFrame, OneSeriesKeepsThePreviousGridWhileTheTitleShowsTheNewFrame) {
    const History h({{"01/12/2026 08:00:00", "4", "80"}, {"01/12/2026 09:00:00", "5", "81"}});
    Draw draw;
    draw(h, true, true, At(2026, 12, 1), At(2026, 12, 1), true);
    const auto previous = draw.chart.grid;
    ASSERT_EQ(previous->RowCount(), 3);

    draw(h, false, false, At(2026, 12, 20), At(2026, 12, 27), true);
    EXPECT_EQ(draw.chart.grid, previous);
    EXPECT_EQ(draw.chart.calls, (std::vector<std::string>{"legend", "grid", "title"}));
    EXPECT_FALSE(draw.chart.legend);
    EXPECT_EQ(draw.chart.title, "Humidity : 20/12/2026 - 27/12/2026");
}

TEST(ChartEmptyFrame, TwoSeriesGiveTheHeaderRowAlone) {
    Draw draw;
    draw(History(), true, true, At(2026, 12, 1), At(2026, 12, 7), true);
    EXPECT_EQ(Rows(*draw.chart.grid), (std::vector<std::string>{",Temp,Humid"}));
    EXPECT_EQ(draw.chart.title, "Temperature and Humidity : 01/12/2026 - 07/12/2026");
}

TEST(ChartEmptyFrame, OneSeriesOnAFirstCallGivesAnEmptyGrid) {
    Draw draw;
    draw(History(), true, false, At(2026, 12, 1), At(2026, 12, 7), true);
    ASSERT_NE(draw.chart.grid, nullptr);
    EXPECT_EQ(draw.chart.grid->RowCount(), 0);
    EXPECT_EQ(draw.chart.title, "Temperature : 01/12/2026 - 07/12/2026");
}

TEST(ChartFailingSteps, AShorterValueListLeavesCellsEmptyAndTheRestIsFilled) {
    History h;
    h.TimeHistory = "01/12/2026 08:00:00,01/12/2026 09:00:00,01/12/2026 10:00:00";
    h.TempHistory = "4,5";
    h.HumidHistory = "80";
    Draw draw;
    draw(h, true, true, At(2026, 12, 1), At(2026, 12, 1), true);
    EXPECT_EQ(Rows(*draw.chart.grid), (std::vector<std::string>{",Temp,Humid", "01/12/2026 08:00:00,4,80",
                                                                "01/12/2026 09:00:00,5,", "01/12/2026 10:00:00,,"}));
    EXPECT_EQ(draw.chart.title, "Temperature and Humidity : 01/12/2026 - 01/12/2026");
}

TEST(ChartFailingSteps, TimesThatCannotBeReadAreSkipped) {
    History h;
    h.TimeHistory = "01/12/2026 08:00:00,garbage,,ab/cd/efgh,01/12/2026 09:00:00,Monday";
    h.TempHistory = "1,2,3,4,5,6";
    h.HumidHistory = "10,20,30,40,50,60";
    Draw draw;
    // "All" starts before any readable time; the unreadable ones still stay out.
    draw(h, true, true, DateSerial(1900, 1, 1), At(2026, 12, 1), true);
    EXPECT_EQ(Rows(*draw.chart.grid),
              (std::vector<std::string>{",Temp,Humid", "01/12/2026 08:00:00,1,10", "01/12/2026 09:00:00,5,50"}));
}

TEST(ChartFailingSteps, WorksOnTheSettingsStoreLists) {
    SettingsStore store;
    store.TimeHistory = "05/12/2026 13:50:00,05/12/2026 13:55:00";
    store.TempHistory = "-2,-3";
    store.HumidHistory = "70,71";
    WeatherGraph graph;
    RecordingTarget chart;
    graph.DrawWeatherGraph(store, chart, false, false, At(2026, 12, 5), At(2026, 12, 5), true);
    EXPECT_EQ(Rows(*chart.grid), (std::vector<std::string>{"05/12/2026 13:50:00,70", "05/12/2026 13:55:00,71"}));
    EXPECT_EQ(graph.Grid(), chart.grid);
}

TEST(ChartGridLayout, EachRowCarriesTheTimeItsLabelWasReadAs) {
    // A two-digit year, as an old file may hold: the chart must place the row
    // where the history's reader put it, not where the label would parse.
    const History h({{"06/12/26 10:00:00", "4", "80"}, {"06/12/2026 11:00:00", "5", "81"}});
    Draw draw;
    draw(h, true, true, At(2026, 12, 6), At(2026, 12, 6), true);
    ASSERT_EQ(draw.chart.grid->RowCount(), 3);
    DateTime t = 0;
    ASSERT_TRUE(draw.chart.grid->RowTime(1, t));
    EXPECT_EQ(t, At(2026, 12, 6, 10));
    ASSERT_TRUE(draw.chart.grid->RowTime(2, t));
    EXPECT_EQ(t, At(2026, 12, 6, 11));
    EXPECT_FALSE(draw.chart.grid->RowTime(0, t));
}

// The history's times are read by a quick path for the form the program
// writes; it must agree with the general reader everywhere it is used.
TEST(HistoryTimes, TheQuickReaderAgreesWithTheGeneralOne) {
    const char* texts[] = {"06/12/2026 07:05:09", "31/12/2026 23:59:59", "29/02/2028 12:00:00", "01/01/1900 00:00:00",
                           "31/04/2026 10:00:00", "30/12/1899 06:00:00", "01/01/0026 10:00:00", "15/06/1850 18:30:00",
                           "10/13/2026 10:00:00", "10/10/2026 25:61:61", "00/10/2026 10:00:00", "06/12/2026",
                           "6/12/2026 7:05:09"};
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        DateTime quick = -1;
        ASSERT_TRUE(ReadHistoryTime(text, quick));
        EXPECT_EQ(quick, ParseDateTime(text, false));
    }
    DateTime t;
    EXPECT_FALSE(ReadHistoryTime("", t));
    EXPECT_FALSE(ReadHistoryTime("n/a", t));
    EXPECT_FALSE(ReadHistoryTime("Monday", t));
}

}  // namespace
}  // namespace nimbrel

// The graph window on the offscreen platform with the clock set: its look
// after loading, the stored choices each menu command leaves, the check
// marks, the 3D switch, and hiding versus unloading.
#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <set>

#include "GraphTestSupport.h"
#include "base/Clock.h"
#include "graph/frmGraph.h"

namespace nimbrel {
namespace {

using testing::HistoryGraphHost;

DateTime At(int y, int m, int d, int hh = 0, int nn = 0, int ss = 0) {
    return DateSerial(y, m, d) + TimeSerial(hh, nn, ss);
}

const char* const kTypes[] = {"mnBoth", "mnTempGraph", "mnHumidGraph"};
const char* const kFrames[] = {"mnAll", "mnDay", "mnWeek", "mnMonth", "mnSixMonths", "mnYear"};

class GraphWindow : public ::testing::Test {
protected:
    void SetUp() override {
        testing::EnsureApp();
        Make();
    }
    void TearDown() override {
        if (window) window->Unload();
        window.reset();
        testing::PumpFor(5);
    }
    void Make() {
        window = std::make_unique<frmGraph>(host);
        host.target = window.get();
        QObject::connect(window.get(), &frmGraph::HiddenByUser, [this] { host.shown = false; });
    }
    QAction& Item(const char* name) {
        QAction* a = window->MenuItem(name);
        EXPECT_NE(a, nullptr) << name;
        return *a;
    }
    void Choose(const char* name) { Item(name).trigger(); }
    // The items of a group that carry the check mark.
    std::vector<std::string> Checked(const char* const* names, size_t count) {
        std::vector<std::string> on;
        for (size_t i = 0; i < count; ++i)
            if (Item(names[i]).isChecked()) on.push_back(names[i]);
        return on;
    }
    std::vector<std::string> CheckedTypes() { return Checked(kTypes, 3); }
    std::vector<std::string> CheckedFrames() { return Checked(kFrames, 6); }
    const HistoryGraphHost::Call& LastCall() {
        EXPECT_FALSE(host.calls.empty());
        return host.calls.back();
    }
    std::string Title() { return window->txtTitle().text().toStdString(); }

    ScopedClock clock{At(2026, 12, 6, 10, 15)};
    HistoryGraphHost host;
    std::unique_ptr<frmGraph> window;
};

TEST_F(GraphWindow, LoadsWithItsCaptionMenusTitleStripAndChoicesWithoutDrawing) {
    EXPECT_EQ(window->windowTitle(), "Nimbrel - Graph");
    EXPECT_TRUE(host.calls.empty());
    EXPECT_EQ(Title(), "Title");
    EXPECT_FALSE(window->isVisible());

    std::vector<std::string> bar;
    // Texts compared without the & that marks each item's key.
    auto text = [](QAction* a) { return a->text().remove(QLatin1Char('&')).toStdString(); };
    for (QAction* a : window->menuBar()->actions()) bar.push_back(text(a));
    EXPECT_EQ(bar, (std::vector<std::string>{"Graph Type", "Time frame", "Capture", "Help"}));
    std::vector<std::string> types, frames;
    for (QAction* a : window->menuBar()->actions().at(0)->menu()->actions())
        types.push_back(a->isSeparator() ? "-" : text(a));
    for (QAction* a : window->menuBar()->actions().at(1)->menu()->actions()) frames.push_back(text(a));
    // Every menu and item has a key of its own within its menu, so the
    // window works from the keyboard alone.
    auto keysOf = [](const QList<QAction*>& actions) {
        std::set<QChar> keys;
        for (QAction* a : actions) {
            if (a->isSeparator()) continue;
            const qsizetype at = a->text().indexOf(QLatin1Char('&'));
            EXPECT_GE(at, 0) << a->text().toStdString();
            if (at >= 0) {
                EXPECT_TRUE(keys.insert(a->text().at(at + 1).toLower()).second) << a->text().toStdString();
            }
        }
    };
    keysOf(window->menuBar()->actions());
    for (QAction* a : window->menuBar()->actions())
        if (a->menu()) keysOf(a->menu()->actions());
    EXPECT_EQ(types, (std::vector<std::string>{"Temperature and Humidity", "Temperature", "Humidity", "-", "3D",
                                               "Show forecast"}));
    EXPECT_EQ(frames, (std::vector<std::string>{"All", "Last 24 hours", "Last Week", "Last Month", "Last Six Months",
                                                "Last Year"}));
    EXPECT_EQ(CheckedTypes(), (std::vector<std::string>{"mnBoth"}));
    EXPECT_EQ(CheckedFrames(), (std::vector<std::string>{"mnWeek"}));
    EXPECT_FALSE(Item("mn3D").isChecked());
    EXPECT_FALSE(Item("mnCapture").isCheckable());

    EXPECT_TRUE(window->blnShowBoth());
    EXPECT_TRUE(window->blnShowTemperature());
    EXPECT_TRUE(window->blnWholeDays());
    EXPECT_EQ(window->datFrameStart(), At(2026, 11, 29, 10, 15));
    EXPECT_EQ(window->mscTemp().ChartType(), kChartType2dLine);

    const QFont f = window->txtTitle().font();
    EXPECT_EQ(f.family(), "Arial");
    EXPECT_EQ(f.pointSize(), 9);
    EXPECT_TRUE(f.bold());
    EXPECT_EQ(window->txtTitle().alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
}

TEST_F(GraphWindow, FirstShownWithItsClientAreaFilledByTheChartUnderTheTitleStrip) {
    window->show();
    testing::PumpFor(20);
    const QWidget& client = window->ClientArea();
    EXPECT_EQ(client.size(), QSize(frmGraph::kClientWidth, frmGraph::kClientHeight));
    EXPECT_EQ(window->mscTemp().geometry(), QRect(0, 0, 428, 362));
    EXPECT_EQ(window->txtTitle().geometry(), QRect(0, 0, 428, 17));

    window->resize(700, 500);
    testing::PumpFor(20);
    EXPECT_EQ(window->mscTemp().geometry(), QRect(QPoint(0, 0), client.size()));
    EXPECT_EQ(window->txtTitle().geometry(), QRect(0, 0, client.width(), 17));

    // Resizing never draws the data again.
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(GraphWindow, RedrawsPassTheStoredChoicesWithTheFrameEndingNow) {
    window->DrawGraphWithCurrentSettings();
    const auto first = LastCall();
    EXPECT_TRUE(first.blnTemperature);
    EXPECT_TRUE(first.blnBothGraphs);
    EXPECT_EQ(first.datStart, At(2026, 11, 29, 10, 15));
    EXPECT_EQ(first.datEnd, At(2026, 12, 6, 10, 15));
    EXPECT_TRUE(first.blnAutoTime);
    EXPECT_EQ(Title(), "Temperature and Humidity : 29/11/2026 - 06/12/2026");

    clock.Set(At(2026, 12, 8, 0, 5));
    window->DrawGraphWithCurrentSettings();
    EXPECT_EQ(LastCall().datStart, At(2026, 11, 29, 10, 15));
    EXPECT_EQ(LastCall().datEnd, At(2026, 12, 8, 0, 5));
    EXPECT_EQ(window->datFrameEnd(), At(2026, 12, 8, 0, 5));
    EXPECT_EQ(Title(), "Temperature and Humidity : 29/11/2026 - 08/12/2026");
}

TEST_F(GraphWindow, LastDayStartsAtTheMomentOfTheCommandAndUsesExactTimes) {
    host.history = testing::HourlyHistory(At(2026, 12, 5, 9, 0), 30);
    Choose("mnDay");
    EXPECT_EQ(LastCall().datStart, At(2026, 12, 5, 10, 15));
    EXPECT_FALSE(LastCall().blnAutoTime);
    // Of the readings from 09:00 on the 5th to 14:00 on the 6th, 11:00 to 10:00 are inside.
    EXPECT_EQ(window->mscTemp().RowCount(), 24u);

    // Two later readings each redraw from the same start to their own time.
    for (int minutes : {5, 10}) {
        clock.Set(At(2026, 12, 6, 10, 15 + minutes));
        window->DrawGraphWithCurrentSettings();
        EXPECT_EQ(LastCall().datStart, At(2026, 12, 5, 10, 15));
        EXPECT_EQ(LastCall().datEnd, At(2026, 12, 6, 10, 15 + minutes));
        EXPECT_FALSE(LastCall().blnAutoTime);
    }
}

TEST_F(GraphWindow, TimeFrameCommandsComputeTheirStartOnceWithCalendarSteps) {
    struct Case {
        const char* item;
        DateTime now, start;
    };
    const Case cases[] = {
        {"mnAll", At(2026, 12, 6, 10, 15), DateSerial(1900, 1, 1)},
        {"mnWeek", At(2026, 12, 6, 10, 15), At(2026, 11, 29, 10, 15)},
        {"mnMonth", At(2027, 3, 31, 12, 0), At(2027, 2, 28, 12, 0)},
        {"mnMonth", At(2028, 3, 31, 12, 0), At(2028, 2, 29, 12, 0)},
        {"mnSixMonths", At(2026, 8, 31, 8, 30), At(2026, 2, 28, 8, 30)},
        {"mnYear", At(2028, 2, 29, 23, 0), At(2027, 2, 28, 23, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        clock.Set(c.now);
        Choose(c.item);
        EXPECT_EQ(window->datFrameStart(), c.start);
        EXPECT_TRUE(window->blnWholeDays());
        EXPECT_EQ(LastCall().datStart, c.start);
        EXPECT_EQ(LastCall().datEnd, c.now);
        // A day later the start stays where the command put it.
        clock.Set(c.now + 1);
        window->DrawGraphWithCurrentSettings();
        EXPECT_EQ(LastCall().datStart, c.start);
    }
}

TEST_F(GraphWindow, AllIncludesEveryStoredReading) {
    host.history = testing::History(
        {{"01/01/1900 00:00:00", "1", "10"}, {"15/06/1950 12:00:00", "2", "20"}, {"06/12/2026 10:00:00", "3", "30"}});
    Choose("mnAll");
    EXPECT_EQ(window->mscTemp().RowCount(), 3u);
    EXPECT_EQ(Title(), "Temperature and Humidity : 01/01/1900 - 06/12/2026");
}

TEST_F(GraphWindow, EachGroupKeepsOneCheckMarkAndNeverTouchesTheOther) {
    for (const char* frame : kFrames) {
        Choose(frame);
        EXPECT_EQ(CheckedFrames(), (std::vector<std::string>{frame}));
        EXPECT_EQ(CheckedTypes(), (std::vector<std::string>{"mnBoth"}));
    }
    for (const char* type : kTypes) {
        Choose(type);
        EXPECT_EQ(CheckedTypes(), (std::vector<std::string>{type}));
        EXPECT_EQ(CheckedFrames(), (std::vector<std::string>{"mnYear"}));
    }
    // Choosing the checked item again keeps its mark and redraws.
    const size_t before = host.calls.size();
    Choose("mnHumidGraph");
    EXPECT_EQ(CheckedTypes(), (std::vector<std::string>{"mnHumidGraph"}));
    EXPECT_EQ(host.calls.size(), before + 1);
    Choose("mn3D");
    EXPECT_EQ(CheckedTypes(), (std::vector<std::string>{"mnHumidGraph"}));
}

TEST_F(GraphWindow, BothSeriesKeepTheSingleSeriesChoiceUntilTemperatureIsChosen) {
    host.history = testing::HourlyHistory(At(2026, 12, 5), 24);
    Choose("mnHumidGraph");
    EXPECT_FALSE(LastCall().blnBothGraphs);
    EXPECT_FALSE(LastCall().blnTemperature);
    EXPECT_EQ(window->mscTemp().SeriesCount(), 1);
    EXPECT_EQ(Title(), "Humidity : 29/11/2026 - 06/12/2026");

    Choose("mnBoth");
    EXPECT_TRUE(LastCall().blnBothGraphs);
    EXPECT_FALSE(window->blnShowTemperature());
    EXPECT_EQ(window->mscTemp().SeriesCount(), 2);
    EXPECT_TRUE(window->mscTemp().ShowLegend());

    Choose("mnTempGraph");
    EXPECT_TRUE(window->blnShowTemperature());
    EXPECT_FALSE(window->blnShowBoth());
    EXPECT_EQ(Title(), "Temperature : 29/11/2026 - 06/12/2026");
    EXPECT_FALSE(window->mscTemp().ShowLegend());
}

TEST_F(GraphWindow, ThreeDimensionsSwitchTheChartTypeWithoutDrawingTheDataAgain) {
    host.history = testing::HourlyHistory(At(2026, 12, 1), 100);
    window->DrawGraphWithCurrentSettings();
    const auto grid = window->mscTemp().ChartData();
    const size_t calls = host.calls.size();

    Choose("mn3D");
    EXPECT_TRUE(Item("mn3D").isChecked());
    EXPECT_EQ(window->mscTemp().ChartType(), kChartType3dLine);
    Choose("mn3D");
    EXPECT_FALSE(Item("mn3D").isChecked());
    EXPECT_EQ(window->mscTemp().ChartType(), kChartType2dLine);
    Choose("mn3D");
    EXPECT_EQ(window->mscTemp().ChartType(), kChartType3dLine);

    EXPECT_EQ(host.calls.size(), calls);
    EXPECT_EQ(window->mscTemp().ChartData(), grid);
}

TEST_F(GraphWindow, TheUsersCloseHidesTheWindowAndShowingItAgainKeepsEverything) {
    host.history = testing::HourlyHistory(At(2026, 12, 5), 24);
    Choose("mnDay");
    Choose("mnTempGraph");
    Choose("mn3D");
    host.shown = true;
    window->show();
    testing::PumpFor(10);
    const std::string title = Title();
    const auto grid = window->mscTemp().ChartData();

    EXPECT_FALSE(window->close());  // the close box: refused, the window hides
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(host.shown);

    window->show();
    testing::PumpFor(10);
    EXPECT_EQ(CheckedFrames(), (std::vector<std::string>{"mnDay"}));
    EXPECT_EQ(CheckedTypes(), (std::vector<std::string>{"mnTempGraph"}));
    EXPECT_TRUE(Item("mn3D").isChecked());
    EXPECT_FALSE(window->blnWholeDays());
    EXPECT_FALSE(window->blnShowBoth());
    EXPECT_EQ(Title(), title);
    EXPECT_EQ(window->mscTemp().ChartData(), grid);
}

TEST_F(GraphWindow, TheProgramsUnloadClosesItForGood) {
    host.shown = true;
    window->show();
    testing::PumpFor(10);
    window->Unload();
    EXPECT_FALSE(window->isVisible());
    // The flag is the user's close only.
    EXPECT_TRUE(host.shown);
}

TEST_F(GraphWindow, TheChartIsRedrawnWhileTheWindowIsHidden) {
    host.history = testing::HourlyHistory(At(2026, 12, 5), 10);
    window->DrawGraphWithCurrentSettings();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->mscTemp().RowCount(), 10u);
    host.history.Add({"06/12/2026 10:10:00", "7", "70"});
    window->DrawGraphWithCurrentSettings();
    EXPECT_EQ(window->mscTemp().RowCount(), 11u);
}

// Whatever a history holds, however long its numbers, the open window draws
// the readings it can and leaves a gap for the others (the sanitizer build
// stops on any value converted out of range).
TEST_F(GraphWindow, HostileNumbersInTheHistoryAreGapsInTheOpenWindow) {
    const std::string huge(39, '9');
    host.history = testing::History({{"06/12/2026 01:00:00", "4", "70"},
                                     {"06/12/2026 02:00:00", huge, "71"},
                                     {"06/12/2026 03:00:00", "-" + huge, huge},
                                     {"06/12/2026 04:00:00", "1" + std::string(400, '0'), "-" + huge},
                                     {"06/12/2026 05:00:00", "5", "72"}});
    window->show();
    for (const char* type : {"mnBoth", "mnTempGraph", "mnHumidGraph"}) {
        for (bool threeD : {false, true}) {
            Choose(type);
            if (Item("mn3D").isChecked() != threeD) Choose("mn3D");
            testing::PumpFor(10);
            window->grab();
            const ChartControl& chart = window->mscTemp();
            EXPECT_EQ(chart.RowCount(), 5u) << type;
            EXPECT_EQ(chart.SeriesReadings(0), std::string(type) == "mnHumidGraph" ? 3u : 2u) << type;
            EXPECT_EQ(chart.SeriesGaps(0), std::string(type) == "mnHumidGraph" ? 2u : 3u) << type;
        }
    }
}

}  // namespace
}  // namespace nimbrel

namespace nimbrel {
namespace {

// The menus by keyboard alone: Alt and the key open a menu, the item's key
// chooses it, Escape closes a menu again.
TEST_F(GraphWindow, TheMenusWorkFromTheKeyboardAlone) {
    window->show();
    window->activateWindow();
    testing::PumpFor(20);
    QMenu* frames = Item("mnTimeFrame").menu();
    ASSERT_NE(frames, nullptr);
    QTest::keyClick(window.get(), Qt::Key_I, Qt::AltModifier);
    ASSERT_TRUE(testing::PumpUntil([&] { return frames->isVisible(); }, 2000));
    QTest::keyClick(frames, Qt::Key_2);
    testing::PumpUntil([&] { return !frames->isVisible(); }, 2000);
    EXPECT_EQ(CheckedFrames(), (std::vector<std::string>{"mnDay"}));

    QMenu* types = Item("mnGraphType").menu();
    QTest::keyClick(window.get(), Qt::Key_G, Qt::AltModifier);
    ASSERT_TRUE(testing::PumpUntil([&] { return types->isVisible(); }, 2000));
    QTest::keyClick(types, Qt::Key_Escape);
    EXPECT_TRUE(testing::PumpUntil([&] { return !types->isVisible(); }, 2000));
    EXPECT_EQ(CheckedTypes(), (std::vector<std::string>{"mnBoth"}));
}

}  // namespace
}  // namespace nimbrel

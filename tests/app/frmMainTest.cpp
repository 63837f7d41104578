// The main window on Qt's offscreen platform, against a real feed server on
// loopback and a real program folder; only the clock, the message boxes and
// the tray are fakes.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>
#include <fstream>
#include <sstream>

#include "AppTestSupport.h"
#include "app/frmMain.h"
#include "base/Clock.h"
#include "controls/ControlWidget.h"
#include "graph/frmGraph.h"

namespace nimbrel {
namespace {

using namespace apptest;
namespace fs = std::filesystem;

// Saturday 5 December 2026, 14:00:00.
DateTime Saturday14() {
    return DateSerial(2026, 12, 5) + TimeSerial(14, 0, 0);
}

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const fs::path& p, const std::string& text) {
    std::ofstream out(p, std::ios::binary);
    out << text;
}

std::string StoredSettings(const std::string& minutes) {
    const std::string crlf = "\r\n";
    return "<options>" + crlf + "<debug>0</debug>" + crlf + "</options>" + crlf + "<weather>" + crlf +
           "<last reading>sunny intervals,-3,71,05/12/2026 13:55:00</last reading>" + crlf +
           "<last times>05/12/2026 13:50:00,05/12/2026 13:55:00</last times>" + crlf +
           "<last humids>70,71</last humids>" + crlf + "<last temps>-2,-3</last temps>" + crlf +
           "<forecast>05/12/2026: sunny, 5->12\xC2\xB0"
           "C, H=80%, SR=07:50GMT, SS=15:55GMT" +
           crlf +
           "06/12/2026: light rain, 4->9\xC2\xB0"
           "C, H=90%, SR=07:51GMT, SS=15:54GMT" +
           crlf +
           "07/12/2026: heavy snow, -3->0\xC2\xB0"
           "C, H=95%, SR=07:53GMT, SS=15:54GMT</forecast>" +
           crlf + "<loc>3772</loc>" + crlf + "<minutes>" + minutes + "</minutes>" + crlf + "</weather>" + crlf;
}

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override { EnsureApp(); }
    void TearDown() override {
        form.reset();
        PumpFor(10);
    }

    frmMain& Start(const std::string& commandLine = "") {
        frmMain::Config c;
        c.folder = folder.Str();
        c.feedBaseUrl = server.BaseUrl();
        c.commandLine = commandLine;
        c.onEnded = [this] { ++ended; };
        form = std::make_unique<frmMain>(c);
        form->Form_Load();
        form->ShowFirst();
        return *form;
    }
    // Waits until n documents have been handled in all.
    bool WaitForFetches(int n, int timeoutMs = 8000) {
        return PumpUntil([&] { return form->FetchesDone() >= n && !form->FetchRunning(); }, timeoutMs);
    }
    std::string Text(QLabel& l) { return l.text().toStdString(); }

    ScopedClock clock{Saturday14()};
    TempFolder folder;
    FeedServer server;
    MessageRecorder messages;
    ScopedTray tray;
    std::unique_ptr<frmMain> form;
    int ended = 0;
};

TEST_F(MainWindow, StartsWithoutAFileShowingTheEmptyDisplayAndFetchingNothing) {
    frmMain& f = Start();
    EXPECT_EQ(f.windowTitle().toStdString(), "Nimbrel");
    EXPECT_EQ(f.size(), QSize(169, 97));
    EXPECT_TRUE(f.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE((f.windowFlags() & Qt::Tool) == Qt::Tool);
    EXPECT_TRUE(f.isVisible());
    // Tiles and dial in their places.
    EXPECT_EQ(f.TileWidget(0).geometry(), QRect(12, 0, 48, 36));
    EXPECT_EQ(f.TileWidget(1).geometry(), QRect(60, 0, 48, 36));
    EXPECT_EQ(f.TileWidget(2).geometry(), QRect(108, 0, 48, 36));
    EXPECT_EQ(f.TodayWidget().geometry(), QRect(0, 40, 48, 36));
    EXPECT_EQ(f.SunWidget().geometry(), QRect(56, 40, 62, 21));
    EXPECT_EQ(f.lblLastTime().geometry(), QRect(0, 80, 169, 17));
    EXPECT_EQ(f.SunTransit1().BackColour(), 0);

    EXPECT_EQ(Text(f.lblSunrise()), "??:??");
    EXPECT_EQ(Text(f.lblSunset()), "??:??");
    EXPECT_EQ(Text(f.lblHumidTitle()), "Humidity:");
    EXPECT_EQ(Text(f.lblHumid()), "100%");
    EXPECT_EQ(Text(f.lblLastTime()), "");
    EXPECT_EQ(f.MFC_Today().Title().Caption(), "");
    EXPECT_FALSE(f.MFC_Today().HasPicture());
    for (int i = 0; i < 3; ++i) EXPECT_EQ(f.MiniFC(i).TempCaption(), "");
    EXPECT_EQ(f.mnRestore().text().toStdString(), "Send to system tray");
    EXPECT_EQ(f.Store().UpdateMinutes, 5);
    EXPECT_EQ(f.Urls().ObservationUrl, server.BaseUrl() + "/weather/feeds/rss/obs/id/1769.xml");

    // All three timers run at one minute; the graph window is ready, hidden.
    for (QTimer* t : {&f.tmrSun(), &f.tmrWeather(), &f.tmrForecast()}) {
        EXPECT_TRUE(t->isActive());
        EXPECT_EQ(t->interval(), 60000);
    }
    ASSERT_NE(f.GraphWindow(), nullptr);
    EXPECT_FALSE(f.GraphWindow()->isVisible());
    PumpFor(200);
    EXPECT_EQ(server.ObservationRequests() + server.ForecastRequests(), 0);
    EXPECT_FALSE(fs::exists(folder.Settings()));
}

TEST_F(MainWindow, StartsFromAStoredFileShowingReadingForecastAndSunTimes) {
    WriteFile(folder.Settings(), StoredSettings("10"));
    clock.Set(DateSerial(2026, 12, 8) + TimeSerial(9, 0, 0));  // read back on the Tuesday
    frmMain& f = Start();
    EXPECT_EQ(f.Store().UpdateMinutes, 10);
    EXPECT_EQ(f.Urls().ForecastUrl, server.BaseUrl() + "/weather/feeds/rss/5day/id/3772.xml");
    EXPECT_EQ(f.MFC_Today().Title().Caption(), "Now");
    EXPECT_EQ(f.MFC_Today().TempCaption(),
              "-3\xC2\xB0"
              "C");
    EXPECT_EQ(f.MFC_Today().ShownWeather(), controls::Weather::SunnyIntervals);
    EXPECT_EQ(Text(f.lblHumid()), "71%");
    EXPECT_EQ(Text(f.lblLastTime()), "Last update: 05/12/2026 13:55:00");

    const char* captions[] = {"Sat", "Sun", "Mon"};
    const char* temps[] = {
        "8\xC2\xB0"
        "C",
        "6\xC2\xB0"
        "C",
        "-2\xC2\xB0"
        "C"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(f.MiniFC(i).Title().Caption(), captions[i]);
        EXPECT_EQ(f.MiniFC(i).TempCaption(), temps[i]);
        EXPECT_EQ(f.TileWidget(i).toolTip().toStdString(), f.TileToolTip(i));
    }
    EXPECT_EQ(f.MiniFC(2).ShownWeather(), controls::Weather::HeavySnow);
    EXPECT_EQ(f.TileToolTip(1),
              "06/12/2026: light rain, 4->9\xC2\xB0"
              "C, H=90%, SR=07:51GMT, SS=15:54GMT");
    EXPECT_EQ(Text(f.lblSunrise()), "07:50");
    EXPECT_EQ(Text(f.lblSunset()), "15:55");
    EXPECT_DOUBLE_EQ(f.SunTransit1().SunUp(), TimeSerial(7, 50, 0));
    EXPECT_DOUBLE_EQ(f.SunTransit1().SunDown(), TimeSerial(15, 55, 0));
    // The surfaces really hold the pictures the window paints.
    QImage today = f.TodayWidget().SurfaceImage();
    ASSERT_FALSE(today.isNull());
    EXPECT_EQ(today.size(), QSize(48, 36));
}

TEST_F(MainWindow, FetchesTheObservationEveryFifthTickAndSavesEveryFifteenth) {
    frmMain& f = Start();
    for (int i = 0; i < 4; ++i) f.tmrWeather_Timer();
    PumpFor(100);
    EXPECT_EQ(server.ObservationRequests(), 0);
    f.tmrWeather_Timer();
    ASSERT_TRUE(WaitForFetches(1));
    EXPECT_EQ(server.ObservationRequests(), 1);
    EXPECT_EQ(f.WeatherTicks(), 0);
    EXPECT_EQ(f.MFC_Today().Title().Caption(), "Now");
    EXPECT_EQ(f.MFC_Today().TempCaption(),
              "12\xC2\xB0"
              "C");
    EXPECT_EQ(f.MFC_Today().ShownWeather(), controls::Weather::Sunny);
    EXPECT_EQ(Text(f.lblHumid()), "66%");
    EXPECT_EQ(Text(f.lblLastTime()), "Last update: 05/12/2026 14:00:00");
    EXPECT_EQ(f.Store().TempHistory, "12");

    for (int i = 0; i < 14; ++i) f.tmrSun_Timer();
    EXPECT_FALSE(fs::exists(folder.Settings()));
    f.tmrSun_Timer();
    EXPECT_EQ(f.SunTicks(), 0);
    ASSERT_TRUE(fs::exists(folder.Settings()));
    EXPECT_NE(ReadFile(folder.Settings()).find("<last reading>Sunny,12,66,05/12/2026 14:00:00</last reading>"),
              std::string::npos);

    // The forecast timer fetches on its 30th tick.
    for (int i = 0; i < 29; ++i) f.tmrForecast_Timer();
    PumpFor(50);
    EXPECT_EQ(server.ForecastRequests(), 0);
    f.tmrForecast_Timer();
    ASSERT_TRUE(WaitForFetches(2));
    EXPECT_EQ(server.ForecastRequests(), 1);
    EXPECT_EQ(f.MiniFC(1).Title().Caption(), "Sun");
}

TEST_F(MainWindow, StoredMinutesOfOneOrZeroFetchOnEveryTick) {
    for (const char* minutes : {"1", "0"}) {
        SCOPED_TRACE(minutes);
        WriteFile(folder.Settings(), StoredSettings(minutes));
        const int before = server.ObservationRequests();
        frmMain& f = Start();
        f.tmrWeather_Timer();
        ASSERT_TRUE(WaitForFetches(1));
        f.tmrWeather_Timer();
        ASSERT_TRUE(WaitForFetches(2));
        EXPECT_EQ(server.ObservationRequests() - before, 2);
        form.reset();
    }
}

TEST_F(MainWindow, BothUpdateCommandsTwiceInARowFetchInTheOrderAsked) {
    frmMain& f = Start();
    f.tmrWeather_Timer();
    f.tmrWeather_Timer();
    server.SetDelayMs(150);
    f.mnUpdateCurrent_Click();
    f.mnUpdateCurrent_Click();
    f.mnUpdateForecast_Click();
    f.mnUpdateForecast_Click();
    EXPECT_TRUE(f.FetchRunning());
    EXPECT_EQ(f.FetchesWaiting(), 3u);
    ASSERT_TRUE(WaitForFetches(4));
    EXPECT_EQ(server.Log(), (std::vector<std::string>{"obs", "obs", "5day", "5day"}));
    EXPECT_TRUE(f.FetchingForecast());
    // The commands do not reset the tick counter: the regular fetch still
    // comes on the fifth tick.
    EXPECT_EQ(f.WeatherTicks(), 2);
    f.tmrWeather_Timer();
    f.tmrWeather_Timer();
    PumpFor(50);
    EXPECT_EQ(server.ObservationRequests(), 2);
    f.tmrWeather_Timer();
    ASSERT_TRUE(WaitForFetches(5));
    EXPECT_EQ(server.ObservationRequests(), 3);
    // Two equal readings: the history keeps the first and the last of the run.
    EXPECT_EQ(f.Store().TempHistory, "12,12");
}

TEST_F(MainWindow, CloseButtonSendsToTheTrayAndTheIconBringsItBack) {
    frmMain& f = Start();
    f.close();
    EXPECT_FALSE(f.Unloaded());
    EXPECT_TRUE(blnIconShown());
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(f.mnRestore().text().toStdString(), "Restore");
    ASSERT_EQ(tray.tray().calls.size(), 1u);
    EXPECT_EQ(tray.tray().calls[0].first, NIM_ADD);
    EXPECT_EQ(tray.tray().calls[0].second.szTip, "Nimbrel");
    EXPECT_EQ(tray.tray().calls[0].second.uCallbackMessage, 512u);

    // Messages other than the three of the table do nothing.
    tray.tray().Deliver(WM_MBUTTONUP);
    tray.tray().Deliver(WM_MOUSEMOVE);
    EXPECT_TRUE(blnIconShown());
    EXPECT_FALSE(f.mnSysTray().isVisible());

    // A right click opens the menu with "Restore" in bold.
    tray.tray().Deliver(WM_RBUTTONUP);
    EXPECT_TRUE(f.mnSysTray().isVisible());
    EXPECT_EQ(f.mnSysTray().defaultAction(), &f.mnRestore());
    EXPECT_TRUE(f.mnRestore().font().bold());
    f.mnSysTray().hide();

    // A left click brings the window back and removes the icon.
    tray.tray().Deliver(WM_LBUTTONUP);
    EXPECT_FALSE(blnIconShown());
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.mnRestore().text().toStdString(), "Send to system tray");
    ASSERT_EQ(tray.tray().calls.size(), 2u);
    EXPECT_EQ(tray.tray().calls[1].first, NIM_DELETE);

    // While visible, mouse moves do nothing; a double click from the tray
    // restores too.
    f.Form_MouseMove(514 * 15);
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(tray.tray().calls.size(), 2u);
    f.close();
    tray.tray().Deliver(WM_LBUTTONDBLCLK);
    EXPECT_TRUE(f.isVisible());
    EXPECT_FALSE(blnIconShown());

    // The menu opened from the window has no bold item.
    f.ShowTrayMenu();
    EXPECT_EQ(f.mnSysTray().defaultAction(), nullptr);
    EXPECT_FALSE(f.mnRestore().font().bold());
    f.mnSysTray().hide();
    EXPECT_EQ(ended, 0);
}

TEST_F(MainWindow, AWordContainingTrayStartsInTheTray) {
    frmMain& f = Start("-Tray");
    EXPECT_TRUE(blnIconShown());
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(f.mnRestore().text().toStdString(), "Restore");
    f.mnRestore_Click();
    EXPECT_TRUE(f.isVisible());
    EXPECT_FALSE(blnIconShown());
}

TEST_F(MainWindow, WithoutANotificationAreaTheWindowIsMinimisedAndTheUserToldOnce) {
    tray.tray().available = false;
    frmMain& f = Start();
    f.close();
    EXPECT_TRUE(blnIconShown());
    EXPECT_TRUE(f.isVisible());
    EXPECT_TRUE(f.isMinimized());
    EXPECT_FALSE((f.windowFlags() & Qt::Tool) == Qt::Tool);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].caption, "Nimbrel");
    f.mnRestore_Click();
    EXPECT_FALSE(f.isMinimized());
    EXPECT_TRUE((f.windowFlags() & Qt::Tool) == Qt::Tool);
    f.close();
    f.mnRestore_Click();
    EXPECT_EQ(messages.messages.size(), 1u);
}

TEST_F(MainWindow, ExitSavesUnloadsTheGraphWindowAndEnds) {
    frmMain& f = Start();
    f.ShowGraphWindow();
    ASSERT_TRUE(f.GraphWindow()->isVisible());
    f.close();  // in the tray: the exit removes the icon
    ASSERT_TRUE(blnIconShown());
    f.mnExit_Click();
    EXPECT_TRUE(f.Unloaded());
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(blnIconShown());
    EXPECT_FALSE(f.GraphWindow()->isVisible());
    const std::string saved = ReadFile(folder.Settings());
    EXPECT_EQ(saved.rfind("<options>\r\n<debug>0</debug>\r\n</options>\r\n<weather>\r\n", 0), 0u);
    EXPECT_NE(saved.find("<minutes>5</minutes>"), std::string::npos);
    // Nothing more is fetched once unloaded.
    f.mnUpdateCurrent_Click();
    PumpFor(100);
    EXPECT_EQ(server.ObservationRequests(), 0);
}

TEST_F(MainWindow, GraphWindowCommandShowsItOnceAndAgainAfterItWasClosed) {
    frmMain& f = Start();
    frmGraph* g = f.GraphWindow();
    ASSERT_NE(g, nullptr);
    f.mnShowGraph_Click();
    EXPECT_TRUE(g->isVisible());
    EXPECT_TRUE(f.blnGraphShow());
    g->move(300, 300);
    f.mnShowGraph_Click();
    EXPECT_EQ(g->pos(), QPoint(300, 300));
    g->close();
    PumpFor(20);
    EXPECT_FALSE(g->isVisible());
    EXPECT_FALSE(f.blnGraphShow());
    f.mnShowGraph_Click();
    EXPECT_TRUE(g->isVisible());

    // Each new observation redraws the chart.
    const size_t rows = g->mscTemp().RowCount();
    f.mnUpdateCurrent_Click();
    ASSERT_TRUE(WaitForFetches(1));
    EXPECT_EQ(g->mscTemp().RowCount(), rows + 1);
}

TEST_F(MainWindow, ClicksOpenTheMenuOrTheForecastMessage) {
    WriteFile(folder.Settings(), StoredSettings("5"));
    frmMain& f = Start();
    auto click = [](QWidget& w, QPoint at) {
        QPointF local(at), global(w.mapToGlobal(at));
        QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&w, &press);
        QApplication::sendEvent(&w, &release);
    };
    // A forecast tile's picture: the forecast message, no menu.
    click(f.TileWidget(1), QPoint(30, 10));
    EXPECT_FALSE(f.mnSysTray().isVisible());
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].caption, "Sunday 06 Dec 2026 forecast");
    EXPECT_EQ(messages.messages[0].icon, MsgIcon::Information);
    EXPECT_EQ(messages.messages[0].text,
              "Light Rain\r\nMin Temp: 4\xC2\xB0"
              "C\r\nMax Temp: 9\xC2\xB0"
              "C\r\nHumidity: 90%\r\n"
              "Sunrise: 07:51GMT\r\nSunset: 15:54GMT");
    // The today tile, a label and the background: the menu.
    click(f.TodayWidget(), QPoint(30, 10));
    EXPECT_TRUE(f.mnSysTray().isVisible());
    f.mnSysTray().hide();
    click(f.lblHumid(), QPoint(5, 5));
    EXPECT_TRUE(f.mnSysTray().isVisible());
    f.mnSysTray().hide();
    click(f, QPoint(160, 45));
    EXPECT_TRUE(f.mnSysTray().isVisible());
    f.mnSysTray().hide();
    // The dial: its summary.
    click(f.SunWidget(), QPoint(30, 10));
    ASSERT_EQ(messages.messages.size(), 2u);
    EXPECT_EQ(messages.messages[1].caption, "Sun Transit Summary");
    EXPECT_EQ(messages.messages[1].text, "Sunrise was 6h 10m ago\r\nSunset is in 1h 55m");

    // The menu's captions, in order.
    std::vector<std::string> captions;
    for (QAction* a : f.mnSysTray().actions()) captions.push_back(a->isSeparator() ? "-" : a->text().toStdString());
    EXPECT_EQ(captions,
              (std::vector<std::string>{"Cancel", "Update current data", "Update forecast", "-", "Send to system tray",
                                        "Show graph window", "Preferences\xE2\x80\xA6", "-", "Exit Nimbrel"}));
}

TEST_F(MainWindow, ASlowOrDeadFeedServerLeavesTheWindowPaintingAndChangesNothing) {
    frmMain& f = Start();
    server.SetDelayMs(1500);
    f.mnUpdateCurrent_Click();
    f.mnUpdateForecast_Click();
    ASSERT_TRUE(f.FetchRunning());
    // While the first fetch waits, the window repaints and answers.
    const int paints = f.TodayWidget().PaintCount();
    for (int i = 0; i < 3; ++i) {
        f.TodayWidget().repaint();
        PumpFor(50);
    }
    EXPECT_GT(f.TodayWidget().PaintCount(), paints);
    EXPECT_TRUE(f.FetchRunning());
    f.tmrSun_Timer();  // a tick during the fetch runs at once
    EXPECT_EQ(f.SunTicks(), 1);
    ASSERT_TRUE(WaitForFetches(2, 10000));
    EXPECT_EQ(f.MiniFC(0).Title().Caption(), "Sat");
    EXPECT_EQ(f.MFC_Today().TempCaption(),
              "12\xC2\xB0"
              "C");

    // A server that is gone: nothing changes, the program goes on.
    frmMain::Config c;
    c.folder = folder.Str();
    c.feedBaseUrl = "http://127.0.0.1:1";
    c.onEnded = [] {};
    frmMain dead(c);
    dead.Form_Load();
    dead.mnUpdateCurrent_Click();
    ASSERT_TRUE(PumpUntil([&] { return dead.FetchesDone() == 1; }, 10000));
    EXPECT_EQ(dead.lblLastTime().text().toStdString(), "");
    EXPECT_EQ(dead.Store().TempHistory, "");
}

}  // namespace
}  // namespace nimbrel

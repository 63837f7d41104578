// The main window on Qt's offscreen platform, against a real feed server on
// loopback and a real program folder; only the clock, the message boxes and
// the tray are fakes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>
#include <cstdlib>
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
        form->Load();
        form->ShowFirst();
        return *form;
    }
    // Waits until n documents have been handled in all.
    bool WaitForFetches(int n, int timeoutMs = 8000) {
        return PumpUntil([&] { return form->Fetches().Handled() >= n && !form->Fetches().Running(); }, timeoutMs);
    }
    // The regular save ends on a thread of its own; its outcome comes back
    // through the event loop.
    bool WaitForSave(frmMain& f) {
        return PumpUntil([&] { return !f.State().Store().SavePending(); });
    }
    // What the window shows, found by the names its pieces carry.
    template <typename T>
    T& Find(const char* name) {
        T* found = form->findChild<T*>(QString::fromUtf8(name));
        if (!found) throw std::runtime_error(std::string("no ") + name);
        return *found;
    }
    QLabel& Label(const char* name) { return Find<QLabel>(name); }
    std::string Text(const char* name) { return Label(name).text().toStdString(); }
    std::string Text(QLabel& l) { return l.text().toStdString(); }
    ControlWidget& Widget(const std::string& name) { return Find<ControlWidget>(name.c_str()); }
    ControlWidget& TileWidget(int i) { return Widget("MiniFC" + std::to_string(i)); }
    controls::MiniForecast& Tile(int i) { return dynamic_cast<controls::MiniForecast&>(TileWidget(i).Control()); }
    controls::MiniForecast& Today() { return dynamic_cast<controls::MiniForecast&>(Widget("MFC_Today").Control()); }
    controls::SunTransit& Sun() { return dynamic_cast<controls::SunTransit&>(Widget("SunTransit1").Control()); }
    QMenu& Menu() { return Find<QMenu>("mnSysTray"); }
    QAction& Restore() { return Find<QAction>("mnRestore"); }
    // An item's text without the & that marks its key.
    static std::string Caption(const QAction& a) { return QString(a.text()).remove(QLatin1Char('&')).toStdString(); }
    // The graph window, a window of its own.
    frmGraph* Graph() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* g = dynamic_cast<frmGraph*>(w)) return g;
        return nullptr;
    }
    std::string Saved() { return ReadFile(folder.Settings()); }
    // The text of the notice that does not wait for the user, empty when
    // none is shown.
    std::string Notice() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->objectName() == "notice" && box->isVisible())
                return box->text().toStdString();
        return {};
    }
    void CloseNotice() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == "notice") w->close();
        PumpFor(10);
    }
    std::string Tip() { return form->toolTip().toStdString(); }
    std::string Host() { return server.BaseUrl().substr(7); }
    // n ticks of the observation timer, and the fetch they start handled.
    void WeatherTicks(int n) {
        const int before = form->Fetches().Handled();
        for (int i = 0; i < n; ++i) form->OnWeatherTick();
        ASSERT_TRUE(WaitForFetches(before + 1));
    }

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
    EXPECT_EQ(TileWidget(0).geometry(), QRect(12, 0, 48, 36));
    EXPECT_EQ(TileWidget(1).geometry(), QRect(60, 0, 48, 36));
    EXPECT_EQ(TileWidget(2).geometry(), QRect(108, 0, 48, 36));
    EXPECT_EQ(Widget("MFC_Today").geometry(), QRect(0, 40, 48, 36));
    EXPECT_EQ(Widget("SunTransit1").geometry(), QRect(56, 40, 62, 21));
    EXPECT_EQ(Label("lblLastTime").geometry(), QRect(0, 80, 169, 17));
    EXPECT_EQ(Sun().BackColour(), 0);

    EXPECT_EQ(Text("lblSunrise"), "??:??");
    EXPECT_EQ(Text("lblSunset"), "??:??");
    EXPECT_EQ(Text("lblHumidTitle"), "Humidity:");
    // No humidity has been read: the label shows no number.
    EXPECT_EQ(Text("lblHumid"), "%");
    // The last line says what the window waits for.
    EXPECT_EQ(Text("lblLastTime"), "Waiting for the first reading\xE2\x80\xA6");
    EXPECT_EQ(Today().Title().Caption(), "");
    EXPECT_FALSE(Today().HasPicture());
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Tile(i).TempCaption(), "");
    EXPECT_EQ(Caption(Restore()), "Send to system tray");

    // All three timers run at one minute; the graph window is made only
    // when it is first opened.
    for (QTimer* t : {&Find<QTimer>("tmrSun"), &Find<QTimer>("tmrWeather"), &Find<QTimer>("tmrForecast")}) {
        EXPECT_TRUE(t->isActive());
        EXPECT_EQ(t->interval(), 60000);
    }
    EXPECT_EQ(Graph(), nullptr);
    PumpFor(200);
    EXPECT_EQ(server.ObservationRequests() + server.ForecastRequests(), 0);
    EXPECT_FALSE(fs::exists(folder.Settings()));
    // Location 1769, every five minutes.
    f.UpdateCurrent();
    ASSERT_TRUE(WaitForFetches(1));
    EXPECT_EQ(server.Paths(), std::vector<std::string>{"/weather/feeds/rss/obs/id/1769.xml"});
    f.Exit();
    EXPECT_NE(Saved().find("<minutes>5</minutes>"), std::string::npos);
}

TEST_F(MainWindow, StartsFromAStoredFileShowingReadingForecastAndSunTimes) {
    WriteFile(folder.Settings(), StoredSettings("10"));
    clock.Set(DateSerial(2026, 12, 8) + TimeSerial(9, 0, 0));  // read back on the Tuesday
    frmMain& f = Start();
    EXPECT_EQ(Today().Title().Caption(), "Now");
    EXPECT_EQ(Today().TempCaption(),
              "-3\xC2\xB0"
              "C");
    EXPECT_EQ(Today().ShownWeather(), controls::Weather::SunnyIntervals);
    EXPECT_EQ(Text("lblHumid"), "71%");
    // Read three days later: the reading's age, dimmed, and so are the tiles
    // of a forecast from that Saturday.
    EXPECT_EQ(Text("lblLastTime"), "Last update: 05/12/2026 13:55 (2 days ago)");
    EXPECT_EQ(Label("lblLastTime").palette().color(QPalette::WindowText), QColor(128, 128, 128));
    for (int i = 0; i < 3; ++i) EXPECT_NE(TileWidget(i).graphicsEffect(), nullptr);

    const char* captions[] = {"Sat", "Sun", "Mon"};
    const char* temps[] = {
        "8\xC2\xB0"
        "C",
        "6\xC2\xB0"
        "C",
        "-2\xC2\xB0"
        "C"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Tile(i).Title().Caption(), captions[i]);
        EXPECT_EQ(Tile(i).TempCaption(), temps[i]);
    }
    EXPECT_EQ(Tile(2).ShownWeather(), controls::Weather::HeavySnow);
    EXPECT_EQ(TileWidget(1).toolTip().toStdString(),
              "06/12/2026: light rain, 4->9\xC2\xB0"
              "C, H=90%, SR=07:51GMT, SS=15:54GMT\nSunrise 07:51, sunset 15:54.");
    EXPECT_EQ(Text("lblSunrise"), "07:50");
    EXPECT_EQ(Text("lblSunset"), "15:55");
    EXPECT_DOUBLE_EQ(Sun().SunUp(), TimeSerial(7, 50, 0));
    EXPECT_DOUBLE_EQ(Sun().SunDown(), TimeSerial(15, 55, 0));
    // The surfaces really hold the pictures the window paints.
    QImage today = Widget("MFC_Today").SurfaceImage();
    ASSERT_FALSE(today.isNull());
    EXPECT_EQ(today.size(), QSize(48, 36));

    // Location 3772, every ten minutes.
    for (int i = 0; i < 9; ++i) f.OnWeatherTick();
    PumpFor(50);
    EXPECT_EQ(server.ObservationRequests(), 0);
    f.OnWeatherTick();
    f.UpdateForecast();
    ASSERT_TRUE(WaitForFetches(2));
    EXPECT_EQ(server.Paths(),
              (std::vector<std::string>{"/weather/feeds/rss/obs/id/3772.xml", "/weather/feeds/rss/5day/id/3772.xml"}));
}

// A folder whose path leaves no room for the file's temporary name: told at
// start, not only when the save at the end fails.
TEST_F(MainWindow, AFolderNoSaveCanReachIsToldAtStart) {
    std::string deep = folder.Str();
    while (deep.size() < 4080) deep.append("/").append(std::min<size_t>(200, 4080 - deep.size()), 'd');
    std::filesystem::create_directories(deep);
    frmMain::Config c;
    c.folder = deep;
    c.feedBaseUrl = server.BaseUrl();
    c.onEnded = [this] { ++ended; };
    form = std::make_unique<frmMain>(c);
    form->Load();
    EXPECT_NE(Notice().find("Nimbrel cannot save its readings in " + deep), std::string::npos) << Notice();
    EXPECT_NE(Notice().find("File name too long"), std::string::npos) << Notice();
}

TEST_F(MainWindow, FetchesTheObservationEveryFifthTickAndSavesEveryFifteenth) {
    frmMain& f = Start();
    for (int i = 0; i < 4; ++i) f.OnWeatherTick();
    PumpFor(100);
    EXPECT_EQ(server.ObservationRequests(), 0);
    f.OnWeatherTick();
    ASSERT_TRUE(WaitForFetches(1));
    EXPECT_EQ(server.ObservationRequests(), 1);
    EXPECT_EQ(Today().Title().Caption(), "Now");
    EXPECT_EQ(Today().TempCaption(),
              "12\xC2\xB0"
              "C");
    EXPECT_EQ(Today().ShownWeather(), controls::Weather::Sunny);
    EXPECT_EQ(Text("lblHumid"), "66%");
    EXPECT_EQ(Text("lblLastTime"), "Last update: 05/12/2026 14:00:00");

    for (int i = 0; i < 14; ++i) f.OnSunTick();
    EXPECT_FALSE(fs::exists(folder.Settings()));
    f.OnSunTick();
    ASSERT_TRUE(WaitForSave(f));
    ASSERT_TRUE(fs::exists(folder.Settings()));
    EXPECT_NE(Saved().find("<last reading>Sunny,12,66,05/12/2026 14:00:00</last reading>"), std::string::npos);
    EXPECT_NE(Saved().find("<last temps>12</last temps>"), std::string::npos);
    // The next save comes fifteen ticks later.
    fs::remove(folder.Settings());
    for (int i = 0; i < 14; ++i) f.OnSunTick();
    EXPECT_FALSE(fs::exists(folder.Settings()));
    f.OnSunTick();
    ASSERT_TRUE(WaitForSave(f));
    EXPECT_TRUE(fs::exists(folder.Settings()));

    // The forecast timer fetches on its 30th tick.
    for (int i = 0; i < 29; ++i) f.OnForecastTick();
    PumpFor(50);
    EXPECT_EQ(server.ForecastRequests(), 0);
    f.OnForecastTick();
    ASSERT_TRUE(WaitForFetches(2));
    EXPECT_EQ(server.ForecastRequests(), 1);
    EXPECT_EQ(Tile(1).Title().Caption(), "Sun");
}

TEST_F(MainWindow, StoredMinutesOfOneOrZeroFetchOnEveryTick) {
    for (const char* minutes : {"1", "0"}) {
        SCOPED_TRACE(minutes);
        WriteFile(folder.Settings(), StoredSettings(minutes));
        const int before = server.ObservationRequests();
        frmMain& f = Start();
        f.OnWeatherTick();
        ASSERT_TRUE(WaitForFetches(1));
        f.OnWeatherTick();
        ASSERT_TRUE(WaitForFetches(2));
        EXPECT_EQ(server.ObservationRequests() - before, 2);
        form.reset();
    }
}

TEST_F(MainWindow, BothUpdateCommandsTwiceInARowFetchInTheOrderAsked) {
    frmMain& f = Start();
    f.OnWeatherTick();
    f.OnWeatherTick();
    server.SetDelayMs(150);
    f.UpdateCurrent();
    f.UpdateCurrent();
    f.UpdateForecast();
    f.UpdateForecast();
    // One at a time: the others wait for the first, which the server holds.
    ASSERT_TRUE(apptest::PumpUntil([&] { return !server.Log().empty(); }, 5000));
    PumpFor(20);
    EXPECT_EQ(server.Log().size(), 1u);
    ASSERT_TRUE(WaitForFetches(4));
    EXPECT_EQ(server.Log(), (std::vector<std::string>{"obs", "obs", "5day", "5day"}));
    // The commands do not reset the tick counter: the regular fetch still
    // comes on the fifth tick.
    f.OnWeatherTick();
    f.OnWeatherTick();
    PumpFor(50);
    EXPECT_EQ(server.ObservationRequests(), 2);
    f.OnWeatherTick();
    ASSERT_TRUE(WaitForFetches(5));
    EXPECT_EQ(server.ObservationRequests(), 3);
    // Two equal readings: the history keeps the first and the last of the run.
    f.Exit();
    EXPECT_NE(Saved().find("<last temps>12,12</last temps>"), std::string::npos);
}

TEST_F(MainWindow, CloseButtonSendsToTheTrayAndTheIconBringsItBack) {
    frmMain& f = Start();
    f.close();
    EXPECT_FALSE(f.Unloaded());
    EXPECT_TRUE(blnIconShown());
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(Caption(Restore()), "Restore");
    ASSERT_EQ(tray.tray().calls.size(), 1u);
    EXPECT_EQ(tray.tray().calls[0].first, NIM_ADD);
    EXPECT_EQ(tray.tray().calls[0].second.szTip, "Nimbrel");

    // The middle button does nothing.
    tray.tray().Deliver(TrayClick::Middle);
    EXPECT_TRUE(blnIconShown());
    EXPECT_FALSE(Menu().isVisible());

    // A right click opens the menu with "Restore" in bold.
    tray.tray().Deliver(TrayClick::Context);
    EXPECT_TRUE(Menu().isVisible());
    EXPECT_EQ(Menu().defaultAction(), &Restore());
    EXPECT_TRUE(Restore().font().bold());
    Menu().hide();

    // A left click brings the window back and removes the icon.
    tray.tray().Deliver(TrayClick::Click);
    EXPECT_FALSE(blnIconShown());
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(Caption(Restore()), "Send to system tray");
    ASSERT_EQ(tray.tray().calls.size(), 2u);
    EXPECT_EQ(tray.tray().calls[1].first, NIM_DELETE);

    // While visible, mouse moves do nothing; a double click from the tray
    // restores too.
    {
        QMouseEvent move(QEvent::MouseMove, QPointF(34, 5), f.mapToGlobal(QPointF(34, 5)), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(&f, &move);
    }
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(tray.tray().calls.size(), 2u);
    f.close();
    tray.tray().Deliver(TrayClick::DoubleClick);
    EXPECT_TRUE(f.isVisible());
    EXPECT_FALSE(blnIconShown());

    // The menu opened from the window has no bold item.
    f.ShowTrayMenu();
    EXPECT_EQ(Menu().defaultAction(), nullptr);
    EXPECT_FALSE(Restore().font().bold());
    Menu().hide();
    EXPECT_EQ(ended, 0);
}

TEST_F(MainWindow, AWordContainingTrayStartsInTheTray) {
    frmMain& f = Start("-Tray");
    EXPECT_TRUE(blnIconShown());
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(Caption(Restore()), "Restore");
    f.ToggleTray();
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
    f.ToggleTray();
    EXPECT_FALSE(f.isMinimized());
    EXPECT_TRUE((f.windowFlags() & Qt::Tool) == Qt::Tool);
    f.close();
    f.ToggleTray();
    EXPECT_EQ(messages.messages.size(), 1u);
}

TEST_F(MainWindow, ExitSavesUnloadsTheGraphWindowAndEnds) {
    frmMain& f = Start();
    f.ShowGraphWindow();
    ASSERT_TRUE(Graph()->isVisible());
    f.close();  // in the tray: the exit removes the icon
    ASSERT_TRUE(blnIconShown());
    f.Exit();
    EXPECT_TRUE(f.Unloaded());
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(blnIconShown());
    EXPECT_FALSE(Graph()->isVisible());
    const std::string saved = Saved();
    EXPECT_EQ(saved.rfind("<options>\r\n<debug>0</debug>\r\n</options>\r\n<weather>\r\n", 0), 0u);
    EXPECT_NE(saved.find("<minutes>5</minutes>"), std::string::npos);
    // Nothing more is fetched once unloaded.
    f.UpdateCurrent();
    PumpFor(100);
    EXPECT_EQ(server.ObservationRequests(), 0);
}

TEST_F(MainWindow, GraphWindowCommandShowsItOnceAndAgainAfterItWasClosed) {
    frmMain& f = Start();
    const DateTime started = Now();
    // Opened days after the start, the window is made then, with what a
    // window made at start-up would hold: the frame from a week before the
    // start to the last reading, and a reading that arrived meanwhile.
    clock.Advance(2.5);
    f.UpdateCurrent();
    ASSERT_TRUE(WaitForFetches(1));
    const DateTime reading = Now();
    clock.Advance(0.25);
    ASSERT_EQ(Graph(), nullptr);
    f.ShowGraphWindow();
    frmGraph* g = Graph();
    ASSERT_NE(g, nullptr);
    EXPECT_TRUE(g->isVisible());
    EXPECT_EQ(g->mscTemp().RowCount(), 1u);  // that one reading
    EXPECT_DOUBLE_EQ(g->datFrameStart(), started - 7);
    EXPECT_DOUBLE_EQ(g->datFrameEnd(), reading);
    EXPECT_TRUE(g->blnShowBoth());
    EXPECT_TRUE(g->blnWholeDays());
    EXPECT_TRUE(f.blnGraphShow());
    g->move(300, 300);
    f.ShowGraphWindow();
    EXPECT_EQ(g->pos(), QPoint(300, 300));
    g->close();
    PumpFor(20);
    EXPECT_EQ(Graph(), nullptr);
    EXPECT_FALSE(f.blnGraphShow());
    f.ShowGraphWindow();
    g = Graph();
    ASSERT_NE(g, nullptr);
    EXPECT_TRUE(g->isVisible());
    EXPECT_EQ(g->pos(), QPoint(300, 300));

    // Each new observation redraws the chart.
    const size_t rows = g->mscTemp().RowCount();
    f.UpdateCurrent();
    ASSERT_TRUE(WaitForFetches(1));
    EXPECT_EQ(g->mscTemp().RowCount(), rows + 1);
}

// A closed graph window goes with its chart (with "All" at the cap,
// megabytes), its menus and its native window: it is not redrawn while
// nobody sees it, and a new one shown again is drawn from the history as it
// then is, with the choices, the look and the place the old one had.
TEST_F(MainWindow, AClosedGraphWindowGoesAndComesBackWithItsChoices) {
    frmMain& f = Start();
    f.UpdateCurrent();
    ASSERT_TRUE(WaitForFetches(1));
    f.ShowGraphWindow();
    QPointer<frmGraph> g = Graph();
    ASSERT_NE(g, nullptr);
    g->MenuItem("mnAll")->trigger();
    g->MenuItem("mnTempGraph")->trigger();
    g->MenuItem("mn3D")->trigger();
    EXPECT_EQ(g->mscTemp().RowCount(), 1u);
    g->setGeometry(120, 140, 500, 420);
    const QRect place = g->geometry();
    const std::string kept = std::to_string(g->x()) + "," + std::to_string(g->y()) + ",500,420";
    const DateTime start = g->datFrameStart();
    g->close();
    PumpFor(20);
    EXPECT_TRUE(g.isNull());
    EXPECT_EQ(Graph(), nullptr);

    clock.Advance(0.01);
    f.UpdateCurrent();
    ASSERT_TRUE(WaitForFetches(1));
    EXPECT_EQ(Graph(), nullptr);

    f.ShowGraphWindow();
    g = Graph();
    ASSERT_NE(g, nullptr);
    EXPECT_TRUE(g->isVisible());
    EXPECT_EQ(g->mscTemp().RowCount(), 2u);
    EXPECT_TRUE(g->MenuItem("mnAll")->isChecked());
    EXPECT_FALSE(g->MenuItem("mnWeek")->isChecked());
    EXPECT_TRUE(g->MenuItem("mnTempGraph")->isChecked());
    EXPECT_FALSE(g->MenuItem("mnBoth")->isChecked());
    EXPECT_TRUE(g->MenuItem("mn3D")->isChecked());
    EXPECT_EQ(g->mscTemp().ChartType(), kChartType3dLine);
    EXPECT_FALSE(g->blnShowBoth());
    EXPECT_DOUBLE_EQ(g->datFrameStart(), start);
    EXPECT_DOUBLE_EQ(g->datFrameEnd(), Now());
    EXPECT_EQ(g->geometry(), place);

    // Its place is kept for the next start as that of a window still open.
    f.Exit();
    EXPECT_EQ(f.State().Store().Extra("graph window"), kept);
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
    click(TileWidget(1), QPoint(30, 10));
    EXPECT_FALSE(Menu().isVisible());
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].caption, "Sunday 06 Dec 2026 forecast");
    EXPECT_EQ(messages.messages[0].icon, MsgIcon::Information);
    EXPECT_EQ(messages.messages[0].text,
              "Light Rain\r\nMin Temp: 4\xC2\xB0"
              "C\r\nMax Temp: 9\xC2\xB0"
              "C\r\nHumidity: 90%\r\n"
              "Sunrise: 07:51GMT\r\nSunset: 15:54GMT");
    // The today tile, a label and the background: the menu.
    click(Widget("MFC_Today"), QPoint(30, 10));
    EXPECT_TRUE(Menu().isVisible());
    Menu().hide();
    click(Label("lblHumid"), QPoint(5, 5));
    EXPECT_TRUE(Menu().isVisible());
    Menu().hide();
    click(f, QPoint(160, 45));
    EXPECT_TRUE(Menu().isVisible());
    Menu().hide();
    // The dial: its summary.
    click(Widget("SunTransit1"), QPoint(30, 10));
    ASSERT_EQ(messages.messages.size(), 2u);
    EXPECT_EQ(messages.messages[1].caption, "Sun Transit Summary");
    EXPECT_EQ(messages.messages[1].text, "Sunrise was 6h 10m ago\r\nSunset is in 1h 55m");

    // The menu's captions, in order.
    std::vector<std::string> captions;
    for (QAction* a : Menu().actions()) captions.push_back(a->isSeparator() ? "-" : Caption(*a));
    EXPECT_EQ(captions,
              (std::vector<std::string>{"Cancel", "Update current data", "Update forecast", "-", "Send to system tray",
                                        "Show graph window", "Set location\xE2\x80\xA6", "Preferences\xE2\x80\xA6",
                                        "About Nimbrel\xE2\x80\xA6", "-", "Exit Nimbrel"}));
}

TEST_F(MainWindow, ASlowOrDeadFeedServerLeavesTheWindowPaintingAndChangesNothing) {
    frmMain& f = Start();
    server.SetDelayMs(1500);
    f.UpdateCurrent();
    f.UpdateForecast();
    ASSERT_TRUE(f.Fetches().Running());
    // While the first fetch waits, the window repaints and answers.
    const int paints = Widget("MFC_Today").PaintCount();
    for (int i = 0; i < 3; ++i) {
        Widget("MFC_Today").repaint();
        PumpFor(50);
    }
    EXPECT_GT(Widget("MFC_Today").PaintCount(), paints);
    ASSERT_TRUE(f.Fetches().Running());
    // The ticks during the fetch run at once: the fifteenth saves.
    for (int i = 0; i < 15; ++i) f.OnSunTick();
    ASSERT_TRUE(WaitForSave(f));
    EXPECT_TRUE(fs::exists(folder.Settings()));
    EXPECT_TRUE(f.Fetches().Running());
    ASSERT_TRUE(WaitForFetches(2, 10000));
    EXPECT_EQ(Tile(0).Title().Caption(), "Sat");
    EXPECT_EQ(Today().TempCaption(),
              "12\xC2\xB0"
              "C");

    // A server that is gone: nothing changes, the program goes on.
    frmMain::Config c;
    c.folder = folder.Str();
    c.feedBaseUrl = "http://127.0.0.1:1";
    c.onEnded = [] {};
    fs::remove(folder.Settings());
    frmMain dead(c);
    dead.Load();
    dead.UpdateCurrent();
    ASSERT_TRUE(PumpUntil([&] { return dead.Fetches().Handled() == 1; }, 10000));
    EXPECT_EQ(dead.findChild<QLabel*>("lblLastTime")->text().toStdString(),
              "No reading yet: the feed server could not be reached.");
    dead.Exit();
    EXPECT_NE(Saved().find("<last temps></last temps>"), std::string::npos);
}

TEST_F(MainWindow, BeforeAnyForecastTheSunDialSaysItDoesNotKnowTheTimes) {
    Start();
    auto click = [](QWidget& w) {
        QPointF at(30, 10), global(w.mapToGlobal(QPoint(30, 10)));
        QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&w, &press);
        QApplication::sendEvent(&w, &release);
    };
    click(Widget("SunTransit1"));
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].caption, "Sun Transit Summary");
    EXPECT_EQ(messages.messages[0].text, "The sun times are not known yet: they come with the first forecast.");
    // A tile that never had a forecast says nothing.
    click(TileWidget(0));
    EXPECT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(Text("lblSunrise"), "??:??");
    // With a forecast the dial counts to its sunrise and sunset.
    form->UpdateForecast();
    ASSERT_TRUE(WaitForFetches(1));
    click(Widget("SunTransit1"));
    ASSERT_EQ(messages.messages.size(), 2u);
    EXPECT_EQ(messages.messages[1].text, "Sunrise was 6h 10m ago\r\nSunset is in 1h 55m");
}

TEST_F(MainWindow, AServerDownAtStartGoneAwayAndBackIsToldAndTheHistoryKept) {
    server.Stop();
    frmMain& f = Start();
    EXPECT_EQ(Tip(), "Nimbrel");
    // The menu command that fails says so once, without waiting.
    f.UpdateCurrent();
    ASSERT_TRUE(WaitForFetches(1));
    EXPECT_EQ(Notice(), "Nimbrel could not update the current data: could not connect to " + Host() + ".");
    EXPECT_EQ(Tip(), "Nimbrel\nObservation 14:00: could not connect to " + Host());
    EXPECT_EQ(Text("lblLastTime"), "No reading yet: the feed server could not be reached.");
    EXPECT_EQ(Text("lblHumid"), "%");
    CloseNotice();
    // The timers stay quiet.
    WeatherTicks(5);
    EXPECT_EQ(Notice(), "");

    server.Start();
    clock.Advance(5.0 / 1440);
    WeatherTicks(5);
    EXPECT_EQ(Text("lblLastTime"), "Last update: 05/12/2026 14:05:00");
    EXPECT_EQ(Text("lblHumid"), "66%");
    EXPECT_EQ(Tip(), "Nimbrel\nObservation 14:05: received");

    // Gone away: the reading ages, dimmed once older than two intervals.
    server.Stop();
    clock.Advance(11.0 / 1440);
    WeatherTicks(5);
    f.OnSunTick();
    EXPECT_EQ(Tip(), "Nimbrel\nObservation 14:16: could not connect to " + Host());
    EXPECT_EQ(Text("lblLastTime"), "Last update: 05/12/2026 14:05 (11 min ago)");
    EXPECT_EQ(Label("lblLastTime").palette().color(QPalette::WindowText), QColor(128, 128, 128));
    clock.Advance(3.0 / 24);
    f.OnSunTick();
    EXPECT_EQ(Text("lblLastTime"), "Last update: 05/12/2026 14:05 (3 h ago)");
    EXPECT_EQ(Notice(), "");

    // Back: the next good reading is shown normally.
    server.Start();
    WeatherTicks(5);
    EXPECT_EQ(Text("lblLastTime"), "Last update: 05/12/2026 17:16:00");
    EXPECT_EQ(Label("lblLastTime").palette().color(QPalette::WindowText), QColor(Qt::white));
    f.Exit();
    EXPECT_NE(Saved().find("<last temps>12,12</last temps>"), std::string::npos);
}

TEST_F(MainWindow, ErrorAnswersAndGarbageAreToldAndChangeNothing) {
    frmMain& f = Start();
    server.SetStatus(false, 500);
    f.UpdateCurrent();
    ASSERT_TRUE(WaitForFetches(1));
    // The server is named: its host and port, as the feed's address gives them.
    const std::string host = Host();
    EXPECT_EQ(Tip(), "Nimbrel\nObservation 14:00: " + host + " answered with error 500");
    EXPECT_EQ(Notice(), "Nimbrel could not update the current data: " + host + " answered with error 500.");
    // A good answer closes the notice of the outage.
    server.SetStatus(false, 200);
    f.UpdateCurrent();
    ASSERT_TRUE(WaitForFetches(2));
    PumpFor(20);
    EXPECT_EQ(Notice(), "");
    EXPECT_EQ(Text("lblHumid"), "66%");
    server.SetStatus(false, 200);
    server.SetObservation("<html>not a feed</html>");
    server.SetStatus(true, 503);
    f.UpdateCurrent();
    f.UpdateForecast();
    ASSERT_TRUE(WaitForFetches(4));
    EXPECT_EQ(Tip(), "Nimbrel\nObservation 14:00: the answer from " + host +
                         " could not be read\nForecast 14:00: " + host + " answered with error 503");
    // One notice, saying the latest; nothing shown changed.
    EXPECT_EQ(Notice(), "Nimbrel could not update the forecast: " + host + " answered with error 503.");
    EXPECT_EQ(Text("lblLastTime"), "Last update: 05/12/2026 14:00:00");
    EXPECT_EQ(Text("lblHumid"), "66%");
    EXPECT_EQ(Tile(0).TempCaption(), "");
    // The tray's tip leads with the last reading and then says the same.
    f.close();
    ASSERT_FALSE(tray.tray().calls.empty());
    EXPECT_EQ(tray.tray().calls.back().first, NIM_MODIFY);
    EXPECT_EQ(tray.tray().calls.back().second.szTip,
              "Location 1769: Sunny, 12\u00B0C, humidity 66%, at 14:00\n"
              "Observation 14:00: the answer from " +
                  host + " could not be read\nForecast 14:00: " + host + " answered with error 503");
}

TEST_F(MainWindow, AMissingTemperatureIsADashOnTheTilesNeverZero) {
    std::string stored = StoredSettings("5");
    auto swap = [&](const std::string& from, const std::string& to) {
        const size_t at = stored.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        stored.replace(at, from.size(), to);
    };
    swap("sunny intervals,-3,71,", "sunny intervals,n/a,n/a,");
    swap("light rain, 4->9", "light rain, n/a->9");
    swap("heavy snow, -3->0", "heavy snow, 17->n/a");
    swap("SR=07:50GMT", "SR=n/a");
    WriteFile(folder.Settings(), stored);
    Start();
    auto& today = dynamic_cast<controls::MiniForecast&>(Widget("MFC_Today").Control());
    EXPECT_EQ(today.TempCaption(), "\xE2\x80\x93");
    EXPECT_EQ(Tile(0).TempCaption(),
              "8\xC2\xB0"
              "C");
    EXPECT_EQ(Tile(1).TempCaption(), "\xE2\x80\x93");
    EXPECT_EQ(Tile(2).TempCaption(), "\xE2\x80\x93");
    // A missing humidity and sun time are missing too, not "%" or empty.
    EXPECT_EQ(Text("lblHumid"), "\xE2\x80\x93");
    EXPECT_EQ(Text("lblSunrise"), "\xE2\x80\x93");
    EXPECT_EQ(Text("lblSunset"), "15:55");
    // The stored forms stay as they were.
    form->Exit();
    EXPECT_NE(Saved().find("light rain, n/a->9"), std::string::npos) << Saved();
    EXPECT_NE(Saved().find("sunny intervals,n/a,n/a,"), std::string::npos) << Saved();
    EXPECT_NE(Saved().find("SR=n/a, SS=15:55GMT"), std::string::npos) << Saved();
}

TEST_F(MainWindow, AForecastWithNoReadableDayKeepsTheStoredOneAndSaysSo) {
    frmMain& f = Start();
    f.UpdateForecast();
    ASSERT_TRUE(WaitForFetches(1));
    ASSERT_EQ(Tile(0).Title().Caption(), "Sat");
    const std::string before = Tile(1).TempCaption();
    // Items the markers do not find: nothing to read in any of them.
    std::string shouted = ForecastDoc();
    for (size_t at = 0; (at = shouted.find("item>", at)) != std::string::npos; at += 5) shouted.replace(at, 4, "ITEM");
    server.SetForecast(shouted);
    f.UpdateForecast();
    ASSERT_TRUE(WaitForFetches(2));
    EXPECT_EQ(Tip(), "Nimbrel\nForecast 14:00: the answer from " + Host() + " could not be read");
    EXPECT_EQ(Tile(0).Title().Caption(), "Sat");
    EXPECT_EQ(Tile(1).Title().Caption(), "Sun");
    EXPECT_EQ(Tile(1).TempCaption(), before);
    f.Exit();
    EXPECT_NE(Saved().find("06/12/2026: light rain, 4->9"), std::string::npos) << Saved();
}

TEST_F(MainWindow, AFailedForecastIsTriedAgainAfterFiveTenTwentyThenThirtyMinutes) {
    frmMain& f = Start();
    server.SetStatus(true, 500);
    auto ticksToNextRequest = [&] {
        const int before = server.ForecastRequests();
        const int handled = f.Fetches().Handled();
        for (int i = 1; i <= 40; ++i) {
            f.OnForecastTick();
            if (f.Fetches().Running() || f.Fetches().Handled() > handled) {
                EXPECT_TRUE(WaitForFetches(handled + 1));
                EXPECT_EQ(server.ForecastRequests(), before + 1);
                return i;
            }
        }
        return -1;
    };
    std::vector<int> gaps;
    for (int i = 0; i < 5; ++i) gaps.push_back(ticksToNextRequest());
    EXPECT_EQ(gaps, (std::vector<int>{30, 5, 10, 20, 30}));
    EXPECT_EQ(Notice(), "");  // the timer stays quiet
    server.SetStatus(true, 200);
    EXPECT_EQ(ticksToNextRequest(), 30);
    EXPECT_EQ(Tile(0).Title().Caption(), "Sat");
    server.SetStatus(true, 500);
    EXPECT_EQ(ticksToNextRequest(), 30);
    EXPECT_EQ(ticksToNextRequest(), 5);
}

TEST_F(MainWindow, AWallClockJumpFetchesAtOnceAndTheForecastWhenOld) {
    frmMain& f = Start();
    f.OnSunTick();
    PumpFor(50);
    EXPECT_TRUE(server.Log().empty());
    // Eight hours asleep: the monotonic clock did not move.
    clock.Advance(8.0 / 24);
    f.OnSunTick();
    ASSERT_TRUE(WaitForFetches(2));
    EXPECT_EQ(server.Log(), (std::vector<std::string>{"obs", "5day"}));
    // A resume ten minutes later (network back): the forecast is fresh.
    clock.Advance(10.0 / 1440);
    f.OnResumed();
    ASSERT_TRUE(WaitForFetches(3));
    EXPECT_EQ(server.Log(), (std::vector<std::string>{"obs", "5day", "obs"}));
    clock.Advance(25.0 / 1440);
    f.OnResumed();
    ASSERT_TRUE(WaitForFetches(5));
    EXPECT_EQ(server.Log(), (std::vector<std::string>{"obs", "5day", "obs", "obs", "5day"}));
}

TEST_F(MainWindow, AFailedSaveIsToldOnceAndTriedEveryMinuteAndAnExitSaveFailureEndsWithOne) {
    frmMain& f = Start();
    f.UpdateCurrent();
    ASSERT_TRUE(WaitForFetches(1));
    fs::remove_all(folder.Path());
    for (int i = 0; i < 15; ++i) f.OnSunTick();
    const std::string told = "Nimbrel cannot save its history to " + folder.Settings().string() +
                             ": its folder is gone. It keeps it in memory and tries again every minute.";
    EXPECT_EQ(Notice(), told);
    CloseNotice();
    f.OnSunTick();
    EXPECT_EQ(Notice(), "");  // told once
    // The folder is back: the next minute saves what was kept.
    fs::create_directories(folder.Path());
    f.OnSunTick();
    ASSERT_TRUE(WaitForSave(f));
    ASSERT_TRUE(fs::exists(folder.Settings()));
    EXPECT_NE(Saved().find("<last temps>12</last temps>"), std::string::npos);

    fs::remove_all(folder.Path());
    testing::internal::CaptureStderr();
    f.Exit();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "nimbrel: cannot save the history to " + folder.Settings().string() + ": its folder is gone\n");
    EXPECT_EQ(f.ExitStatus(), 1);
    EXPECT_EQ(ended, 1);
    fs::create_directories(folder.Path());
}

TEST_F(MainWindow, AFailedSaveAtExitAsksAndTriesAgainOrEndsAsTheUserAnswers) {
    frmMain& f = Start();
    f.UpdateCurrent();
    ASSERT_TRUE(WaitForFetches(1));
    fs::remove_all(folder.Path());
    // Try again, which fails again, then end and lose.
    messages.answers = {true, false};
    testing::internal::CaptureStderr();
    f.Exit();
    const std::string err = testing::internal::GetCapturedStderr();
    ASSERT_EQ(messages.questions.size(), 2u);
    EXPECT_EQ(messages.questions[0].text, "Nimbrel could not save its history to " + folder.Settings().string() +
                                              ": its folder is gone. The readings since the last save will be lost "
                                              "if it ends now.");
    EXPECT_EQ(messages.questions[0].firstButton, "Try again");
    EXPECT_EQ(messages.questions[0].secondButton, "End and lose the unsaved readings");
    EXPECT_EQ(err, "nimbrel: cannot save the history to " + folder.Settings().string() + ": its folder is gone\n");
    EXPECT_EQ(f.ExitStatus(), 1);
    EXPECT_EQ(ended, 1);
    fs::create_directories(folder.Path());
}

TEST_F(MainWindow, TryingAgainAfterTheFolderIsBackSavesTheReadingsAndEndsCleanly) {
    frmMain& f = Start();
    f.UpdateCurrent();
    ASSERT_TRUE(WaitForFetches(1));
    fs::remove_all(folder.Path());
    int asked = 0;
    const QuestionHandler recorder = SetQuestionHandler([&](const QuestionRequest&) {
        ++asked;
        // The user makes room, then tries again.
        fs::create_directories(folder.Path());
        return true;
    });
    testing::internal::CaptureStderr();
    f.Exit();
    const std::string err = testing::internal::GetCapturedStderr();
    SetQuestionHandler(recorder);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(err, "");
    EXPECT_EQ(f.ExitStatus(), 0);
    EXPECT_EQ(ended, 1);
    EXPECT_NE(Saved().find("<last temps>12</last temps>"), std::string::npos);
}

TEST_F(MainWindow, AFailedSaveAtSessionEndAsksNothingAndWritesTheReason) {
    frmMain& f = Start();
    f.UpdateCurrent();
    ASSERT_TRUE(WaitForFetches(1));
    fs::remove_all(folder.Path());
    messages.answers = {true, true, true};
    testing::internal::CaptureStderr();
    f.Unload(UnloadReason::Session);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(messages.questions.empty());
    EXPECT_EQ(err, "nimbrel: cannot save the history to " + folder.Settings().string() + ": its folder is gone\n");
    EXPECT_EQ(f.ExitStatus(), 1);
    fs::create_directories(folder.Path());
}

TEST_F(MainWindow, AFullDiskIsNamedInTheNotice) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
    const fs::path disk = folder.Path() / "disk";
    fs::create_directories(disk);
    if (std::system(("mount -t tmpfs -o size=64k tmpfs " + disk.string() + " 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "no tmpfs here";
    struct Unmount {
        fs::path at;
        ~Unmount() { std::system(("umount " + at.string()).c_str()); }
    } unmount{disk};
    frmMain::Config c;
    c.folder = disk.string();
    c.feedBaseUrl = server.BaseUrl();
    c.onEnded = [] {};
    form = std::make_unique<frmMain>(c);
    form->Load();
    form->UpdateCurrent();
    ASSERT_TRUE(WaitForFetches(1));
    {
        // Fill the disk to the last block.
        std::ofstream fill(disk / "fill", std::ios::binary);
        const std::string block(4096, 'x');
        for (int i = 0; i < 64 && fill; ++i) fill << block << std::flush;
    }
    for (int i = 0; i < 15; ++i) form->OnSunTick();
    EXPECT_EQ(Notice(), "Nimbrel cannot save its history to " + (disk / "settings.txt").string() +
                            ": No space left on device. It keeps it in memory and tries again every minute.");
    // Room again: the next minute's save holds the reading.
    fs::remove(disk / "fill");
    form->OnSunTick();
    ASSERT_TRUE(WaitForSave(*form));
    EXPECT_NE(ReadFile(disk / "settings.txt").find("<last temps>12</last temps>"), std::string::npos);
    form.reset();
}

}  // namespace
}  // namespace nimbrel

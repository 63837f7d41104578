// The main window's part in being a good desktop citizen: the preferences
// command, the unit of everything shown, the tray's temperature and the
// window's place across a restart. Offscreen, against a real feed server on
// loopback and a real program folder.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <fstream>
#include <sstream>

#include "AppTestSupport.h"
#include "app/Preferences.h"
#include "app/PreferencesDialog.h"
#include "app/WindowMemory.h"
#include "app/frmMain.h"
#include "base/Clock.h"
#include "base/Temperature.h"
#include "controls/ControlWidget.h"
#include "feeds/ForecastFeed.h"
#include "graph/frmGraph.h"
#include "platform/chart/ChartControl.h"

namespace nimbrel {
namespace {

using namespace apptest;
namespace fs = std::filesystem;

const std::string kC =
    "\xC2\xB0"
    "C";
const std::string kF =
    "\xC2\xB0"
    "F";

// The file without the program's own section.
std::string WithoutOwnSection(std::string text) {
    const size_t at = text.find("<nimbrel>");
    if (at == std::string::npos) return text;
    const size_t end = text.find("</nimbrel>\r\n", at);
    return text.erase(at, end + 12 - at);
}

std::string Stored() {
    const std::string crlf = "\r\n";
    return "<options>" + crlf + "<debug>0</debug>" + crlf + "</options>" + crlf + "<weather>" + crlf +
           "<last reading>sunny intervals,-3,71,05/12/2026 13:55:00</last reading>" + crlf +
           "<last times>05/12/2026 13:50:00,05/12/2026 13:55:00</last times>" + crlf +
           "<last humids>70,71</last humids>" + crlf + "<last temps>-2,-3</last temps>" + crlf +
           "<forecast>05/12/2026: sunny, 5->12" + kC + ", H=80%, SR=07:50GMT, SS=15:55GMT" + crlf +
           "06/12/2026: light rain, 4->9" + kC + ", H=90%, SR=07:51GMT, SS=15:54GMT" + crlf +
           "07/12/2026: heavy snow, -3->0" + kC + ", H=95%, SR=07:53GMT, SS=15:54GMT</forecast>" + crlf +
           "<loc>3772</loc>" + crlf + "<minutes>5</minutes>" + crlf + "</weather>" + crlf;
}

class DesktopMain : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApp();
        setenv("XDG_CONFIG_HOME", config.Str().c_str(), 1);
    }
    void TearDown() override {
        form.reset();
        unsetenv("XDG_CONFIG_HOME");
        PumpFor(10);
    }
    frmMain& Start() {
        frmMain::Config c;
        c.folder = folder.Str();
        c.feedBaseUrl = server.BaseUrl();
        c.onEnded = [this] { ++ended; };
        form = std::make_unique<frmMain>(c);
        form->Load();
        form->ShowFirst();
        return *form;
    }
    void Restart() {
        form->Unload(UnloadReason::Code);
        form.reset();
        Start();
    }
    template <typename T>
    T& Find(const char* name) {
        T* found = form->findChild<T*>(QString::fromUtf8(name));
        if (!found) throw std::runtime_error(std::string("no ") + name);
        return *found;
    }
    ControlWidget& TileWidget(int i) { return Find<ControlWidget>(("MiniFC" + std::to_string(i)).c_str()); }
    controls::MiniForecast& Tile(int i) { return dynamic_cast<controls::MiniForecast&>(TileWidget(i).Control()); }
    controls::MiniForecast& Today() {
        return dynamic_cast<controls::MiniForecast&>(Find<ControlWidget>("MFC_Today").Control());
    }
    frmGraph* Graph() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* g = dynamic_cast<frmGraph*>(w)) return g;
        return nullptr;
    }
    PreferencesDialog& OpenPreferences() {
        form->ShowPreferences();
        return *form->findChild<PreferencesDialog*>();
    }
    // Sets the unit in the dialog and presses OK.
    void ChooseUnit(TempUnit unit) {
        PreferencesDialog& d = OpenPreferences();
        d.Unit().setCurrentIndex(unit == TempUnit::Fahrenheit ? 1 : 0);
        d.OkClicked();
        PumpFor(10);
    }

    ScopedClock clock{DateSerial(2026, 12, 5) + TimeSerial(14, 0, 0)};
    TempFolder folder, config;
    FeedServer server;
    MessageRecorder messages;
    ScopedTray tray;
    std::unique_ptr<frmMain> form;
    int ended = 0;
};

TEST_F(DesktopMain, FahrenheitReachesEveryPlaceThatShowsATemperatureAndNoStoredValue) {
    WriteFile(folder.Settings(), Stored());
    frmMain& f = Start();
    f.ShowGraphWindow();
    f.SendToTray();
    (void)f;
    struct Shown {
        std::string today, tiles[3], tips[3], messages[3], tray, chartUnit;
    };
    auto shown = [&] {
        Shown s;
        s.today = Today().TempCaption();
        for (int i = 0; i < 3; ++i) {
            s.tiles[i] = Tile(i).TempCaption();
            // The first line, the stored one; the second gives the sun times.
            s.tips[i] = TileWidget(i).toolTip().section(QLatin1Char('\n'), 0, 0).toStdString();
            Tile(i).Click();
            s.messages[i] = messages.messages.empty() ? std::string() : messages.messages.back().text;
            // A tile's forecast is information, not a warning.
            if (!messages.messages.empty()) {
                EXPECT_EQ(messages.messages.back().icon, MsgIcon::Information);
            }
        }
        s.tray = NotifyRecord().szTip;
        s.chartUnit = Graph()->findChild<ChartControl*>("mscTemp")->CurrentGeometry().axisUnit[0];
        return s;
    };
    const Shown c = shown();
    EXPECT_EQ(c.today, "-3" + kC);
    EXPECT_EQ(c.tiles[0], "8" + kC);
    EXPECT_NE(c.tray.find("-3" + kC), std::string::npos) << c.tray;
    EXPECT_EQ(c.chartUnit, kC);
    const std::string fileBefore = ReadFile(folder.Settings());

    ChooseUnit(TempUnit::Fahrenheit);
    ASSERT_EQ(form->findChild<PreferencesDialog*>(), nullptr);  // closed by its OK
    const Shown s = shown();
    EXPECT_EQ(s.today, "27" + kF);  // 26.6
    EXPECT_EQ(s.tiles[0], "46" + kF);
    EXPECT_EQ(s.tiles[2], "28" + kF);  // -2 °C
    EXPECT_EQ(s.tips[1], "06/12/2026: light rain, 39->48" + kF + ", H=90%, SR=07:51GMT, SS=15:54GMT");
    EXPECT_EQ(s.tray, "Location 3772: sunny intervals, 27" + kF + ", humidity 71%, at 13:55");
    EXPECT_EQ(s.chartUnit, kF);
    EXPECT_EQ(c.messages[1], "Light Rain\r\nMin Temp: 4" + kC + "\r\nMax Temp: 9" + kC +
                                 "\r\nHumidity: 90%\r\nSunrise: 07:51GMT\r\nSunset: 15:54GMT");
    EXPECT_EQ(s.messages[1], "Light Rain\r\nMin Temp: 39" + kF + "\r\nMax Temp: 48" + kF +
                                 "\r\nHumidity: 90%\r\nSunrise: 07:51GMT\r\nSunset: 15:54GMT");
    for (int i = 0; i < 3; ++i) {
        // The Celsius tip is the stored line; the rest is drawn from it.
        EXPECT_EQ(s.tips[i], ForecastToolTip(c.tips[i], TempUnit::Fahrenheit));
        EXPECT_EQ(s.messages[i], ForecastTileMessage(ReadForecastDay(c.tips[i]), TempUnit::Fahrenheit).text);
    }
    // The weather lines and the history keep degrees Celsius.
    const std::string fileAfter = ReadFile(folder.Settings());
    EXPECT_EQ(WithoutOwnSection(fileAfter), fileBefore);
    EXPECT_NE(fileAfter.find("<unit>F</unit>"), std::string::npos);

    // And again after a restart.
    Restart();
    EXPECT_EQ(Today().TempCaption(), "27" + kF);
    ChooseUnit(TempUnit::Celsius);
    EXPECT_EQ(Today().TempCaption(), "-3" + kC);
    EXPECT_EQ(ReadFile(folder.Settings()), fileBefore);
}

TEST_F(DesktopMain, ThePreferencesCommandOpensTheDialogWhoseOkAppliesAtOnce) {
    Start();
    // Before any reading a switch of units leaves the today tile blank.
    ChooseUnit(TempUnit::Fahrenheit);
    EXPECT_EQ(Today().TempCaption(), "");
    ChooseUnit(TempUnit::Celsius);
    QAction& item = Find<QAction>("mnPreferences");
    EXPECT_EQ(item.text().remove(QLatin1Char('&')).toStdString(), "Preferences\xE2\x80\xA6");
    item.trigger();
    ASSERT_TRUE(PumpUntil([&] { return form->findChild<PreferencesDialog*>() != nullptr; }));
    PreferencesDialog& d = *form->findChild<PreferencesDialog*>();
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(d.FeedServer().text().toStdString(), server.BaseUrl());
    EXPECT_EQ(&OpenPreferences(), &d);  // a second command raises the same one
    d.Interval().setText(QStringLiteral("1441"));
    d.OkClicked();
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_TRUE(d.isVisible());
    d.Interval().setText(QStringLiteral("2"));
    d.LocationId().setText(QStringLiteral("4242"));
    d.OkClicked();
    // A new place is fetched at once, and kept.
    EXPECT_TRUE(PumpUntil([&] { return server.ObservationRequests() >= 1 && server.ForecastRequests() >= 1; }));
    const std::string saved = ReadFile(folder.Settings());
    EXPECT_NE(saved.find("<loc>4242</loc>"), std::string::npos);
    EXPECT_NE(saved.find("<minutes>2</minutes>"), std::string::npos);
    EXPECT_EQ(form->findChild<PreferencesDialog*>(), nullptr);
    // Cancel changes nothing.
    PreferencesDialog& again = OpenPreferences();
    EXPECT_EQ(again.Interval().text(), QStringLiteral("2"));
    again.Interval().setText(QStringLiteral("30"));
    again.CancelClicked();
    PumpFor(10);
    EXPECT_EQ(ReadFile(folder.Settings()), saved);
}

TEST_F(DesktopMain, TheTrayShowsThePlainIconUntilAReadingThenTheTemperature) {
    frmMain& f = Start();
    f.SendToTray();
    ASSERT_EQ(tray.tray().calls.size(), 1u);
    EXPECT_EQ(tray.tray().calls[0].second.szTip, "Nimbrel");
    const qint64 plain = tray.tray().calls[0].second.hIcon.cacheKey();
    server.SetObservation(ObservationDoc("Light Rain", "12", "80"));
    f.UpdateCurrent();
    ASSERT_TRUE(PumpUntil([&] { return f.Fetches().Handled() >= 1 && !f.Fetches().Running(); }));
    ASSERT_GE(tray.tray().calls.size(), 2u);
    const auto& last = tray.tray().calls.back();
    EXPECT_EQ(last.first, NIM_MODIFY);
    EXPECT_EQ(last.second.szTip.rfind("Location 1769: Light Rain, 12" + kC + ", humidity 80%, at 14:00", 0), 0u)
        << last.second.szTip;
    EXPECT_NE(last.second.hIcon.cacheKey(), plain);
}

TEST_F(DesktopMain, BothWindowsComeBackWhereTheyWereLeftAfterARestart) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    frmMain& f = Start();
    // Never moved: nothing is stored, the file stays as it always was.
    f.Unload(UnloadReason::Code);
    EXPECT_EQ(ReadFile(folder.Settings()).find("<nimbrel>"), std::string::npos);
    form.reset();

    Start();
    form->move(screen.x() + 30, screen.y() + 40);
    form->ShowGraphWindow();
    Graph()->move(screen.x() + 50, screen.y() + 60);
    Graph()->resize(420, 300);
    Restart();
    EXPECT_EQ(form->pos(), QPoint(screen.x() + 30, screen.y() + 40));
    form->ShowGraphWindow();
    EXPECT_EQ(Graph()->pos(), QPoint(screen.x() + 50, screen.y() + 60));
    EXPECT_EQ(Graph()->size(), QSize(420, 300));

    // A place on a screen that is gone.
    form->Unload(UnloadReason::Code);
    form.reset();
    std::string text = ReadFile(folder.Settings());
    const size_t at = text.find("<window>");
    ASSERT_NE(at, std::string::npos) << text;
    text.replace(at, text.find("</window>") - at, "<window>-900000,900000");
    WriteFile(folder.Settings(), text);
    Start();
    EXPECT_TRUE(screen.contains(QRect(form->pos(), form->size()))) << form->x() << "," << form->y();
}

}  // namespace
}  // namespace nimbrel

// Feels-like, wind, chance of rain and the next hours from a feed server on
// loopback to what a person sees: the tiles' tool tips, messages and
// accessible descriptions, the tray's tip and the graph window's chart, in
// the units chosen.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <cstdlib>
#include <filesystem>

#include "AppTestSupport.h"
#include "app/PreferencesDialog.h"
#include "app/WeatherExtrasText.h"
#include "app/frmMain.h"
#include "base/Clock.h"
#include "controls/ControlWidget.h"
#include "feeds/FeedGenerator.h"
#include "graph/frmGraph.h"

namespace nimbrel {
namespace {

using namespace apptest;

const std::string kDegC =
    "\xC2\xB0"
    "C";
const std::string kDegF =
    "\xC2\xB0"
    "F";

// Saturday 5 December 2026, 14:00, the day ForecastDoc's first item is for.
DateTime Saturday14() {
    return DateSerial(2026, 12, 5) + TimeSerial(14, 0, 0);
}

Observation NowExtras() {
    Observation o;
    o.feelsLike = 2;
    o.windSpeed = 19.4;
    o.windDirection = 225;
    return o;
}

HourlyForecast Hours() {
    HourlyForecast hours;
    const long offset = LocalOffsetSeconds(Saturday14());
    for (int k = 0; k < 48; ++k)
        hours.push_back(ForecastHour{ZonedTime{Saturday14() + k / 24.0, offset}, k % 5, 80 + k % 10, (k * 7) % 101});
    return hours;
}

std::string S(const QString& q) {
    return q.toStdString();
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The test documents with Nimbrel's elements before each item's end.
std::string WithObservationExtras(std::string doc) {
    doc.insert(doc.find("</item>"), ObservationExtrasXml(NowExtras()));
    return doc;
}

std::string WithForecastExtras(std::string doc) {
    const int rain[] = {70, 35, 5};
    const double wind[] = {32.2, 24.6, 11};
    size_t at = 0;
    for (int k = 0; k < 3; ++k) {
        ForecastDay d;
        d.rainChance = rain[k];
        d.windMax = wind[k];
        at = doc.find("</item>", at);
        const std::string xml = DayExtrasXml(d);
        doc.insert(at, xml);
        at += xml.size() + 7;
    }
    doc.insert(doc.find("</channel>"), HoursXml(Hours()));
    return doc;
}

class ExtrasOnScreen : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApp();
        server.SetObservation(WithObservationExtras(ObservationDoc("Light Rain", "5", "80")));
        server.SetForecast(WithForecastExtras(ForecastDoc()));
    }
    void TearDown() override {
        form.reset();
        PumpFor(10);
    }
    frmMain& StartAndFetch() {
        frmMain::Config c;
        c.folder = folder.Str();
        c.feedBaseUrl = server.BaseUrl();
        form = std::make_unique<frmMain>(c);
        form->Load();
        form->ShowFirst();
        form->UpdateCurrent();
        form->UpdateForecast();
        EXPECT_TRUE(PumpUntil([&] { return form->Fetches().Handled() >= 2 && !form->Fetches().Running(); }, 8000));
        return *form;
    }
    ControlWidget& Widget(const std::string& name) {
        auto* w = form->findChild<ControlWidget*>(QString::fromStdString(name));
        if (!w) throw std::runtime_error("no " + name);
        return *w;
    }
    frmGraph* Graph() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* g = dynamic_cast<frmGraph*>(w)) return g;
        return nullptr;
    }

    ScopedClock clock{Saturday14()};
    TempFolder folder;
    FeedServer server;
    MessageRecorder messages;
    ScopedTray tray;
    std::unique_ptr<frmMain> form;
};

TEST_F(ExtrasOnScreen, ALineAfterEveryTextOfTheTilesAndTheTrayAndTheForecastInTheChart) {
    frmMain& f = StartAndFetch();
    const std::string now = "Feels like 2 " + kDegC + ", wind 19 km/h from the south-west, chance of rain 70 %";
    // The sentences a screen reader hears end with the same line.
    EXPECT_TRUE(EndsWith(S(Widget("MFC_Today").AccessibleDescription()), now))
        << S(Widget("MFC_Today").AccessibleDescription());
    EXPECT_EQ(S(Widget("MFC_Today").toolTip()), now);
    // The tile's own texts stay first, the new line after them.
    const std::string day0 = "Wind up to 32 km/h, chance of rain 70 %";
    const std::string tip = S(Widget("MiniFC0").AccessibleDescription());
    EXPECT_TRUE(EndsWith(tip, "\n" + day0)) << tip;
    EXPECT_GT(tip.size(), day0.size() + 10);
    EXPECT_TRUE(EndsWith(S(Widget("MiniFC2").toolTip()), "Wind up to 11 km/h, chance of rain 5 %"));
    f.ShowTileMessage(1);
    ASSERT_FALSE(messages.messages.empty());
    EXPECT_TRUE(EndsWith(messages.messages.back().text, "\r\nWind up to 25 km/h, chance of rain 35 %"));
    const std::string trayTip = f.TrayTip();
    EXPECT_NE(trayTip.find(", humidity 80%"), std::string::npos);
    EXPECT_NE(trayTip.find("\n" + now), std::string::npos) << trayTip;

    // The chart: the history as before, the 48 hours after it.
    f.ShowGraphWindow();
    frmGraph* g = Graph();
    ASSERT_NE(g, nullptr);
    const ChartForecast& fc = g->mscTemp().Forecast();
    ASSERT_EQ(fc.times.size(), 48u);
    EXPECT_NEAR(fc.times[0], Saturday14(), 1e-6);
    EXPECT_NEAR(fc.times[47], Saturday14() + 47 / 24.0, 1e-6);
    EXPECT_EQ(fc.temperature[3], 3.0f);
    EXPECT_EQ(fc.humidity[3], 83.0f);
    EXPECT_EQ(fc.rainChance[3], 21.0f);
    EXPECT_EQ(fc.now, Saturday14());
    const ChartControl::Geometry& geo = g->mscTemp().CurrentGeometry();
    EXPECT_TRUE(geo.forecastShown);
    EXPECT_EQ(geo.forecastLines.size(), 2u);
    for (const auto& lines : geo.forecastLines) EXPECT_FALSE(lines.empty());
    EXPECT_EQ(geo.rainBars.size(), 47u);  // the first hour's chance is 0
    EXPECT_NEAR(geo.t1, fc.times.back(), 1e-9);
    // The history's grid has only the readings, as without a forecast.
    EXPECT_EQ(g->mscTemp().RowCount(), 1u);

    // "Show forecast" off: none drawn, and remembered.
    QAction* item = g->MenuItem("mnForecast");
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->isChecked());
    item->trigger();
    EXPECT_TRUE(g->mscTemp().Forecast().Empty());
    EXPECT_FALSE(g->mscTemp().CurrentGeometry().forecastShown);
    f.Exit();
    const std::string saved = ReadFile(folder.Settings());
    EXPECT_NE(saved.find("<show forecast>no</show forecast>"), std::string::npos);
    EXPECT_NE(saved.find("<feels-like>2</feels-like>"), std::string::npos);
}

TEST_F(ExtrasOnScreen, InFahrenheitAndMilesAnHourAfterARestart) {
    WriteFile(folder.Settings(),
              "<weather>\r\n<loc>1769</loc>\r\n<minutes>5</minutes>\r\n</weather>\r\n<nimbrel>\r\n"
              "<unit>F</unit>\r\n<wind unit>mph</wind unit>\r\n</nimbrel>\r\n");
    StartAndFetch().Exit();
    form.reset();
    // Started again from the file alone: nothing is fetched.
    frmMain::Config c;
    c.folder = folder.Str();
    c.feedBaseUrl = "http://127.0.0.1:1";
    form = std::make_unique<frmMain>(c);
    form->Load();
    form->ShowFirst();
    const std::string now = "Feels like 36 " + kDegF + ", wind 12 mph from the south-west, chance of rain 70 %";
    EXPECT_TRUE(EndsWith(S(Widget("MFC_Today").AccessibleDescription()), now));
    EXPECT_TRUE(EndsWith(S(Widget("MiniFC0").AccessibleDescription()), "\nWind up to 20 mph, chance of rain 70 %"));
    EXPECT_NE(form->TrayTip().find(now), std::string::npos);
    form->ShowGraphWindow();
    const ChartForecast& fc = Graph()->mscTemp().Forecast();
    ASSERT_EQ(fc.times.size(), 48u);
    EXPECT_EQ(fc.temperature[3], 37.0f);  // 3 °C
}

TEST(ExtrasLine, EveryWindUnitAndWhatIsMissingIsLeftOut) {
    const Observation o = NowExtras();
    const struct {
        WindUnit unit;
        const char* speed;
    } units[] = {{WindUnit::Kmh, "19 km/h"},
                 {WindUnit::MetresPerSecond, "5 m/s"},
                 {WindUnit::Mph, "12 mph"},
                 {WindUnit::Knots, "10 knots"},
                 {WindUnit::Beaufort, "force 3"}};
    for (const auto& u : units)
        EXPECT_EQ(S(NowExtrasLine(o, std::nullopt, TempUnit::Celsius, u.unit)),
                  "Feels like 2 " + kDegC + ", wind " + u.speed + " from the south-west");
    Observation windOnly;
    windOnly.windSpeed = 3;
    EXPECT_EQ(S(NowExtrasLine(windOnly, 40, TempUnit::Fahrenheit, WindUnit::Kmh)), "Wind 3 km/h, chance of rain 40 %");
    EXPECT_EQ(S(NowExtrasLine(Observation{}, std::nullopt, TempUnit::Celsius, WindUnit::Kmh)), "");
    ForecastDay rainOnly;
    rainOnly.rainChance = 0;
    EXPECT_EQ(S(DayExtrasLine(rainOnly, WindUnit::Knots)), "Chance of rain 0 %");
    EXPECT_EQ(S(DayExtrasLine(ForecastDay{}, WindUnit::Knots)), "");
    EXPECT_EQ(S(WithExtrasLine("Sat", "")), "Sat");
}

// Pictures of what a person sees, for looking at: the graph window with a
// week of history and the next two days (flat and 3D, °C and °F), a tile's
// message and the tray's tip. Written to NIMBREL_PICTURES_DIR when it is
// set, else into the test's folder; under Xvfb with QT_QPA_PLATFORM=xcb they
// are real windows.
class ExtrasPictures : public ExtrasOnScreen {
protected:
    void SetUp() override {
        EnsureApp();
        const DateTime now = Saturday14();
        server.SetObservation(feedgen::ObservationDocument("1769", now, server.BaseUrl()));
        server.SetForecast(feedgen::ForecastDocument("1769", now, server.BaseUrl()));
        std::string times, temps, humids;
        for (int k = 7 * 48; k >= 1; --k) {
            const DateTime t = now - k / 48.0;
            const feedgen::Weather w = feedgen::CurrentWeather("1769", t);
            if (!times.empty()) {
                times += ',';
                temps += ',';
                humids += ',';
            }
            times += FormatDateTime(t);
            temps += std::to_string(w.temperature);
            humids += std::to_string(w.humidity);
        }
        WriteFile(folder.Settings(), "<weather>\r\n<last times>" + times + "</last times>\r\n<last temps>" + temps +
                                         "</last temps>\r\n<last humids>" + humids +
                                         "</last humids>\r\n<loc>1769</loc>\r\n<minutes>5</minutes>\r\n</weather>\r\n");
        const char* dir = std::getenv("NIMBREL_PICTURES_DIR");
        out = dir && *dir ? std::filesystem::path(dir) : folder.Path();
        std::filesystem::create_directories(out);
    }
    void Save(QWidget& w, const std::string& name) {
        const QImage image = w.grab().toImage();
        ASSERT_FALSE(image.isNull());
        ASSERT_TRUE(image.save(QString::fromStdString((out / name).string())));
    }
    // The unit chosen as a person chooses it: in the preferences, then OK.
    void ChooseUnits(int temperatureIndex, int windIndex) {
        form->ShowPreferences();
        PumpFor(50);
        PreferencesDialog* dialog = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = dynamic_cast<PreferencesDialog*>(w); d && d->isVisible()) dialog = d;
        ASSERT_NE(dialog, nullptr);
        dialog->Unit().setCurrentIndex(temperatureIndex);
        dialog->WindUnitBox().setCurrentIndex(windIndex);
        dialog->OkClicked();
        PumpFor(50);
    }
    std::filesystem::path out;
};

TEST_F(ExtrasPictures, TheGraphWindowATileMessageAndTheTrayTip) {
    frmMain& f = StartAndFetch();
    f.ShowGraphWindow();
    frmGraph* g = Graph();
    ASSERT_NE(g, nullptr);
    g->resize(640, 420);
    PumpFor(300);
    ASSERT_EQ(g->mscTemp().Forecast().times.size(), 48u);
    Save(*g, "graph-flat-C.png");
    g->MenuItem("mn3D")->trigger();
    PumpFor(100);
    Save(*g, "graph-3d-C.png");
    g->MenuItem("mn3D")->trigger();
    ChooseUnits(1, 2);
    PumpFor(100);
    Save(*g, "graph-flat-F.png");
    g->MenuItem("mn3D")->trigger();
    PumpFor(100);
    Save(*g, "graph-3d-F.png");
    ChooseUnits(0, 0);

    // The tile's message as the message box shows it, and the tray's tip
    // as a tool tip shows it.
    f.ShowTileMessage(0);
    ASSERT_FALSE(messages.messages.empty());
    QMessageBox box(QMessageBox::Information, QString::fromStdString(messages.messages.back().caption),
                    QString::fromStdString(messages.messages.back().text));
    box.show();
    PumpFor(100);
    Save(box, "tile-message.png");
    QLabel tip(QString::fromStdString(f.TrayTip()));
    tip.setWindowFlags(Qt::ToolTip);
    tip.setStyleSheet(
        QStringLiteral("QLabel { background: #ffffe1; color: black; border: 1px solid gray; padding: 3px; }"));
    tip.show();
    PumpFor(100);
    Save(tip, "tray-tip.png");
}

}  // namespace
}  // namespace nimbrel

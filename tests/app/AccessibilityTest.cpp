// What a screen reader and a keyboard user meet in the main window, on Qt's
// offscreen platform against a real feed server on loopback: the controls'
// accessible names and descriptions after a reading, a forecast, a unit
// change and a failed fetch, and the keys of the menu, the shortcuts, the
// Tab order and Escape.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <algorithm>
#include <cmath>

#include "AppTestSupport.h"
#include "app/AccessibleText.h"
#include "app/PreferencesDialog.h"
#include "app/TrayIconPicture.h"
#include "app/frmMain.h"
#include "base/Clock.h"
#include "controls/ControlWidget.h"

namespace nimbrel {
namespace {

using namespace apptest;

const std::string kDegC =
    "\xC2\xB0"
    "C";
const std::string kDegF =
    "\xC2\xB0"
    "F";

class Accessibility : public ::testing::Test {
protected:
    void SetUp() override { EnsureApp(); }
    void TearDown() override {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* m = qobject_cast<QMenu*>(w)) m->hide();
        form.reset();
        PumpFor(10);
    }

    frmMain& Start() {
        frmMain::Config c;
        c.folder = folder.Str();
        c.feedBaseUrl = server.BaseUrl();
        c.onEnded = [] {};
        form = std::make_unique<frmMain>(c);
        form->Load();
        form->ShowFirst();
        return *form;
    }
    bool WaitForFetches(int n) {
        return PumpUntil([&] { return form->Fetches().Handled() >= n && !form->Fetches().Running(); }, 8000);
    }
    QWidget& Part(const char* name) {
        auto* w = form->findChild<QWidget*>(QString::fromUtf8(name));
        if (!w) throw std::runtime_error(std::string("no ") + name);
        return *w;
    }
    // What a screen reader is told of a part, through Qt's accessibility.
    static std::string Said(QWidget& w, QAccessible::Text what = QAccessible::Name) {
        QAccessibleInterface* i = QAccessible::queryAccessibleInterface(&w);
        return i ? i->text(what).toStdString() : std::string("(no interface)");
    }
    std::string Name(const char* part) { return Said(Part(part)); }
    std::string Description(const char* part) { return Said(Part(part), QAccessible::Description); }
    QMenu& Menu() { return *form->findChild<QMenu*>("mnSysTray"); }
    void SetUnit(TempUnit unit) { const_cast<WeatherState&>(form->State()).SetUnit(unit); }

    ScopedClock clock{DateSerial(2026, 12, 5) + TimeSerial(14, 0, 0)};
    TempFolder folder;
    FeedServer server;
    MessageRecorder messages;
    ScopedTray tray;
    std::unique_ptr<frmMain> form;
};

TEST_F(Accessibility, EveryControlIsNamedAndTheNamesFollowReadingForecastAndUnit) {
    Start();
    // Before anything is known the parts say so, rather than nothing or 0.
    EXPECT_EQ(Name("MFC_Today"), "Now: no reading yet");
    EXPECT_EQ(Name("MiniFC0"), "Forecast: not known yet");
    EXPECT_EQ(Name("SunTransit1"), "Sun dial: the sun times are not known yet");
    EXPECT_EQ(Name("lblSunrise"), "Sunrise not known yet");
    EXPECT_EQ(Name("lblSunset"), "Sunset not known yet");
    EXPECT_EQ(Name("lblHumid"), "Humidity missing");
    EXPECT_EQ(Name("lblLastTime"), "Waiting for the first reading\xE2\x80\xA6");
    QAccessibleInterface* tile = QAccessible::queryAccessibleInterface(&Part("MiniFC0"));
    ASSERT_NE(tile, nullptr);
    EXPECT_EQ(tile->role(), QAccessible::Button);
    EXPECT_TRUE(tile->state().focusable);

    server.SetObservation(ObservationDoc("Heavy Showers", "6", "94"));
    form->UpdateCurrent();
    ASSERT_TRUE(WaitForFetches(1));
    EXPECT_EQ(Name("MFC_Today"), "Now: Heavy showers, 6 " + kDegC);
    EXPECT_EQ(Description("MFC_Today"), "Humidity 94%; Last update: 05/12/2026 14:00:00");
    EXPECT_EQ(Name("lblHumid"), "Humidity 94%");
    EXPECT_EQ(Name("lblLastTime"), "Last update: 05/12/2026 14:00:00");

    form->UpdateForecast();
    ASSERT_TRUE(WaitForFetches(2));
    EXPECT_EQ(Name("MiniFC0"), "Saturday: sunny, 5 to 12 " + kDegC + ", humidity 80 %");
    EXPECT_EQ(Name("MiniFC2"), "Monday: heavy snow, -3 to 0 " + kDegC + ", humidity 95 %");
    EXPECT_EQ(Description("MiniFC1"), "06/12/2026: light rain, 4->9" + kDegC +
                                          ", H=90%, SR=07:51GMT, SS=15:54GMT\nSunrise 07:51, sunset 15:54.");
    EXPECT_EQ(Part("MiniFC1").toolTip().toStdString(), Description("MiniFC1"));
    EXPECT_EQ(Name("SunTransit1"), "Sunrise 07:50, sunset 15:55; the sun sets in 1 hour 55 minutes");
    EXPECT_EQ(Description("SunTransit1"), "Sunrise was 6h 10m ago; Sunset is in 1h 55m");
    EXPECT_EQ(Name("lblSunrise"), "Sunrise 07:50");
    EXPECT_EQ(Name("lblSunset"), "Sunset 15:55");

    // The unit the user chose, everywhere at once.
    SetUnit(TempUnit::Fahrenheit);
    EXPECT_EQ(Name("MFC_Today"), "Now: Heavy showers, 43 " + kDegF);
    EXPECT_EQ(Name("MiniFC0"), "Saturday: sunny, 41 to 54 " + kDegF + ", humidity 80 %");
    EXPECT_EQ(Part("MiniFC0").toolTip().toStdString(),
              "05/12/2026: sunny, 41->54" + kDegF + ", H=80%, SR=07:50GMT, SS=15:55GMT\nSunrise 07:50, sunset 15:55.");

    // The dial's sentence moves with the sun, in whole minutes as its summary.
    clock.Set(DateSerial(2026, 12, 5) + TimeSerial(14, 39, 45));
    form->OnSunTick();
    EXPECT_EQ(Name("SunTransit1"), "Sunrise 07:50, sunset 15:55; the sun sets in 1 hour 16 minutes");
    EXPECT_EQ(Description("SunTransit1"), "Sunrise was 6h 49m ago; Sunset is in 1h 16m");
    clock.Set(DateSerial(2026, 12, 5) + TimeSerial(16, 30, 0));
    form->OnSunTick();
    EXPECT_EQ(Name("SunTransit1"), "Sunrise 07:50, sunset 15:55; the sun rises in 15 hours 20 minutes");
}

TEST_F(Accessibility, AFailedFetchAndAMissingValueReadAsSuchNeverAsZero) {
    Start();
    server.Stop();
    form->UpdateCurrent();
    ASSERT_TRUE(WaitForFetches(1));
    EXPECT_EQ(Name("lblLastTime"), "No reading yet: the feed server could not be reached.");
    EXPECT_EQ(form->findChild<QLabel*>("lblLastTime")->text().toStdString(),
              "No reading yet: the feed server could not be reached.");
    EXPECT_EQ(Name("MFC_Today"), "Now: no reading yet");

    // A reading whose temperature is no number: missing, not 0 degrees.
    server.Start();
    server.SetObservation(ObservationDoc("Fog", "n/a", "n/a"));
    form->UpdateCurrent();
    ASSERT_TRUE(WaitForFetches(2));
    EXPECT_EQ(Name("MFC_Today"), "Now: Fog, temperature missing");
    EXPECT_EQ(Name("lblHumid"), "Humidity missing");
    EXPECT_NE(form->TrayTip().find("temperature missing"), std::string::npos) << form->TrayTip();
    EXPECT_EQ(form->TrayTip().find("0" + kDegC), std::string::npos) << form->TrayTip();
}

TEST_F(Accessibility, TheChartIsNamedWithItsFrameAndTheLatestValues) {
    Start();
    server.SetObservation(ObservationDoc("Sunny", "12", "66"));
    form->UpdateCurrent();
    ASSERT_TRUE(WaitForFetches(1));
    form->ShowGraphWindow();
    PumpFor(20);
    QWidget* chart = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() != "frmMain" && w->inherits("nimbrel::frmGraph")) chart = w;
    ASSERT_NE(chart, nullptr);
    QWidget* control = chart->findChild<QWidget*>("mscTemp");
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(Said(*control).rfind("Temperature and humidity, ", 0), 0u) << Said(*control);
    EXPECT_NE(Said(*control).find(" to 05/12/2026"), std::string::npos) << Said(*control);
    EXPECT_EQ(Said(*control, QAccessible::Description),
              "Latest reading: 12 " + kDegC + ", humidity 66%, at 05/12/2026 14:00:00.");
}

TEST_F(Accessibility, KeysOpenTheMenuUpdateMoveThroughTheTilesAndEscapeCloses) {
    frmMain& f = Start();
    f.activateWindow();
    f.setFocus();
    PumpFor(20);
    // Every item has its key.
    for (QAction* a : Menu().actions())
        if (!a->isSeparator()) {
            EXPECT_NE(a->text().indexOf(QLatin1Char('&')), -1) << a->text().toStdString();
        }

    for (auto [key, mods] : {std::pair{Qt::Key_Menu, Qt::NoModifier}, std::pair{Qt::Key_F10, Qt::ShiftModifier},
                             std::pair{Qt::Key_Return, Qt::NoModifier}, std::pair{Qt::Key_Space, Qt::NoModifier}}) {
        QTest::keyClick(&f, key, mods);
        ASSERT_TRUE(PumpUntil([&] { return Menu().isVisible(); }, 2000)) << key;
        // Escape closes it again.
        QTest::keyClick(&Menu(), Qt::Key_Escape);
        ASSERT_TRUE(PumpUntil([&] { return !Menu().isVisible(); }, 2000)) << key;
    }

    // F5 updates the current data.
    QTest::keyClick(&f, Qt::Key_F5);
    ASSERT_TRUE(WaitForFetches(1));
    EXPECT_EQ(server.ObservationRequests(), 1);

    // Tab: the three forecast tiles, "Now", the dial.
    std::vector<std::string> order;
    f.setFocus();
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(f.focusWidget() ? f.focusWidget() : &f, Qt::Key_Tab);
        order.push_back(f.focusWidget() ? f.focusWidget()->objectName().toStdString() : "");
    }
    EXPECT_EQ(order, (std::vector<std::string>{"MiniFC0", "MiniFC1", "MiniFC2", "MFC_Today", "SunTransit1"}));

    // The menu keys reach the window from a tile too; Enter on "Now" opens
    // the menu beside it, as a click on it does.
    QTest::keyClick(f.focusWidget(), Qt::Key_Menu);
    ASSERT_TRUE(PumpUntil([&] { return Menu().isVisible(); }, 2000));
    QTest::keyClick(&Menu(), Qt::Key_Escape);
    ASSERT_TRUE(PumpUntil([&] { return !Menu().isVisible(); }, 2000));
    Part("MFC_Today").setFocus();
    QTest::keyClick(&Part("MFC_Today"), Qt::Key_Return);
    ASSERT_TRUE(PumpUntil([&] { return Menu().isVisible(); }, 2000));
    QTest::keyClick(&Menu(), Qt::Key_Escape);
    ASSERT_TRUE(PumpUntil([&] { return !Menu().isVisible(); }, 2000));
    Part("SunTransit1").setFocus();

    // Enter on a tile opens its details, as a click does.
    form->UpdateForecast();
    ASSERT_TRUE(WaitForFetches(2));
    const size_t before = messages.messages.size();
    QTest::keyClick(&Part("MiniFC1"), Qt::Key_Return);
    ASSERT_EQ(messages.messages.size(), before + 1);
    EXPECT_EQ(messages.messages.back().caption, "Sunday 06 Dec 2026 forecast");
    QTest::keyClick(&Part("SunTransit1"), Qt::Key_Space);
    ASSERT_EQ(messages.messages.size(), before + 2);
    EXPECT_EQ(messages.messages.back().caption, "Sun Transit Summary");

    // A screen reader's press does the same.
    QAccessibleInterface* dial = QAccessible::queryAccessibleInterface(&Part("SunTransit1"));
    ASSERT_NE(dial->actionInterface(), nullptr);
    dial->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(messages.messages.size(), before + 3);

    // A click on the window's background takes the keyboard back from a tile.
    EXPECT_EQ(f.focusWidget(), &Part("SunTransit1"));
    QTest::mousePress(&f, Qt::LeftButton, Qt::NoModifier, QPoint(2, 50));
    EXPECT_EQ(f.focusWidget(), &f);
    QTest::mouseRelease(&f, Qt::LeftButton, Qt::NoModifier, QPoint(2, 50));
    ASSERT_TRUE(PumpUntil([&] { return Menu().isVisible(); }, 2000));
    QTest::keyClick(&Menu(), Qt::Key_Escape);
    ASSERT_TRUE(PumpUntil([&] { return !Menu().isVisible(); }, 2000));

    // Escape closes the dialogs.
    f.ShowAbout();
    QDialog* about = nullptr;
    ASSERT_TRUE(PumpUntil(
        [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible()) about = d;
            return about != nullptr;
        },
        2000));
    QPointer<QDialog> aboutGuard(about);
    QTest::keyClick(about, Qt::Key_Escape);
    EXPECT_TRUE(PumpUntil([&] { return !aboutGuard || !aboutGuard->isVisible(); }, 2000));
    f.ShowPreferences();
    QPointer<QDialog> prefs = f.findChild<PreferencesDialog*>();
    ASSERT_NE(prefs, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return prefs && prefs->isVisible(); }, 2000));
    QTest::keyClick(prefs, Qt::Key_Escape);
    EXPECT_TRUE(PumpUntil([&] { return !prefs || !prefs->isVisible(); }, 2000));
}

TEST(AccessibleText, MissingValuesReadAsMissingAndDurationsAsWords) {
    EnsureApp();
    // A range end or humidity the feed did not give is missing, not 0.
    const ControlTexts t = TileTexts(
        "08/12/2026: Heavy Showers, n/a->6\xC2\xB0"
        "C, H=n/a%, SR=07:54GMT, SS=15:40GMT",
        TempUnit::Celsius);
    EXPECT_EQ(t.name.toStdString(), "Tuesday: heavy showers, temperature missing to 6 " + kDegC + ", humidity missing");
    // A line without sun times gets no second tip line.
    EXPECT_EQ(TileToolTip("08/12/2026: Fog, 1->2\xC2\xB0"
                          "C, H=90%, SR=, SS=",
                          TempUnit::Celsius)
                  .toStdString(),
              "08/12/2026: Fog, 1->2" + kDegC + ", H=90%, SR=, SS=");
    EXPECT_EQ(DurationText(0).toStdString(), "0 minutes");
    EXPECT_EQ(DurationText(1).toStdString(), "1 minute");
    EXPECT_EQ(DurationText(60).toStdString(), "1 hour");
    EXPECT_EQ(DurationText(231).toStdString(), "3 hours 51 minutes");
    EXPECT_EQ(DurationText(-61).toStdString(), "1 hour 1 minute");
    EXPECT_EQ(HumidityName("%").toStdString(), "Humidity missing");
    EXPECT_EQ(SunriseName("??:??").toStdString(), "Sunrise not known yet");
}

TEST(TrayBadge, ThreeCharactersWithAMinusKeepClearOfTheRimFrom16To32Pixels) {
    EnsureApp();
    for (int size : {16, 22, 24, 32}) {
        for (int degrees : {-12, -99, 105, 7}) {
            const QImage image = DrawTrayTemperature(degrees, size);
            auto bright = [&](int x, int y) {
                const QRgb p = image.pixel(x, y);
                return std::max({qRed(p), qGreen(p), qBlue(p)});
            };
            // The first line of pixels inside the rim is badge, along the
            // straight part of each side: no figure reaches the edge.
            const int inner = int(std::ceil(std::max(1.0, size / 16.0)));
            for (int t = size / 4; t < size - size / 4; ++t) {
                EXPECT_LT(bright(inner, t), 140) << size << " " << degrees << " left at " << t;
                EXPECT_LT(bright(size - 1 - inner, t), 140) << size << " " << degrees << " right at " << t;
                EXPECT_LT(bright(t, inner), 140) << size << " " << degrees << " top at " << t;
                EXPECT_LT(bright(t, size - 1 - inner), 140) << size << " " << degrees << " bottom at " << t;
            }
            // The figures are there, and "−12" spans more than half the badge.
            int left = size, right = -1;
            for (int y = inner + 1; y < size - 1 - inner; ++y)
                for (int x = inner + 1; x < size - 1 - inner; ++x)
                    if (bright(x, y) > 150) left = std::min(left, x), right = std::max(right, x);
            ASSERT_GE(right, 0) << size << " " << degrees;
            if (degrees == -12) {
                EXPECT_GE(right - left, size / 2) << size;
            }
        }
    }
}

}  // namespace
}  // namespace nimbrel

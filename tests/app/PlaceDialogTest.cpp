// Choosing the place in the window: the "Set location…" dialog against a
// fake of the services (offscreen), a search that fails, Cancel, the first
// start that asks once, the place chosen from the preferences, and the real
// weather that follows on the labels, the tiles, the history and the tray.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QLabel>
#include <QLineEdit>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "AppTestSupport.h"
#include "FakeOpenMeteo.h"
#include "ScopedZone.h"
#include "TestLocales.h"
#include "app/PlaceChoice.h"
#include "app/PlaceDialog.h"
#include "app/PreferencesDialog.h"
#include "app/frmMain.h"
#include "base/Clock.h"
#include "controls/ControlWidget.h"
#include "controls/MiniForecast.h"

namespace nimbrel {
namespace {

using namespace apptest;

// Both services at one base for the life of the object.
struct ServicesAt {
    explicit ServicesAt(const std::string& forecast, const std::string& search) {
        ::setenv("NIMBREL_OPEN_METEO_URL", forecast.c_str(), 1);
        ::setenv("NIMBREL_GEOCODING_URL", search.c_str(), 1);
    }
    ~ServicesAt() {
        ::unsetenv("NIMBREL_OPEN_METEO_URL");
        ::unsetenv("NIMBREL_GEOCODING_URL");
    }
};

class PlaceDialogTest : public ::testing::Test {
protected:
    void SetUp() override { EnsureApp(); }
    void TearDown() override {
        form.reset();
        PumpFor(10);
    }
    frmMain& Start(bool mayAsk = false) {
        frmMain::Config c;
        c.folder = folder.Str();
        c.feedBaseUrl = server.BaseUrl();
        c.mayAskForPlace = mayAsk;
        c.onEnded = [] {};
        form = std::make_unique<frmMain>(c);
        form->Load();
        form->ShowFirst();
        return *form;
    }
    PlaceDialog& Dialog() {
        if (!form->OpenPlaceDialog()) form->SetLocation();
        return *form->OpenPlaceDialog();
    }
    void SearchFor(const char* text) {
        Dialog().Field()->setText(QString::fromUtf8(text));
        Dialog().Search();
        ASSERT_TRUE(PumpUntil([&] { return !Dialog().Searching(); }, 8000));
    }
    PreferencesDialog& Preferences() {
        form->ShowPreferences();
        return *form->findChild<PreferencesDialog*>("PreferencesDialog");
    }
    // Chooses the first match for text through the preferences' place dialog.
    void ChooseInPreferences(PreferencesDialog& prefs, const char* text) {
        prefs.ChoosePlace();
        PlaceDialog& search = *prefs.OpenPlaceDialog();
        search.Field()->setText(QString::fromUtf8(text));
        search.Search();
        ASSERT_TRUE(PumpUntil([&] { return !search.Searching(); }, 8000));
        search.ChooseRow(0);
        PumpFor(10);
    }
    std::string Saved() { return ReadFile(folder.Settings()); }
    std::string Text(const char* name) { return form->findChild<QLabel*>(name)->text().toStdString(); }
    controls::MiniForecast& Tile(int i) {
        auto* w = form->findChild<ControlWidget*>(QString::fromStdString("MiniFC" + std::to_string(i)));
        return dynamic_cast<controls::MiniForecast&>(w->Control());
    }
    // Berlin from the dialog, and both documents fetched.
    void ChooseBerlin() {
        SearchFor("Berlin");
        Dialog().ChooseRow(0);
        ASSERT_TRUE(PumpUntil([&] { return form->Fetches().Handled() >= 2 && !form->Fetches().Running(); }, 8000));
    }
    std::string LastUpdate() { return form->findChild<QLabel*>("lblLastTime")->text().toStdString(); }

    test::FakeOpenMeteo fake;
    FeedServer server;
    TempFolder folder;
    MessageRecorder messages;
    ScopedTray tray;
    std::unique_ptr<frmMain> form;
};

TEST_F(PlaceDialogTest, OkKeepsThePlaceFetchesAtOnceAndNamesIt) {
    ServicesAt at(fake.BaseUrl(), fake.BaseUrl());
    Start();
    EXPECT_EQ(form->windowTitle().toStdString(), "Nimbrel");
    SearchFor("Berlin");
    EXPECT_EQ(Dialog().Matches(),
              (QStringList{"Berlin, Land Berlin, Germany", "Berlin, New Hampshire, United States"}));
    Dialog().ChooseRow(0);
    EXPECT_EQ(form->windowTitle().toStdString(), "Nimbrel - Berlin, Land Berlin, Germany");
    ASSERT_TRUE(PumpUntil([&] { return form->Fetches().Handled() >= 2 && !form->Fetches().Running(); }, 8000));
    EXPECT_EQ(fake.ForecastRequests(), 1);
    EXPECT_EQ(server.ObservationRequests() + server.ForecastRequests(), 0);
    EXPECT_NE(LastUpdate().find("Last update: "), std::string::npos);
    EXPECT_NE(Saved().find("<place>Berlin, Land Berlin, Germany</place>"), std::string::npos) << Saved();

    // The tile's message names the service.
    form->ShowTileMessage(0);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_NE(messages.messages[0].text.find("Weather data by Open-Meteo.com"), std::string::npos);
    EXPECT_NE(messages.messages[0].text.find("Cloudy"), std::string::npos);
}

TEST_F(PlaceDialogTest, AFailedSearchSaysSoAndKeepsTheOldPlace) {
    ServicesAt at(fake.BaseUrl(), "http://127.0.0.1:1");
    Start();
    SearchFor("Berlin");
    EXPECT_NE(Dialog().Status().toStdString().find("The search failed"), std::string::npos)
        << Dialog().Status().toStdString();
    EXPECT_TRUE(Dialog().Matches().isEmpty());
    Dialog().ChooseRow(0);  // nothing to choose
    EXPECT_EQ(form->windowTitle().toStdString(), "Nimbrel");

    fake.SetSearch("Nowhere", {200, R"({"results":[{"name":"Nowhere"}]})"});
    ServicesAt fine(fake.BaseUrl(), fake.BaseUrl());
    SearchFor("Nowhere");  // a result without coordinates is no match
    EXPECT_TRUE(Dialog().Matches().isEmpty());
    EXPECT_NE(Dialog().Status().toStdString().find("No place"), std::string::npos);
    Dialog().reject();
    PumpFor(10);
    EXPECT_EQ(form->windowTitle().toStdString(), "Nimbrel");
    EXPECT_EQ(fake.ForecastRequests(), 0);
}

TEST_F(PlaceDialogTest, AFirstStartAsksOnceAndCancelledSaysHowToChoose) {
    Start(true);
    ASSERT_TRUE(PumpUntil([&] { return form->OpenPlaceDialog() != nullptr; }, 3000));
    form->OpenPlaceDialog()->reject();
    PumpFor(10);
    EXPECT_EQ(LastUpdate(), kChoosePlaceHint);
    form.reset();
    PumpFor(10);

    // The tests' own starts (no first start, or mayAskForPlace off) never ask.
    Start(false);
    PumpFor(50);
    EXPECT_EQ(form->OpenPlaceDialog(), nullptr);
}

TEST_F(PlaceDialogTest, ThePreferencesChooseAPlaceThatOnlyTheirOkKeeps) {
    ServicesAt at(fake.BaseUrl(), fake.BaseUrl());
    Start();
    const std::string before = Saved();
    {
        PreferencesDialog& prefs = Preferences();
        EXPECT_NE(prefs.PlaceName().text().toStdString().find("none chosen"), std::string::npos);
        ChooseInPreferences(prefs, "Berlin");
        EXPECT_EQ(prefs.PlaceName().text().toStdString(), "Berlin, Land Berlin, Germany");
        // Chosen in the dialog, not yet kept: Cancel throws it away.
        prefs.CancelClicked();
        PumpFor(10);
    }
    EXPECT_EQ(Saved(), before);
    EXPECT_EQ(form->windowTitle().toStdString(), "Nimbrel");
    EXPECT_EQ(fake.ForecastRequests(), 0);

    {
        PreferencesDialog& prefs = Preferences();
        ChooseInPreferences(prefs, "Berlin");
        EXPECT_EQ(fake.ForecastRequests(), 0);
        prefs.OkClicked();
    }
    EXPECT_EQ(form->windowTitle().toStdString(), "Nimbrel - Berlin, Land Berlin, Germany");
    ASSERT_TRUE(PumpUntil([&] { return form->Fetches().Handled() >= 2 && !form->Fetches().Running(); }, 8000));
    EXPECT_EQ(fake.ForecastRequests(), 1);
    EXPECT_EQ(server.ObservationRequests() + server.ForecastRequests(), 0);
    EXPECT_NE(Saved().find("<place>Berlin, Land Berlin, Germany</place>"), std::string::npos) << Saved();
    EXPECT_NE(LastUpdate().find("Last update: "), std::string::npos);
    PumpFor(10);

    // Opened again, the dialog names the kept place.
    EXPECT_EQ(Preferences().PlaceName().text().toStdString(), "Berlin, Land Berlin, Germany");
}

TEST_F(PlaceDialogTest, SunTimesAreShownInTheDesktopsZoneWhereverThePlaceIs) {
    ServicesAt at(fake.BaseUrl(), fake.BaseUrl());
    // Berlin is at UTC+1 in December; its sunrise at 08:05 and sunset at
    // 15:53 are 07:05 and 14:53 GMT.
    struct Case {
        const char* tz;
        const char* sunrise;
        const char* sunset;
    };
    // At home in Berlin, and twelve hours behind it (UTC-11, no summer
    // time): the evening before and the small hours.
    for (const Case& c : {Case{"Europe/Berlin", "08:05", "15:53"}, Case{"Pacific/Pago_Pago", "20:05", "03:53"}}) {
        SCOPED_TRACE(c.tz);
        nimbrel::testing::ScopedZone zone(c.tz);
        ScopedClock clock(DateSerial(2026, 12, 8) + TimeSerial(12, 0, 0));
        // Each zone starts afresh, with no place and no reading.
        for (const auto& entry : std::filesystem::directory_iterator(folder.Path()))
            std::filesystem::remove_all(entry.path());
        Start();
        ChooseBerlin();
        EXPECT_EQ(Text("lblSunrise"), c.sunrise);
        EXPECT_EQ(Text("lblSunset"), c.sunset);

        // The reading and the forecast went the whole way, whatever the zone.
        EXPECT_EQ(Tile(0).ShownWeather(), controls::Weather::Cloudy);
        EXPECT_EQ(Tile(1).ShownWeather(), controls::Weather::LightRain);
        EXPECT_EQ(Tile(2).ShownWeather(), controls::Weather::Fog);
        EXPECT_EQ(Text("lblHumid"), "82%");
        form->Exit();
        const std::string saved = Saved();
        EXPECT_NE(saved.find("<last reading>Light Rain,26,82,"), std::string::npos) << saved;
        EXPECT_NE(saved.find("<last temps>26</last temps>"), std::string::npos) << saved;
        EXPECT_NE(saved.find("SR=07:05GMT, SS=14:53GMT"), std::string::npos) << saved;
        form.reset();
        PumpFor(10);
    }
}

// The place chosen in the dialog under a decimal-comma locale: the service
// is asked with points and the file keeps points.
TEST_F(PlaceDialogTest, UnderEveryLocaleThePlaceIsAskedForAndKeptWithPoints) {
    ServicesAt at(fake.BaseUrl(), fake.BaseUrl());
    for (const char* locale : apptest::kLocales) {
        if (!apptest::Available(locale)) continue;
        SCOPED_TRACE(locale);
        apptest::InLocale in(locale);
        for (const auto& entry : std::filesystem::directory_iterator(folder.Path()))
            std::filesystem::remove_all(entry.path());
        Start();
        ChooseBerlin();
        EXPECT_EQ(fake.LastQuery().find("latitude")->second, "52.5244");
        form->Exit();
        const std::string saved = Saved();
        EXPECT_NE(saved.find("<latitude>52.5244</latitude>"), std::string::npos) << saved;
        EXPECT_NE(saved.find("<longitude>13.4105</longitude>"), std::string::npos) << saved;
        form.reset();
        PumpFor(10);
    }
}

TEST_F(PlaceDialogTest, AnotherPlaceWhoseFirstFetchFailsShowsNoneOfTheOldPlacesWeather) {
    ServicesAt at(fake.BaseUrl(), fake.BaseUrl());
    ScopedClock clock(DateSerial(2026, 12, 8) + TimeSerial(14, 20, 0));
    Start();
    form->SendToTray();
    ChooseBerlin();
    ASSERT_EQ(Text("lblHumid"), "82%");
    ASSERT_TRUE(Tile(0).HasPicture());
    fake.SetForecast({500, "down"});
    Place other;
    other.name = "Berlin";
    other.admin1 = "New Hampshire";
    other.country = "United States";
    other.latitude = 44.46867;
    other.longitude = -71.18508;
    const int before = form->Fetches().Handled();
    form->UsePlace(other);
    ASSERT_TRUE(PumpUntil([&] { return form->Fetches().Handled() >= before + 2 && !form->Fetches().Running(); }, 8000));
    EXPECT_EQ(form->windowTitle().toStdString(), "Nimbrel - Berlin, New Hampshire, United States");
    auto* today = form->findChild<ControlWidget*>(QStringLiteral("MFC_Today"));
    std::vector<controls::MiniForecast*> tiles{&dynamic_cast<controls::MiniForecast&>(today->Control())};
    for (int i = 0; i < 3; ++i) tiles.push_back(&Tile(i));
    for (controls::MiniForecast* t : tiles) {
        EXPECT_FALSE(t->HasPicture());
        EXPECT_EQ(t->TempCaption(), "");
        EXPECT_EQ(t->Title().Caption(), "");
    }
    EXPECT_EQ(Text("lblHumid"), "");
    EXPECT_EQ(Text("lblSunrise"), "");
    EXPECT_EQ(LastUpdate().find("Last update"), std::string::npos) << LastUpdate();
    const std::string tip = tray.tray().calls.back().second.szTip;
    EXPECT_EQ(tip.find("Light Rain"), std::string::npos) << tip;
    EXPECT_EQ(tip.find("26"), std::string::npos) << tip;
    EXPECT_NE(tip.find("Berlin, New Hampshire, United States"), std::string::npos) << tip;
    // The history is the user's record: the old place's reading stays in it.
    form->Exit();
    const std::string saved = Saved();
    EXPECT_NE(saved.find("<last temps>26</last temps>"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("Light Rain,26"), std::string::npos) << saved;
}

TEST_F(PlaceDialogTest, TheTrayTipNamesTheChosenPlace) {
    ServicesAt at(fake.BaseUrl(), fake.BaseUrl());
    Start();
    form->SendToTray();
    ASSERT_FALSE(tray.tray().calls.empty());
    EXPECT_EQ(tray.tray().calls.back().second.szTip, "Nimbrel");
    ChooseBerlin();
    const std::string tip = tray.tray().calls.back().second.szTip;
    EXPECT_EQ(tip.rfind("Berlin, Land Berlin, Germany: Light Rain, 26\xC2\xB0"
                        "C, humidity 82%",
                        0),
              0u)
        << tip;

    // Started again with a feed server named, the stored place waits and
    // the tip names the feed server's location, whose reading it shows.
    form->Exit();
    form.reset();
    PumpFor(10);
    Start();
    EXPECT_EQ(form->windowTitle().toStdString(), "Nimbrel");
    form->SendToTray();
    form->UpdateCurrent();
    ASSERT_TRUE(PumpUntil([&] { return form->Fetches().Handled() >= 1 && !form->Fetches().Running(); }, 8000));
    EXPECT_EQ(server.ObservationRequests(), 1);
    const std::string fed = tray.tray().calls.back().second.szTip;
    EXPECT_EQ(fed.rfind("Location 1769: ", 0), 0u) << fed;
}

}  // namespace
}  // namespace nimbrel

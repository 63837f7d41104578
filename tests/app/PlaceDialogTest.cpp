// Choosing the place in the window: the "Set location…" dialog against a
// fake of the services (offscreen), a search that fails, Cancel, and the
// first start that asks once.
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
#include "app/PlaceChoice.h"
#include "app/PlaceDialog.h"
#include "app/frmMain.h"

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
    std::string LastUpdate() { return form->findChild<QLabel*>("lblLastTime")->text().toStdString(); }

    test::FakeOpenMeteo fake;
    FeedServer server;
    TempFolder folder;
    MessageRecorder messages;
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
    const std::string saved = [&] {
        std::ifstream in(folder.Settings(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }();
    EXPECT_NE(saved.find("<place>Berlin, Land Berlin, Germany</place>"), std::string::npos) << saved;

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

}  // namespace
}  // namespace nimbrel

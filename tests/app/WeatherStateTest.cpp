// The weather state and the fetch cycle without the window: what each tells
// its listeners, against a real feed server on loopback.
#include <gtest/gtest.h>
#include <httplib.h>
#include <stdlib.h>

#include <filesystem>
#include <thread>

#include "AppTestSupport.h"
#include "FakeOpenMeteo.h"
#include "TestCertificate.h"
#include "app/FetchCycle.h"
#include "app/WeatherState.h"
#include "base/Clock.h"
#include "feeds/WeatherSource.h"

namespace nimbrel {
namespace {

using apptest::EnsureApp;
using apptest::FeedServer;
using apptest::PumpUntil;
using apptest::ReadFile;
using apptest::TempFolder;

const std::string kDeg = "\xC2\xB0";

struct Heard {
    std::vector<bool> readings;
    int forecasts = 0, units = 0, places = 0;
    std::vector<bool> saves;
    explicit Heard(WeatherState& s) {
        QObject::connect(&s, &WeatherState::readingChanged, [this](bool fresh) { readings.push_back(fresh); });
        QObject::connect(&s, &WeatherState::forecastChanged, [this] { ++forecasts; });
        QObject::connect(&s, &WeatherState::unitChanged, [this] { ++units; });
        QObject::connect(&s, &WeatherState::placeChanged, [this] { ++places; });
        QObject::connect(&s, &WeatherState::saved, [this](bool ok) { saves.push_back(ok); });
    }
};

FeedReading Reading(FeedKind kind, bool accepted) {
    FeedReading r;
    r.kind = kind;
    r.accepted = accepted;
    r.observation = {"Light Rain", Measure::Whole(12), Measure::Whole(80), std::nullopt};
    for (int k = 0; k < 3; ++k)
        r.forecast[size_t(k)] = {DateSerial(2026, 12, 8) + k, "Sunny",
                                 Measure::Whole(-3),          Measure::Whole(4 + k),
                                 Measure::Whole(70),          {"07:50GMT", std::nullopt},
                                 {"15:55GMT", std::nullopt}};
    return r;
}

TEST(WeatherState, ReadingsAndForecastsAreKeptAndToldAndARefusedOneChangesNothing) {
    EnsureApp();
    ScopedClock clock(DateSerial(2026, 12, 8) + TimeSerial(14, 0, 0));
    WeatherState state;
    Heard heard(state);

    state.Take(Reading(FeedKind::Observation, false));
    state.Take(Reading(FeedKind::Forecast, false));
    EXPECT_TRUE(heard.readings.empty());
    EXPECT_EQ(heard.forecasts, 0);
    EXPECT_TRUE(state.Store().LastReading.empty());

    state.Take(Reading(FeedKind::Observation, true));
    EXPECT_EQ(heard.readings, std::vector<bool>{true});
    EXPECT_EQ(state.Store().LastReading, "Light Rain,12,80,08/12/2026 14:00:00");
    EXPECT_EQ(state.LastObservation().summary, "Light Rain");
    EXPECT_EQ(state.Reading().humidityCaption, "80%");

    state.Take(Reading(FeedKind::Forecast, true));
    EXPECT_EQ(heard.forecasts, 1);
    EXPECT_EQ(state.ForecastLineOf(2), "10/12/2026: Sunny, -3->6" + kDeg + "C, H=70%, SR=07:50GMT, SS=15:55GMT");
    EXPECT_EQ(state.ForecastLineOf(3), "");
    EXPECT_EQ(state.Days()[1].maximum.text, "5");
    EXPECT_EQ(state.Forecast().tiles[0].caption, "Tue");
}

TEST(WeatherState, TheUnitIsToldOnceWhenItChangesAndReachesTheScreenTextsOnly) {
    EnsureApp();
    ScopedClock clock(DateSerial(2026, 12, 8) + TimeSerial(14, 0, 0));
    WeatherState state;
    Heard heard(state);
    state.Take(Reading(FeedKind::Forecast, true));
    const std::string stored = state.Store().ForecastText;

    state.SetUnit(TempUnit::Celsius);
    EXPECT_EQ(heard.units, 0);
    state.SetUnit(TempUnit::Fahrenheit);
    state.SetUnit(TempUnit::Fahrenheit);
    EXPECT_EQ(heard.units, 1);
    EXPECT_EQ(state.Forecast().toolTips[0], "08/12/2026: Sunny, 27->39" + kDeg + "F, H=70%, SR=07:50GMT, SS=15:55GMT");
    EXPECT_EQ(state.Store().ForecastText, stored);

    state.SetPlace("Leeds");
    state.SetPlace("Leeds");
    EXPECT_EQ(heard.places, 1);
    EXPECT_EQ(state.Place(), "Leeds");
}

TEST(WeatherState, EachSaveTellsWhetherTheFileWasWritten) {
    EnsureApp();
    TempFolder folder;
    WeatherState state;
    Heard heard(state);
    state.Store().SetFolder(folder.Str());
    EXPECT_TRUE(state.Save());
    EXPECT_TRUE(std::filesystem::exists(folder.Settings()));
    state.Store().SetFolder((std::filesystem::path(folder.Str()) / "gone").string());
    EXPECT_FALSE(state.Save());
    EXPECT_EQ(heard.saves, (std::vector<bool>{true, false}));
}

// The regular save tells its outcome on the window's thread once the file is
// flushed on another; a flush that fails there is told, and the next save
// writes the readings it did not.
TEST(WeatherState, ASaveFlushedInTheBackgroundIsToldHereAndAFailureIsTriedAgain) {
    EnsureApp();
    TempFolder folder;
    WeatherState state;
    std::vector<bool> told;
    QObject::connect(&state, &WeatherState::savedInBackground, [&](bool ok) { told.push_back(ok); });
    SettingsStore& store = state.Store();
    store.SetFolder(folder.Str());
    ScopedClock clock(DateSerial(2026, 12, 8) + TimeSerial(14, 0, 0));
    state.Take(Reading(FeedKind::Observation, true));

    std::thread::id flushedOn;
    store.OnBackgroundSaveStarting = [&] { flushedOn = std::this_thread::get_id(); };
    state.SaveInBackground();
    EXPECT_TRUE(told.empty());  // not before the event loop brings it
    ASSERT_TRUE(PumpUntil([&] { return !told.empty(); }));
    EXPECT_EQ(told, std::vector<bool>{true});
    EXPECT_NE(flushedOn, std::this_thread::get_id());
    EXPECT_NE(ReadFile(folder.Settings()).find("<last temps>12</last temps>"), std::string::npos);

    // The file's name is taken by a folder while the new file is flushed.
    clock.Advance(0.01);
    state.Take(Reading(FeedKind::Observation, true));
    store.OnBackgroundSaveStarting = [&] {
        std::filesystem::remove(folder.Settings());
        std::filesystem::create_directories(folder.Settings() / "in the way");
    };
    state.SaveInBackground();
    ASSERT_TRUE(PumpUntil([&] { return told.size() == 2; }));
    EXPECT_FALSE(told[1]);
    EXPECT_FALSE(store.LastSaveSucceeded());

    store.OnBackgroundSaveStarting = nullptr;
    std::filesystem::remove_all(folder.Settings());
    state.SaveInBackground();
    ASSERT_TRUE(PumpUntil([&] { return told.size() == 3; }));
    EXPECT_TRUE(told[2]);
    EXPECT_NE(ReadFile(folder.Settings()).find("<last temps>12,12</last temps>"), std::string::npos);
}

TEST(FetchCycle, EachFetchIsToldOnThisThreadWithWhatItBrought) {
    EnsureApp();
    FeedServer server;
    FetchCycle cycle({});
    cycle.SetFeedUrls(BuildFeedUrls(server.BaseUrl(), "3772"));
    std::vector<FetchOutcome> told;
    QObject::connect(&cycle, &FetchCycle::fetched, [&](const FetchOutcome& o) { told.push_back(o); });

    cycle.Ask(FeedKind::Observation);
    cycle.Ask(FeedKind::Forecast, true);
    ASSERT_TRUE(PumpUntil([&] { return told.size() == 2; }));
    EXPECT_EQ(told[0].kind, FeedKind::Observation);
    EXPECT_TRUE(told[0].ok);
    EXPECT_EQ(told[0].what, "received");
    EXPECT_TRUE(told[0].reading.accepted);
    EXPECT_EQ(told[1].kind, FeedKind::Forecast);
    EXPECT_TRUE(told[1].byUser);
    EXPECT_TRUE(told[1].reading.accepted);

    server.SetStatus(false, 404);
    cycle.Ask(FeedKind::Observation, true);
    ASSERT_TRUE(PumpUntil([&] { return told.size() == 3; }));
    EXPECT_FALSE(told[2].ok);
    EXPECT_EQ(told[2].what, server.BaseUrl().substr(7) + " answered with error 404");
    EXPECT_FALSE(told[2].reading.accepted);

    // After the stop nothing more is fetched or told.
    cycle.Stop();
    cycle.Ask(FeedKind::Observation);
    apptest::PumpFor(50);
    EXPECT_EQ(told.size(), 3u);
    EXPECT_EQ(cycle.Fetches().Handled(), 3);
}

}  // namespace
}  // namespace nimbrel

namespace nimbrel {
namespace {

// A failure names the weather service the place's source asked, not the
// feed server the window would use without a place, and says what went
// wrong in the words that fit: an answer refused, a certificate refused.
TEST(FetchCycle, AFailureNamesTheSourceUsedAndItsTrueCause) {
    apptest::EnsureApp();
    test::FakeOpenMeteo fake;
    const std::string serviceHost = fake.BaseUrl().substr(7);
    FetchCycle cycle({});
    cycle.SetFeedUrls(BuildFeedUrls("http://127.0.0.1:8077", "3772"));
    std::vector<FetchOutcome> told;
    QObject::connect(&cycle, &FetchCycle::fetched, [&](const FetchOutcome& o) { told.push_back(o); });
    auto ask = [&](std::shared_ptr<WeatherSource> source) {
        cycle.SetSource(std::move(source));
        const size_t before = told.size();
        cycle.Ask(FeedKind::Observation, true);
        EXPECT_TRUE(apptest::PumpUntil([&] { return told.size() == before + 1; }, 8000));
        return told.empty() ? std::string() : told.back().what;
    };

    // An answer that came whole but was refused.
    fake.SetForecast({200, R"({"latitude":52.5})"});
    std::string what = ask(std::make_shared<OpenMeteoSource>(52.52, 13.41, fake.BaseUrl()));
    EXPECT_EQ(what.rfind("the answer from " + serviceHost + " could not be read: ", 0), 0u) << what;
    EXPECT_EQ(what.find("200"), std::string::npos) << what;

    // Nobody at the service's address: the service is named.
    what = ask(std::make_shared<OpenMeteoSource>(52.52, 13.41, "http://127.0.0.1:1"));
    EXPECT_EQ(what, "could not connect to 127.0.0.1:1") << what;

    // A real https server whose certificate nobody trusts: the status names
    // the certificate and the service's host, not a failed connection to the
    // feed server.
    testing::TestCertificate cert;
    ASSERT_TRUE(cert.made) << "openssl could not make a certificate";
    {
        httplib::SSLServer secure(cert.Cert().c_str(), cert.Key().c_str());
        ASSERT_TRUE(secure.is_valid());
        secure.Get("/v1/forecast",
                   [](const httplib::Request&, httplib::Response& res) { res.set_content("{}", "application/json"); });
        const int port = secure.bind_to_any_port("127.0.0.1");
        std::thread serving([&] { secure.listen_after_bind(); });
        const std::string host = "127.0.0.1:" + std::to_string(port);
        what = ask(std::make_shared<OpenMeteoSource>(52.52, 13.41, "https://" + host));
        secure.stop();
        serving.join();
        EXPECT_EQ(what.rfind("the certificate of " + host + " was refused: ", 0), 0u) << what;
        EXPECT_NE(what.find("certificate problem"), std::string::npos) << what;
    }
    cycle.Stop();
}

}  // namespace
}  // namespace nimbrel

// The observation parser on documents as the feed writes them and on the
// ways they go wrong.
#include <gtest/gtest.h>

#include <filesystem>

#include "RecordingDisplay.h"
#include "base/Clock.h"
#include "feeds/FeedRetrieval.h"
#include "feeds/ObservationFeed.h"
#include "store/SettingsStore.h"

namespace nimbrel {
namespace {

using test::RecordingDisplay;
using test::TileCall;

std::string Doc(const std::string& title, const std::string& description) {
    return "<?xml version=\"1.0\"?>\r\n<rss version=\"2.0\">\r\n<channel>\r\n<title>Observations</title>\r\n<item>\r\n"
           "<title>" +
           title + "</title>\r\n<description>" + description + "</description>\r\n</item>\r\n</channel>\r\n</rss>\r\n";
}

std::string Standard(const std::string& summary = "Light Rain", const std::string& temp = "12",
                     const std::string& humid = "80") {
    return Doc("Monday at 21:00 GMT:\r\n" + summary + ". " + temp + "&#xB0;C (54&#xB0;F)",
               "Temperature: " + temp + "&#xB0;C (54&#xB0;F), Wind Direction: Westerly, Humidity: " + humid +
                   "&#37;, Pressure: 1012mb");
}

DateTime Monday2100() {
    return DateSerial(2026, 12, 7) + TimeSerial(21, 0, 0);
}

TEST(ParseObservation, TakesSummaryTemperatureAndHumidityAndShowsThem) {
    ScopedClock clock(Monday2100());
    SettingsStore store;
    RecordingDisplay display;
    ParseObservation(Standard(), store, display);

    EXPECT_EQ(store.CurrentSummary, "Light Rain");
    EXPECT_EQ(store.CurrentTemp, 12);
    EXPECT_EQ(store.LastUpdate, "07/12/2026 21:00:00");
    EXPECT_EQ(store.LastReading, "Light Rain,12,80,07/12/2026 21:00:00");
    EXPECT_EQ(store.TempHistory, "12");
    EXPECT_EQ(store.HumidHistory, "80");
    EXPECT_EQ(store.TimeHistory, "07/12/2026 21:00:00");

    ASSERT_EQ(display.today.size(), 1u);
    EXPECT_EQ(display.today[0], (TileCall{"Now", "Light Rain", 12}));
    EXPECT_EQ(display.humidity, std::vector<std::string>{"80%"});
    EXPECT_EQ(display.lastUpdate, std::vector<std::string>{"Last update: 07/12/2026 21:00:00"});
    EXPECT_EQ(display.graphRedraws, 1);
}

TEST(ParseObservation, ReadsNegativeRoundedAndPaddedValues) {
    ScopedClock clock(Monday2100());
    struct Case {
        std::string temp, humid;
        int currentTemp;
        std::string storedTemp, storedHumid;
    };
    for (const Case& c : {Case{"-3", "80", -3, "-3", "80"}, Case{"12.5", "66", 12, "12.5", "66"},
                          Case{"13.5", " 66 ", 14, "13.5", "66"}, Case{"99999", "1", 0, "n/a", "1"},
                          Case{"warm", "1", 0, "warm", "1"}}) {
        SettingsStore store;
        RecordingDisplay display;
        ParseObservation(Standard("Cloudy", c.temp, c.humid), store, display);
        EXPECT_EQ(store.CurrentTemp, c.currentTemp) << c.temp;
        EXPECT_EQ(store.TempHistory, c.storedTemp) << c.temp;
        EXPECT_EQ(store.HumidHistory, c.storedHumid) << c.humid;
        EXPECT_EQ(display.humidity.at(0), c.storedHumid + "%");
    }
}

TEST(ParseObservation, TitleWithoutLineBreakGivesEmptySummary) {
    ScopedClock clock(Monday2100());
    SettingsStore store;
    RecordingDisplay display;
    ParseObservation(Doc("Monday at 21:00 GMT: Light Rain. 12&#xB0;C", "Temperature: 12&#xB0;C, Humidity: 80&#37;"),
                     store, display);
    EXPECT_EQ(store.CurrentSummary, "");
    EXPECT_EQ(store.CurrentTemp, 12);
    EXPECT_EQ(display.today.at(0), (TileCall{"Now", "", 12}));
}

TEST(ParseObservation, MissingValuesAreStoredAsNotAValueAndNeverInvented) {
    ScopedClock clock(Monday2100());
    SettingsStore store;
    RecordingDisplay display;
    // Nothing to read: the update is stamped and the values stand as "n/a",
    // but a reading without a number is no point of the history.
    ParseObservation(Doc("nothing here", "no values"), store, display);
    EXPECT_EQ(store.CurrentSummary, "");
    EXPECT_EQ(store.CurrentTemp, 0);
    EXPECT_EQ(store.LastReading, ",n/a,n/a,07/12/2026 21:00:00");
    EXPECT_EQ(store.TempHistory, "");
    EXPECT_EQ(store.HumidHistory, "");
    EXPECT_EQ(store.TimeHistory, "");
    EXPECT_EQ(display.humidity.at(0), "%");
    EXPECT_EQ(display.lastUpdate.at(0), "Last update: 07/12/2026 21:00:00");

    // A reading with one of the two: the other is "n/a", not the last value
    // the history held.
    clock.Advance(TimeSerial(0, 5, 0));
    ParseObservation(Standard("Cloudy", "9", "70"), store, display);
    clock.Advance(TimeSerial(0, 5, 0));
    ParseObservation(Doc("t", "Humidity: 75&#37;"), store, display);
    EXPECT_EQ(store.LastReading, ",n/a,75,07/12/2026 21:10:00");
    clock.Advance(TimeSerial(0, 5, 0));
    ParseObservation(Doc("t", "Temperature: 8&#xB0;C"), store, display);
    EXPECT_EQ(store.TempHistory, "9,n/a,8");
    EXPECT_EQ(store.HumidHistory, "70,75,n/a");
    EXPECT_EQ(store.TimeHistory, "07/12/2026 21:05:00,07/12/2026 21:10:00,07/12/2026 21:15:00");

    // And the file reads back the same: "n/a" stays "n/a".
    const auto dir = std::filesystem::temp_directory_path() / ("nimbrel-na-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    store.SetFolder(dir.string());
    store.SaveSettings();
    ASSERT_TRUE(store.LastSaveSucceeded());
    SettingsStore back;
    back.SetFolder(dir.string());
    back.LoadSettings();
    EXPECT_EQ(back.LastReading, store.LastReading);
    EXPECT_EQ(back.TempHistory, "9,n/a,8");
    EXPECT_EQ(back.HumidHistory, "70,75,n/a");
    EXPECT_EQ(back.HumidityCaption, "%");
    std::filesystem::remove_all(dir);
}

TEST(ParseObservation, EqualReadingsKeepFirstAndLastButEveryUpdateIsStamped) {
    ScopedClock clock(Monday2100());
    SettingsStore store;
    RecordingDisplay display;
    for (int i = 0; i < 3; ++i) {
        ParseObservation(Standard("Cloudy", "12", "80"), store, display);
        clock.Advance(TimeSerial(0, 5, 0));
    }
    EXPECT_EQ(store.LastUpdate, "07/12/2026 21:10:00");
    EXPECT_EQ(store.TempHistory, "12,12");
    EXPECT_EQ(store.TimeHistory, "07/12/2026 21:00:00,07/12/2026 21:10:00");
    EXPECT_EQ(display.lastUpdate.size(), 3u);
}

// A summary with "," or tag characters must not shift the record's fields or
// cut the stored settings document short.
TEST(ParseObservation, SummaryCannotCorruptTheStoredRecord) {
    ScopedClock clock(Monday2100());
    const auto dir = std::filesystem::temp_directory_path() / ("nimbrel-obs-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    {
        SettingsStore store;
        store.SetFolder(dir.string());
        store.LocationId = "3772";
        RecordingDisplay display;
        ParseObservation(Standard("Rain, sun &lt;/weather&gt; <b>x</b></last reading></weather>", "7", "91"), store,
                         display);
        EXPECT_EQ(store.CurrentSummary, "Rain; sun &lt;/weather&gt; (b)x(/b)(/last reading)(/weather)");
        EXPECT_EQ(store.TempHistory, "7");
        EXPECT_EQ(store.HumidHistory, "91");
        store.SaveSettings();
        ASSERT_TRUE(store.LastSaveSucceeded());
    }
    SettingsStore loaded;
    loaded.SetFolder(dir.string());
    loaded.LoadSettings();
    EXPECT_EQ(loaded.LocationId, "3772");
    EXPECT_EQ(loaded.CurrentSummary, "Rain; sun &lt;/weather&gt; (b)x(/b)(/last reading)(/weather)");
    EXPECT_EQ(loaded.CurrentTemp, 7);
    EXPECT_EQ(loaded.HumidityCaption, "91%");
    EXPECT_EQ(loaded.LastUpdate, "07/12/2026 21:00:00");
    std::filesystem::remove_all(dir);
}

TEST(ReadObservation, TemperatureWithCommaStaysOneHistoryEntry) {
    const Observation r = ReadObservation(Standard("Cloudy", "12,5", "80, rising"));
    EXPECT_EQ(r.temperature.text, "12;5");
    EXPECT_EQ(r.humidity.text, "80; rising");
    EXPECT_EQ(CurrentTemperature(r), 12);
}

TEST(ReadObservation, HostileValuesAreMissingAndTheSummaryIsCut) {
    const Observation r = ReadObservation(Standard(std::string(100, 'S'), std::string(39, '9'), "101"));
    EXPECT_EQ(r.temperature.text, "n/a");
    EXPECT_EQ(r.humidity.text, "n/a");
    EXPECT_EQ(CurrentTemperature(r), 0);
    EXPECT_EQ(r.summary, std::string(64, 'S'));
    EXPECT_EQ(ReadObservation(Standard("Fog", "-100", "0")).temperature.text, "-100");
    EXPECT_EQ(ReadObservation(Standard("Fog", "-100.5", "0")).temperature.text, "n/a");
}

TEST(ParseObservation, ValuesOfMegabytesAtEveryFetchKeepTheHistorySmall) {
    SettingsStore store;
    RecordingDisplay display;
    for (int i = 0; i < 40; ++i) {
        ScopedClock clock(Monday2100() + TimeSerial(0, i, 0));
        const std::string big(3 << 20, static_cast<char>('1' + i % 9));
        ParseObservation(Standard(big + std::to_string(i), big, big), store, display);
        ParseObservation(Standard("Fog", std::to_string(i % 30), std::to_string(50 + i % 7)), store, display);
    }
    EXPECT_EQ(display.humidity.back(), std::to_string(50 + 39 % 7) + "%");
    EXPECT_EQ(display.humidity.front(), "%");  // a missing humidity shows no number
    const size_t held = store.TempHistory.size() + store.HumidHistory.size() + store.TimeHistory.size() +
                        store.LastReading.size() + store.CurrentSummary.size();
    EXPECT_LT(held, 80u * 40 * 2);
    // The readings of megabytes had no number in bounds: none is a point.
    EXPECT_EQ(store.TempHistory.find("n/a"), std::string::npos);
}

}  // namespace
}  // namespace nimbrel

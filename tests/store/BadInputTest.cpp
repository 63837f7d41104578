// Whatever a hand edit, a crash of another program or a stray file leaves in
// settings.txt, start-up goes on, the history lists stay parallel and nothing
// that could still be read is thrown away.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "StoreTestSupport.h"
#include "base/Clock.h"
#include "base/modMisc.h"

using namespace nimbrel;
using nimbrel::testing::Bytes;
using nimbrel::testing::Entries;
using nimbrel::testing::Put;
using nimbrel::testing::StoreFolder;

namespace {

SettingsStore LoadFrom(const StoreFolder& dir, const std::string& bytes) {
    Put(dir.Settings(), bytes);
    SettingsStore s = dir.Store();
    s.LoadSettings();
    return s;
}

std::string History(const std::string& temps, const std::string& humids, const std::string& times) {
    return "<weather><last temps>" + temps + "</last temps><last humids>" + humids + "</last humids><last times>" +
           times + "</last times></weather>";
}

}  // namespace

TEST(BadSettings, LastReadingWithoutANumberGivesTemperatureZero) {
    StoreFolder dir;
    for (const char* reading : {",,,", "Sunny,,80,", "Sunny,warm,80,07/12/2026 10:00:00", "Sunny,12abc", ""}) {
        SettingsStore s = LoadFrom(dir, std::string("<weather><last reading>") + reading + "</last reading></weather>");
        EXPECT_EQ(s.CurrentTemp, 0) << reading;
    }
    EXPECT_EQ(LoadFrom(dir, "<weather><last reading>Fog,12.5,9,x</last reading></weather>").CurrentTemp, 12);
    EXPECT_EQ(LoadFrom(dir, "<weather><last reading>Fog, -13.5 ,9,x</last reading></weather>").CurrentTemp, -14);
    // A temperature beyond any weather is no reading at all.
    EXPECT_EQ(LoadFrom(dir, "<weather><last reading>Fog,1e9,9,x</last reading></weather>").CurrentTemp, 0);
}

TEST(BadSettings, UnequalListsAreAlignedOnTheNewestReadings) {
    StoreFolder dir;
    // More temperatures than times: the oldest extra temperatures go.
    SettingsStore a = LoadFrom(dir, History("1,2,3,4", "50,60", "t1,t2"));
    EXPECT_EQ(a.TempHistory, "3,4");
    EXPECT_EQ(a.HumidHistory, "50,60");
    EXPECT_EQ(a.TimeHistory, "t1,t2");
    // Fewer values than times: the oldest readings lack a value.
    SettingsStore b = LoadFrom(dir, History("7", "", "t1,t2,t3"));
    EXPECT_EQ(b.TempHistory, "n/a,n/a,7");
    EXPECT_EQ(b.HumidHistory, "n/a,n/a,n/a");
    EXPECT_EQ(b.TimeHistory, "t1,t2,t3");
    // Gaps inside a list repeat the previous value; a reading without a time
    // goes as a whole.
    SettingsStore c = LoadFrom(dir, History(",5,,6", "1,2,3,4", "t1,t2,,t4"));
    EXPECT_EQ(c.TempHistory, "n/a,5,6");
    EXPECT_EQ(c.HumidHistory, "1,2,4");
    EXPECT_EQ(c.TimeHistory, "t1,t2,t4");
    // Times that are not dates are kept; the chart skips them.
    EXPECT_EQ(LoadFrom(dir, History("1,2", "3,4", "not a date,99/99/9999")).TimeHistory, "not a date,99/99/9999");
}

TEST(BadSettings, ListsBeyondTheCapKeepTheNewestReadings) {
    StoreFolder dir;
    std::string temps, humids, times;
    const int n = kHistoryCap + 5;
    for (int i = 0; i < n; ++i) {
        const std::string sep = i ? "," : "";
        temps += sep + std::to_string(i % 100);
        humids += sep + "50";
        times += sep + "t" + std::to_string(i);
    }
    SettingsStore s = LoadFrom(dir, History(temps, humids, times));
    EXPECT_EQ(Entries(s.TempHistory), kHistoryCap);
    EXPECT_EQ(Entries(s.TimeHistory), kHistoryCap);
    EXPECT_EQ(GetField(s.TimeHistory.str(), ",", 1), "t5");
    s.LastReading = "x,1,50,y";
    s.AppendReading();
    EXPECT_EQ(Entries(s.TempHistory), kHistoryCap);
    EXPECT_EQ(GetField(s.TimeHistory.str(), ",", 1), "t6");
}

TEST(BadSettings, ASectionWithoutItsClosingTagRunsToTheEnd) {
    StoreFolder dir;
    SettingsStore s = LoadFrom(dir,
                               "<options><debug>1</debug></options>\r\n<weather>\r\n<last temps>1,2</last temps>\r\n"
                               "<last humids>3,4</last humids>\r\n<last times>a,b</last times>\r\n<loc>5");
    EXPECT_EQ(s.TempHistory, "1,2");
    EXPECT_EQ(s.TimeHistory, "a,b");
    EXPECT_TRUE(s.DebugMode);
    // A key without its closing tag has no end to read up to: in a file cut
    // short it keeps its first-run value.
    EXPECT_EQ(s.LocationId, "1769");
    EXPECT_TRUE(s.LoadedDamaged());
}

TEST(BadSettings, AFileThatIsNotOursIsSetAsideBeforeTheFirstSave) {
    StoreFolder dir;
    ScopedClock clock(DateSerial(2026, 12, 7) + TimeSerial(9, 8, 7));
    std::string binary;
    for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 37) & 0xFF);
    SettingsStore s = LoadFrom(dir, binary);
    EXPECT_EQ(s.TempHistory, "");
    s.LastReading = "Sunny,10,50,07/12/2026 09:08:07";
    s.AppendReading();
    s.SaveSettings();
    EXPECT_TRUE(s.LastSaveSucceeded());
    ASSERT_NE(s.SetAsidePath(), "");
    EXPECT_EQ(s.SetAsidePath(), dir.Settings() + ".unreadable-20261207_090807");
    EXPECT_EQ(Bytes(s.SetAsidePath()), binary);
    EXPECT_NE(Bytes(dir.Settings()).find("<last temps>10</last temps>"), std::string::npos);
    // Later saves just replace the new file.
    s.SaveSettings();
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 2);
}

TEST(BadSettings, AnUnreadableFileIsKeptAndStartUpGoesOn) {
    StoreFolder dir;
    std::filesystem::create_directory(dir.Settings());  // a folder where the file should be
    SettingsStore s = dir.Store();
    s.LoadSettings();
    EXPECT_EQ(s.LocationId, "1769");
    s.SaveSettings();
    EXPECT_TRUE(s.LastSaveSucceeded());
    EXPECT_TRUE(std::filesystem::is_directory(s.SetAsidePath()));
    EXPECT_TRUE(std::filesystem::is_regular_file(dir.Settings()));
}

TEST(BadSettings, AFileOfHundredsOfMegabytesLoads) {
    StoreFolder dir;
    // 300 MB of readings, most of them one long run of equal values.
    std::string temps, humids, times;
    const int n = 3000000;
    temps.reserve(3 * n);
    humids.reserve(3 * n);
    times.reserve(20 * n);
    for (int i = 0; i < n; ++i) {
        const char* sep = i ? "," : "";
        temps += sep;
        temps += i % 100000 == 0 ? "9" : "12";
        humids += sep;
        humids += "80";
        times += sep;
        times += "07/12/2026 10:00:00";
    }
    std::string text = History(temps, humids, times);
    text += std::string(300u << 20 > text.size() ? (300u << 20) - text.size() : 0, ' ');
    SettingsStore s = LoadFrom(dir, text);
    EXPECT_LE(Entries(s.TimeHistory), kHistoryCap);
    EXPECT_EQ(Entries(s.TempHistory), Entries(s.TimeHistory));
    EXPECT_EQ(Entries(s.HumidHistory), Entries(s.TimeHistory));
}

// A settings file cut short, damaged or replaced by something that is not a
// file: what can still be read is kept, the damaged original is kept aside
// before the first save replaces it, and nothing blocks start-up.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <future>
#include <random>
#include <vector>

#include "StoreTestSupport.h"
#include "base/Clock.h"
#include "base/modMisc.h"

using namespace nimbrel;
using nimbrel::testing::Bytes;
using nimbrel::testing::Entries;
using nimbrel::testing::Put;
using nimbrel::testing::StoreFolder;
namespace fs = std::filesystem;

namespace {

std::string Pad2(int v) {
    return (v < 10 ? "0" : "") + std::to_string(v);
}

// n readings, each differing from its neighbours, so that no compaction
// removes one: what the loaded lists lack was lost to the cut.
struct Original {
    std::vector<std::string> temps, humids, times;
    std::string file;
};

Original SavedFile(const StoreFolder& dir, int n) {
    Original o;
    SettingsStore s = dir.Store();
    for (int i = 0; i < n; ++i) {
        o.temps.push_back(std::to_string(i % 81 - 40));
        o.humids.push_back(std::to_string(i % 101));
        o.times.push_back("01/01/2026 " + Pad2(i / 3600 % 24) + ":" + Pad2(i / 60 % 60) + ":" + Pad2(i % 60));
        const std::string sep = i ? "," : "";
        s.TempHistory += sep + o.temps.back();
        s.HumidHistory += sep + o.humids.back();
        s.TimeHistory += sep + o.times.back();
    }
    s.LocationId = "2";
    s.UpdateMinutes = 7;
    s.LastReading = "Sunny," + o.temps.back() + "," + o.humids.back() + "," + o.times.back();
    s.SaveSettings();
    o.file = Bytes(dir.Settings());
    return o;
}

// Entries of the list under `key` whose separator after them lies before the
// cut: those are the ones that reached the disk whole.
int CompleteEntries(const std::string& file, const std::string& key, size_t cut) {
    const size_t open = file.find("<" + key + ">");
    if (open == std::string::npos || open + key.size() + 2 > cut) return 0;
    const size_t body = open + key.size() + 2;
    const size_t end = file.find('<', body);
    int n = 0;
    for (size_t i = body; i <= end && i < cut; ++i)
        if (file[i] == ',' || (i == end && i > body)) ++n;
    return n;
}

std::vector<std::string> Split(std::string_view list) {
    std::vector<std::string> out;
    if (list.empty()) return out;
    size_t start = 0;
    for (;;) {
        const size_t p = list.find(',', start);
        out.emplace_back(list.substr(start, p == std::string::npos ? std::string::npos : p - start));
        if (p == std::string::npos) break;
        start = p + 1;
    }
    return out;
}

}  // namespace

TEST(DamagedFile, ACutAnywhereKeepsTheCompleteReadingsAndACopyOfTheFile) {
    StoreFolder dir;
    ScopedClock clock(DateSerial(2026, 12, 8) + TimeSerial(6, 30, 0));
    const int n = 30000;
    const Original o = SavedFile(dir, n);
    const size_t close = o.file.find("</weather>");
    ASSERT_NE(close, std::string::npos);

    // Cuts spread over the whole file, and cuts in and around every tag.
    std::vector<size_t> cuts;
    std::mt19937 rng(16);
    for (int k = 0; k < 40; ++k) cuts.push_back(std::uniform_int_distribution<size_t>(1, close)(rng));
    for (const char* tag : {"<last times>", "</last times>", "<last humids>", "</last humids>", "<last temps>",
                            "</last temps>", "<loc>", "<minutes>", "</minutes>"}) {
        const size_t p = o.file.find(tag);
        for (size_t d : {0, 1, 3, 9, 13}) cuts.push_back(p + d);
    }
    for (const size_t cut : cuts) {
        SCOPED_TRACE("cut at " + std::to_string(cut) + " of " + std::to_string(o.file.size()));
        for (const auto& e : fs::directory_iterator(dir.path)) fs::remove(e.path());
        const std::string prefix = o.file.substr(0, cut);
        Put(dir.Settings(), prefix);
        SettingsStore s = dir.Store();
        s.LoadSettings();
        EXPECT_TRUE(s.LoadedDamaged());

        const int times = CompleteEntries(o.file, "last times", cut);
        const int humids = std::min(times, CompleteEntries(o.file, "last humids", cut));
        const int whole = std::min(humids, CompleteEntries(o.file, "last temps", cut));
        const auto t = Split(s.TempHistory), h = Split(s.HumidHistory), tm = Split(s.TimeHistory);
        ASSERT_EQ(t.size(), tm.size());
        ASSERT_EQ(h.size(), tm.size());
        ASSERT_LE(tm.size(), static_cast<size_t>(times));
        ASSERT_GE(tm.size(), static_cast<size_t>(whole));
        for (int i = 0; i < whole; ++i) {
            ASSERT_EQ(tm[static_cast<size_t>(i)], o.times[static_cast<size_t>(i)]) << i;
            ASSERT_EQ(t[static_cast<size_t>(i)], o.temps[static_cast<size_t>(i)]) << i;
            ASSERT_EQ(h[static_cast<size_t>(i)], o.humids[static_cast<size_t>(i)]) << i;
        }
        // Readings whose humidity reached the disk keep it, even where their
        // temperature was lost.
        for (size_t i = 0; i < static_cast<size_t>(humids) && i < h.size(); ++i) {
            ASSERT_EQ(tm[i], o.times[i]) << i;
            ASSERT_EQ(h[i], o.humids[i]) << i;
        }
        // A lost setting keeps its first-run value, never an empty one.
        EXPECT_TRUE(s.LocationId == "2" || s.LocationId == "1769") << s.LocationId;
        EXPECT_TRUE(s.UpdateMinutes == 7 || s.UpdateMinutes == 5) << s.UpdateMinutes;

        s.SaveSettings();
        ASSERT_TRUE(s.LastSaveSucceeded()) << s.LastSaveError();
        EXPECT_EQ(s.DamagedCopyPath(), dir.Settings() + ".damaged-20261208_063000");
        EXPECT_EQ(Bytes(s.DamagedCopyPath()), prefix);
        const std::string notice = s.TakeNotice();
        EXPECT_NE(notice.find(s.DamagedCopyPath()), std::string::npos) << notice;
        EXPECT_EQ(s.TakeNotice(), "");
        // The next save makes no second copy.
        s.SaveSettings();
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), {}), 2);
        SettingsStore again = dir.Store();
        again.LoadSettings();
        EXPECT_FALSE(again.LoadedDamaged());
        EXPECT_EQ(again.TimeHistory, s.TimeHistory);
        EXPECT_EQ(again.TempHistory, s.TempHistory);
    }
}

TEST(DamagedFile, AnIntactFileIsNotCalledDamaged) {
    StoreFolder dir;
    const Original o = SavedFile(dir, 50);
    SettingsStore s = dir.Store();
    s.LoadSettings();
    EXPECT_FALSE(s.LoadedDamaged());
    s.SaveSettings();
    EXPECT_EQ(s.DamagedCopyPath(), "");
    EXPECT_EQ(s.TakeNotice(), "");
    EXPECT_EQ(Bytes(dir.Settings()), o.file);
}

TEST(DamagedFile, ListsThatDoNotParseOrHadToBeLinedUpAreKeptAside) {
    StoreFolder dir;
    for (const char* lists :
         {"<last temps>1,,2</last temps><last humids>3,4</last humids><last times>01/01/2026 10:00:00,01/01/2026 "
          "10:01:00</last times>",
          "<last temps>1,2,3</last temps><last humids>3,4</last humids><last times>01/01/2026 10:00:00,01/01/2026 "
          "10:01:00</last times>",
          "<last temps>1,2</last temps><last humids>3,4</last humids><last times>yesterday,01/01/2026 "
          "10:01:00</last times>"}) {
        for (const auto& e : fs::directory_iterator(dir.path)) fs::remove(e.path());
        const std::string file = std::string("<weather>") + lists + "<loc>9</loc><minutes>5</minutes></weather>";
        Put(dir.Settings(), file);
        SettingsStore s = dir.Store();
        s.LoadSettings();
        EXPECT_TRUE(s.LoadedDamaged()) << lists;
        EXPECT_EQ(Entries(s.TempHistory), Entries(s.TimeHistory));
        s.SaveSettings();
        ASSERT_NE(s.DamagedCopyPath(), "");
        EXPECT_EQ(Bytes(s.DamagedCopyPath()), file);
    }
}

TEST(DamagedFile, ACopyNeverReplacesAnEarlierOne) {
    StoreFolder dir;
    Put(dir.Settings(), "<weather><last temps>1,2,3");
    SettingsStore s = dir.Store();
    s.LoadSettings();
    ASSERT_TRUE(s.LoadedDamaged());
    {
        ScopedClock clock(DateSerial(2026, 12, 8));
        fs::create_directory(dir.Settings() + ".damaged-20261208_000000");
        // The name is taken, so a suffix is used: the copy still succeeds.
        s.SaveSettings();
        EXPECT_TRUE(s.LastSaveSucceeded()) << s.LastSaveError();
        EXPECT_EQ(s.DamagedCopyPath(), dir.Settings() + ".damaged-20261208_000000-2");
    }
}

TEST(UnreadableFile, EverySettingKeepsItsFirstRunValue) {
    StoreFolder dir;
    std::string binary;
    for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 37 + 11) & 0xFF);
    Put(dir.Settings(), binary);
    SettingsStore s = dir.Store();
    s.LoadSettings();
    EXPECT_EQ(s.UpdateMinutes, 5);
    EXPECT_EQ(s.LocationId, "1769");
    EXPECT_EQ(s.ForecastText, "");
    EXPECT_EQ(s.TimeHistory, "");
    s.SaveSettings();
    EXPECT_EQ(Bytes(s.SetAsidePath()), binary);
    EXPECT_NE(s.TakeNotice().find(s.SetAsidePath()), std::string::npos);
}

TEST(HostileValues, OverlongOrOutOfRangeValuesAreMissingAndTheSummaryIsCut) {
    EXPECT_EQ(BoundedTemperature("12"), "12");
    EXPECT_EQ(BoundedTemperature("-100"), "-100");
    EXPECT_EQ(BoundedTemperature("100.4"), "n/a");
    EXPECT_EQ(BoundedTemperature(std::string(39, '9')), "n/a");
    EXPECT_EQ(BoundedTemperature("1e400"), "n/a");
    EXPECT_EQ(BoundedTemperature(""), "");
    EXPECT_EQ(BoundedTemperature("n/a"), "n/a");
    EXPECT_EQ(BoundedHumidity("-1"), "n/a");
    EXPECT_EQ(BoundedHumidity("100"), "100");
    EXPECT_EQ(BoundedHumidity("12345678901234567"), "n/a");
    std::string degrees;
    for (int i = 0; i < 70; ++i) degrees += "°";
    EXPECT_EQ(BoundedSummary(degrees), degrees.substr(0, 64 * 2));
    EXPECT_EQ(BoundedSummary(std::string(64, 'a')), std::string(64, 'a'));

    StoreFolder dir;
    const std::string huge(3 << 20, '7');
    Put(dir.Settings(), "<weather><last reading>" + std::string(200, 'S') + "," + huge + "," + std::string(39, '9') +
                            ",01/01/2026 10:00:00</last reading><last temps>12," + huge +
                            ",13</last temps>"
                            "<last humids>50,51,1e999</last humids><last times>01/01/2026 10:00:00,01/01/2026 "
                            "10:01:00,01/01/2026 10:02:00</last times><loc>1</loc><minutes>5</minutes></weather>");
    SettingsStore s = dir.Store();
    s.LoadSettings();
    EXPECT_EQ(s.TempHistory, "12,n/a,13");
    EXPECT_EQ(s.HumidHistory, "50,51,n/a");
    EXPECT_EQ(s.LastReading, std::string(64, 'S') + ",n/a,n/a,01/01/2026 10:00:00");
    EXPECT_EQ(s.CurrentTemp, 0);
    s.SaveSettings();
    EXPECT_LT(fs::file_size(dir.Settings()), 1000u);
}

TEST(NotAFile, AFifoIsNeitherOpenedBlockingNorReplaced) {
    StoreFolder dir;
    ASSERT_EQ(::mkfifo(dir.Settings().c_str(), 0600), 0);
    SettingsStore s = dir.Store();
    auto load = std::async(std::launch::async, [&s] { s.LoadSettings(); });
    if (load.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        // Free the blocked reader so that the test can end.
        const int fd = ::open(dir.Settings().c_str(), O_WRONLY);
        if (fd >= 0) ::close(fd);
        load.wait();
        FAIL() << "LoadSettings blocked on a FIFO";
    }
    EXPECT_EQ(s.LocationId, "1769");
    EXPECT_NE(s.TakeNotice().find("not a regular file"), std::string::npos);
    s.LastReading = "Sunny,10,50,x";
    s.AppendReading();
    auto save = std::async(std::launch::async, [&s] { s.SaveSettings(); });
    ASSERT_EQ(save.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_FALSE(s.LastSaveSucceeded());
    EXPECT_EQ(s.LastSaveError(), "not a regular file");
    EXPECT_TRUE(fs::is_fifo(dir.Settings()));
    EXPECT_EQ(s.TempHistory, "10");
    // The device files are refused the same way.
    EXPECT_THROW(ReadTextFile("/dev/null"), std::runtime_error);
}

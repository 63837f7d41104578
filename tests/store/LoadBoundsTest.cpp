// What a load takes from the file whatever its line ends and sizes, and what
// a save writes: every field bounded, lists read from their newest end, the
// same state from LF, CR or CR LF line ends, and a file written only when
// something changed.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <tuple>

#include "StoreTestSupport.h"
#include "base/modMisc.h"

using namespace nimbrel;
using nimbrel::testing::Bytes;
using nimbrel::testing::Entries;
using nimbrel::testing::Put;
using nimbrel::testing::StoreFolder;
namespace fs = std::filesystem;

namespace {

const char* const kForecast =
    "05/12/2026: sunny, 5->12\xC2\xB0"
    "C, H=80%, SR=07:50GMT, SS=15:55GMT\r\n06/12/2026: light rain, 4->9\xC2\xB0"
    "C, H=90%, SR=07:51GMT, SS=15:54GMT\r\n07/12/2026: cloudy, 2->6\xC2\xB0"
    "C, H=95%, SR=07:53GMT, SS=15:54GMT";

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    for (size_t p = text.find(from); p != std::string::npos; p = text.find(from, p + to.size()))
        text.replace(p, from.size(), to);
    return text;
}

void ExpectSameState(const SettingsStore& a, const SettingsStore& b) {
    EXPECT_EQ(a.UpdateMinutes, b.UpdateMinutes);
    EXPECT_EQ(a.LocationId, b.LocationId);
    EXPECT_EQ(a.DebugMode, b.DebugMode);
    EXPECT_EQ(a.ForecastText, b.ForecastText);
    EXPECT_EQ(a.LastReading, b.LastReading);
    EXPECT_EQ(a.TempHistory, b.TempHistory);
    EXPECT_EQ(a.HumidHistory, b.HumidHistory);
    EXPECT_EQ(a.TimeHistory, b.TimeHistory);
    EXPECT_EQ(a.Extras, b.Extras);
    EXPECT_EQ(a.LoadedDamaged(), b.LoadedDamaged());
}

struct FileStamp {
    ino_t inode;
    long long mtime;
};

FileStamp Stamp(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return {st.st_ino, static_cast<long long>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

}  // namespace

TEST(LineEnds, LfCrOrMixedLineEndsGiveTheStateOfCrLfAndTheSaveWritesCrLf) {
    StoreFolder dir;
    {
        SettingsStore s = dir.Store();
        s.ForecastText = kForecast;
        s.LocationId = "2643743";
        s.DebugMode = true;
        s.TempHistory = "12,13";
        s.HumidHistory = "80,81";
        s.TimeHistory = "07/12/2026 10:00:00,07/12/2026 10:05:00";
        s.LastReading = "Sunny,13,81,07/12/2026 10:05:00";
        s.SetExtra("place", "London");
        s.SaveSettings();
    }
    const std::string crlf = Bytes(dir.Settings());
    SettingsStore reference = dir.Store();
    reference.LoadSettings();
    ASSERT_EQ(reference.ForecastText, kForecast);

    const std::string lf = Replace(crlf, "\r\n", "\n");
    std::string mixed = crlf;
    for (size_t p = mixed.find("\r\n"), k = 0; p != std::string::npos; p = mixed.find("\r\n", p + 1), ++k)
        if (k % 2) mixed.erase(p, 1);
    for (const std::string& bytes : {lf, Replace(crlf, "\r\n", "\r"), mixed}) {
        Put(dir.Settings(), bytes);
        SettingsStore s = dir.Store();
        s.LoadSettings();
        ExpectSameState(s, reference);
        s.SaveSettings();
        EXPECT_EQ(Bytes(dir.Settings()), crlf);
    }
}

TEST(HostileValues, EveryStoredFieldIsBoundedOnLoad) {
    StoreFolder dir;
    const std::string huge(40u << 20, 'x');
    std::string extras;
    for (int i = 0; i < 1000; ++i) extras += "<k" + std::to_string(i) + ">v</k" + std::to_string(i) + ">";
    Put(dir.Settings(), "<weather>\r\n<last reading>Sunny,12,80,07/12/2026 10:00:00" + huge +
                            "</last reading>\r\n<forecast>05/12/2026: " + huge + "\r\nline 2\r\nline 3\r\n" +
                            std::string(20, '\n') + "</forecast>\r\n<last temps>12," + huge +
                            ",13</last temps>\r\n<last humids>1,2,3</last humids>\r\n<last times>t1," + huge +
                            ",t3</last times>\r\n<loc>" + huge + "</loc>\r\n<minutes>" + huge +
                            "</minutes>\r\n</weather>\r\n<nimbrel>\r\n<place>" + huge + "</place>" + extras +
                            "\r\n</nimbrel>\r\n");
    SettingsStore s = dir.Store();
    s.LoadSettings();
    EXPECT_EQ(s.LastReading.size(), std::string("Sunny,12,80,").size() + 64);
    EXPECT_EQ(s.CurrentTemp, 12);
    EXPECT_EQ(GetField(s.ForecastText, "\r\n", 1).size(), 256u);
    EXPECT_EQ(GetField(s.ForecastText, "\r\n", 2), "line 2");
    EXPECT_LE(s.ForecastText.size(), 8u * 258);
    EXPECT_EQ(s.LocationId, std::string(300, 'x'));
    EXPECT_EQ(s.Extra("place"), std::string(300, 'x'));
    EXPECT_EQ(s.Extras.size(), 64u);
    EXPECT_EQ(s.UpdateMinutes, 0);
    // A list entry is never held whole either: a value that long is
    // missing, a time is cut.
    EXPECT_EQ(s.TempHistory, "12,n/a,13");
    EXPECT_EQ(s.TimeHistory, "t1," + std::string(32, 'x') + ",t3");
    s.SaveSettings();
    EXPECT_LT(fs::file_size(dir.Settings()), 8000u);
}

TEST(BadSettings, AFileFarBeyondTheCapIsReadFromItsNewestEnd) {
    StoreFolder dir;
    // Times for 300000 readings, one value list longer and one shorter: the
    // newest readings of each belong together.
    const int n = 300000;
    std::string temps, humids, times;
    for (int i = -7; i < n; ++i) temps += (temps.empty() ? "" : ",") + std::to_string((i + 100) % 2 ? 12 : 13);
    for (int i = 5; i < n; ++i) humids += (humids.empty() ? "" : ",") + std::to_string(50 + (i + 100) % 3);
    for (int i = 0; i < n; ++i)
        times += (times.empty() ? "" : ",") + std::string("01/01/2026 ") + (i % 2 ? "10" : "11") + ":00:00";
    Put(dir.Settings(), "<weather>\r\n<last times>" + times + "</last times>\r\n<last humids>" + humids +
                            "</last humids>\r\n<last temps>" + temps + "</last temps>\r\n<loc>1</loc>\r\n</weather>");
    SettingsStore s = dir.Store();
    s.LoadSettings();
    EXPECT_TRUE(s.LoadedDamaged());  // the lists had to be lined up
    ASSERT_EQ(Entries(s.TimeHistory), kHistoryCap);
    ASSERT_EQ(Entries(s.TempHistory), kHistoryCap);
    ASSERT_EQ(Entries(s.HumidHistory), kHistoryCap);
    // The oracle: the newest kHistoryCap entries of each list, as text.
    auto newest = [](const std::string& list) {
        size_t p = list.size();
        for (int k = 0; k < kHistoryCap; ++k) p = list.rfind(',', p - 1);
        return list.substr(p + 1);
    };
    EXPECT_EQ(s.TimeHistory, newest(times));
    EXPECT_EQ(s.TempHistory, newest(temps));
    EXPECT_EQ(s.HumidHistory, newest(humids));
}

TEST(SaveWhenChanged, AnUnchangedStateIsNotWrittenAgain) {
    StoreFolder dir;
    SettingsStore s = dir.Store();
    s.LoadSettings();
    s.LastReading = "Sunny,12,80,x";
    s.AppendReading();
    s.SaveSettings();
    ASSERT_TRUE(s.LastSaveSucceeded());
    const FileStamp first = Stamp(dir.Settings());
    s.SaveSettings();
    EXPECT_TRUE(s.LastSaveSucceeded());
    EXPECT_EQ(Stamp(dir.Settings()).inode, first.inode);
    EXPECT_EQ(Stamp(dir.Settings()).mtime, first.mtime);

    // Any change is written: a reading, a setting, a value of the program's
    // own section, and a file removed behind the program's back.
    auto written = [&](const std::function<void()>& change) {
        const FileStamp before = Stamp(dir.Settings());
        change();
        s.SaveSettings();
        EXPECT_TRUE(s.LastSaveSucceeded());
        return Stamp(dir.Settings()).inode != before.inode;
    };
    EXPECT_TRUE(written([&] {
        s.LastReading = "Sunny,13,80,x";
        s.AppendReading();
    }));
    EXPECT_TRUE(written([&] { s.UpdateMinutes = 6; }));
    EXPECT_TRUE(written([&] { s.SetExtra("place", "Oslo"); }));
    fs::remove(dir.Settings());
    s.SaveSettings();
    EXPECT_TRUE(fs::exists(dir.Settings()));
    SettingsStore again = dir.Store();
    again.LoadSettings();
    EXPECT_EQ(again.Extra("place"), "Oslo");
    EXPECT_EQ(again.UpdateMinutes, 6);
    EXPECT_EQ(Entries(again.TimeHistory), 2);
}

TEST(SaveWhenChanged, TheStreamedFileHoldsTheBytesOfTheWholeDocument) {
    StoreFolder dir;
    // Values that hold tags of the document, or the marks the save puts in
    // place of the lists, still give the document the writing rules make.
    for (const std::string& loc :
         {std::string("9"), std::string("<options>"), std::string("a\x01\x02T\x02\x01"), std::string("<weather>x")}) {
        SettingsStore s = dir.Store();
        s.LocationId = loc;
        s.ForecastText = kForecast;
        s.TempHistory = "1,2,3";
        s.HumidHistory = "4,5,6";
        s.TimeHistory = "t1,t2,t3";
        s.LastReading = "Rain,3,6,t3";
        s.SaveSettings();
        ASSERT_TRUE(s.LastSaveSucceeded());
        SettingsStore whole;
        for (const auto& [key, section, value] :
             {std::tuple<const char*, const char*, std::string>{"minutes", "weather", "5"},
              {"loc", "weather", loc},
              {"debug", "options", "0"},
              {"forecast", "weather", kForecast},
              {"last temps", "weather", "1,2,3"},
              {"last humids", "weather", "4,5,6"},
              {"last times", "weather", "t1,t2,t3"},
              {"last reading", "weather", "Rain,3,6,t3"}})
            whole.WriteSetting(key, section, value);
        EXPECT_EQ(Bytes(dir.Settings()), whole.SettingsText + "\r\n") << loc;
    }
}

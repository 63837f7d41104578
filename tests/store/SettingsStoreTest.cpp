// The settings document: its tag form, the file a save writes byte for byte,
// and a load that gives back what was saved.
#include <gtest/gtest.h>

#include "StoreTestSupport.h"
#include "base/Clock.h"
#include "base/modMisc.h"

using namespace nimbrel;
using nimbrel::testing::Bytes;
using nimbrel::testing::Put;
using nimbrel::testing::StoreFolder;

TEST(SettingsDocument, WriteSettingPutsNewSectionsInFrontAndNewKeysFirst) {
    SettingsStore s;
    s.WriteSetting("a", "one", "1");
    EXPECT_EQ(s.SettingsText, "<one>\r\n<a>1</a>\r\n</one>");
    s.WriteSetting("b", "one", "2");
    EXPECT_EQ(s.SettingsText, "<one>\r\n<b>2</b>\r\n<a>1</a>\r\n</one>");
    s.WriteSetting("c", "two", "x\r\ny");
    EXPECT_EQ(s.SettingsText, "<two>\r\n<c>x\r\ny</c>\r\n</two>\r\n<one>\r\n<b>2</b>\r\n<a>1</a>\r\n</one>");
    // An existing entry is never replaced; the first one found wins on reading.
    s.WriteSetting("a", "ONE", "3");
    EXPECT_EQ(s.ReadSetting("a", "one"), "3");
    EXPECT_EQ(s.ReadSetting("c", "two"), "x\r\ny");
}

TEST(SettingsDocument, ReadSettingIgnoresCaseButSearchesOnlyTheFirstSection) {
    SettingsStore s;
    s.SettingsText =
        "junk <WEATHER><LOC>77</loc><minutes>3</minutes></Weather>\r\n"
        "<weather><loc>99</loc><debug>1</debug></weather><options><debug>1</debug></options>";
    EXPECT_EQ(s.ReadSetting("loc", "weather"), "77");
    EXPECT_EQ(s.ReadSetting("Minutes", "weather"), "3");
    EXPECT_EQ(s.ReadSetting("debug", "weather"), "");
    EXPECT_EQ(s.ReadSetting("debug", "options"), "1");
    EXPECT_EQ(s.ReadSetting("loc", "nowhere"), "");
    EXPECT_EQ(s.ReadSetting("missing", "weather"), "");
}

TEST(SettingsFile, FirstRunChangesNothingAndTheFirstSaveWritesTheTwelveLines) {
    StoreFolder dir;
    SettingsStore s = dir.Store();
    int shown = 0;
    s.OnShowLoaded = [&](SettingsStore&) { ++shown; };
    s.LoadSettings();
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(s.UpdateMinutes, 5);
    EXPECT_EQ(s.LocationId, "1769");
    EXPECT_TRUE(s.TempHistory.empty());
    s.SaveSettings();
    EXPECT_TRUE(s.LastSaveSucceeded());
    EXPECT_EQ(Bytes(dir.Settings()),
              "<options>\r\n<debug>0</debug>\r\n</options>\r\n<weather>\r\n<last reading></last reading>\r\n"
              "<last times></last times>\r\n<last humids></last humids>\r\n<last temps></last temps>\r\n"
              "<forecast></forecast>\r\n<loc>1769</loc>\r\n<minutes>5</minutes>\r\n</weather>\r\n");
}

TEST(SettingsFile, SavingAndLoadingGivesBackEveryField) {
    StoreFolder dir;
    ScopedClock clock(DateSerial(2026, 12, 7) + TimeSerial(14, 15, 3));
    SettingsStore a = dir.Store();
    a.UpdateMinutes = -12;
    a.LocationId = "3772";
    a.DebugMode = true;
    a.ForecastText = "Tuesday,Sunny,3,9\r\nWednesday,Light rain,2,7\r\nThursday,Fog,-1,4";
    a.LastReading = "Light rain,12,80,07/12/2026 14:15:03";
    a.AppendReading();
    a.LastReading = "Fog,-3,95,07/12/2026 14:20:03";
    a.AppendReading();
    a.SaveSettings();

    SettingsStore b = dir.Store();
    int urls = 0, shown = 0;
    b.OnRebuildFeedUrls = [&](SettingsStore& s) {
        EXPECT_EQ(s.LocationId, "3772");
        ++urls;
    };
    b.OnShowLoaded = [&](SettingsStore&) { ++shown; };
    b.LoadSettings();
    EXPECT_EQ(urls, 1);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(b.UpdateMinutes, -12);
    EXPECT_EQ(b.LocationId, "3772");
    EXPECT_TRUE(b.DebugMode);
    EXPECT_EQ(b.ForecastText, a.ForecastText);
    EXPECT_EQ(b.LastReading, a.LastReading);
    EXPECT_EQ(b.TempHistory, "12,-3");
    EXPECT_EQ(b.HumidHistory, "80,95");
    EXPECT_EQ(b.TimeHistory, "07/12/2026 14:15:03,07/12/2026 14:15:03");
    EXPECT_EQ(b.CurrentSummary, "Fog");
    EXPECT_EQ(b.CurrentTemp, -3);
    EXPECT_EQ(b.HumidityCaption, "95%");
    EXPECT_EQ(b.LastUpdate, "07/12/2026 14:20:03");
    // Saving what was loaded writes the same bytes again.
    const std::string first = Bytes(dir.Settings());
    b.SaveSettings();
    EXPECT_EQ(Bytes(dir.Settings()), first);
}

TEST(SettingsFile, KeysMissingFromAnExistingFileReadAsEmpty) {
    StoreFolder dir;
    Put(dir.Settings(), "<weather>\r\n<LOC>42</LOC>\r\n</weather>\r\n");
    SettingsStore s = dir.Store();
    s.LoadSettings();
    EXPECT_EQ(s.LocationId, "42");
    EXPECT_EQ(s.UpdateMinutes, 0);
    EXPECT_FALSE(s.DebugMode);
    EXPECT_EQ(s.HumidityCaption, "%");
    // Unknown keys are dropped on the next save; nothing is set aside for a
    // file that is one of ours.
    s.SaveSettings();
    EXPECT_EQ(s.SetAsidePath(), "");
    EXPECT_EQ(s.ReadSetting("loc", "weather"), "42");
}

TEST(SettingsFile, MinutesAreTheLeadingNumberRoundedHalfToEven) {
    StoreFolder dir;
    const std::pair<const char*, int16_t> cases[] = {
        {"12", 12}, {"2.5", 2},          {"3.5 minutes", 4}, {"abc", 0},      {"", 0},
        {"-7", -7}, {"99999999", 32767}, {"-1e300", -32768}, {"1e999", 32767}};
    for (const auto& [text, want] : cases) {
        Put(dir.Settings(), std::string("<weather><minutes>") + text + "</minutes></weather>");
        SettingsStore s = dir.Store();
        s.LoadSettings();
        EXPECT_EQ(s.UpdateMinutes, want) << text;
    }
}

TEST(ExtraSection, AbsentUntilAKeyDiffersFromItsDefaultThenAfterTheWeatherSection) {
    StoreFolder dir;
    SettingsStore s = dir.Store();
    s.LoadSettings();
    s.SetExtra("unit", "C", "C");
    s.SaveSettings();
    const std::string twelve = Bytes(dir.Settings());
    EXPECT_EQ(twelve.find("nimbrel"), std::string::npos);

    s.SetExtra("place", "M\xc3\xbcnchen, Bavaria, Germany");
    s.SetExtra("unit", "F", "C");
    s.SaveSettings();
    const std::string withExtras = Bytes(dir.Settings());
    ASSERT_EQ(withExtras.compare(0, twelve.size(), twelve), 0) << "the twelve lines stay first, as they were";
    EXPECT_EQ(withExtras.substr(twelve.size()),
              "<nimbrel>\r\n<place>M\xc3\xbcnchen, Bavaria, Germany</place>\r\n<unit>F</unit>\r\n</nimbrel>\r\n");

    SettingsStore again = dir.Store();
    again.LoadSettings();
    EXPECT_EQ(again.Extra("place"), "M\xc3\xbcnchen, Bavaria, Germany");
    EXPECT_EQ(again.Extra("unit", "C"), "F");
    EXPECT_EQ(again.Extra("missing", "x"), "x");
    EXPECT_EQ(again.LocationId, "1769");

    // Back to the defaults, the file is the twelve lines again.
    again.SetExtra("unit", "C", "C");
    again.SetExtra("place", "");
    again.SaveSettings();
    EXPECT_EQ(Bytes(dir.Settings()), twelve);
}

TEST(ExtraSection, MarkupAndLineBreaksInAValueCannotBreakTheDocument) {
    StoreFolder dir;
    SettingsStore s = dir.Store();
    s.SetExtra("place", "a</place><loc>evil</loc>\r\nb");
    s.SaveSettings();
    SettingsStore again = dir.Store();
    again.LoadSettings();
    EXPECT_EQ(again.Extra("place"), "a(/place)(loc)evil(/loc)  b");
    EXPECT_EQ(again.LocationId, "1769");
}

TEST(ExtraSection, ADamagedSectionKeepsWhatItCanAndNothingElseIsLost) {
    StoreFolder dir;
    Put(dir.Settings(),
        "<options>\r\n<debug>0</debug>\r\n</options>\r\n<weather>\r\n<last reading>Sunny,20,50,01/12/2026 "
        "10:00:00</last reading>\r\n<loc>42</loc>\r\n<minutes>7</minutes>\r\n</weather>\r\n<nimbrel>\r\n"
        "<unit>F</unit>\r\nnoise\r\n<place>cut sho");
    SettingsStore s = dir.Store();
    s.LoadSettings();
    EXPECT_EQ(s.Extra("unit"), "F");
    EXPECT_EQ(s.Extra("place", "none"), "none");
    EXPECT_EQ(s.LocationId, "42");
    EXPECT_EQ(s.UpdateMinutes, 7);
}

// Numbers under the locales that write a decimal comma (de_DE, fr_FR) and
// the one whose case rules differ (tr_TR): what is stored, sent or printed
// for a program is the same as under C; what a person reads follows them.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <filesystem>

#include "AppTestSupport.h"
#include "ChildProcess.h"
#include "FakeOpenMeteo.h"
#include "TestLocales.h"
#include "base/Numbers.h"
#include "feeds/OpenMeteo.h"
#include "platform/chart/ChartScale.h"

namespace nimbrel {
namespace {

namespace fs = std::filesystem;
using apptest::Available;
using apptest::Child;
using apptest::InLocale;
using apptest::kLocales;
using apptest::ReadFile;
using apptest::WaitFor;

const std::string kNimbrel = std::string(NIMBREL_BINARY_DIR) + "/src/app/nimbrel";
const std::string kFeedTool = std::string(NIMBREL_BINARY_DIR) + "/tools/nimbrel-feed/nimbrel-feed";
const std::string kHistoryTool = std::string(NIMBREL_BINARY_DIR) + "/tools/nimbrel-history/nimbrel-history";

TEST(Locale, NumbersForProgramsAreWrittenAndReadInTheCRules) {
    for (const char* locale : kLocales) {
        if (!Available(locale)) continue;
        SCOPED_TRACE(locale);
        InLocale in(locale);
        EXPECT_EQ(FormatShortest(52.52437, 4), "52.5244");
        EXPECT_EQ(FormatShortest(-71.185, 4), "-71.185");
        EXPECT_EQ(FormatShortest(-0.00001, 4), "0");
        EXPECT_EQ(FormatFixed(6.25, 2), "6.25");
        double v = 0;
        EXPECT_TRUE(ParseDecimal("52.5244", v));
        EXPECT_DOUBLE_EQ(v, 52.5244);
        EXPECT_FALSE(ParseDecimal("52,5244", v));  // a comma is no decimal point for a program
        EXPECT_FALSE(ParseDecimal("12abc", v));
        EXPECT_FALSE(ParseDecimal("nan", v));
        const std::string url = OpenMeteoForecastUrl("http://127.0.0.1:1", 52.52437, 13.41053);
        EXPECT_NE(url.find("latitude=52.5244&longitude=13.4105"), std::string::npos) << url;
        // The chart's axis is read by a person: its decimal point is the
        // one the reader's locale gives it.
        EXPECT_EQ(chart::FormatTick(6.25, 0.25), "6.25");
        EXPECT_EQ(chart::FormatTick(6.25, 0.25, ","), "6,25");
    }
}

// --place under each locale: the service is asked with points, the file
// stores points, and a file that a copy under a comma locale wrote
// ("52,5244") is read right and saved right.
TEST(Locale, ThePlaceIsAskedForAndStoredWithADecimalPoint) {
    for (const char* locale : kLocales) {
        if (!Available(locale)) continue;
        SCOPED_TRACE(locale);
        test::FakeOpenMeteo fake;
        apptest::TempFolder tmp;
        const fs::path data = tmp.Path() / "data";
        const fs::path out = tmp.Path() / "out.txt";
        const std::vector<std::string> env = {"QT_QPA_PLATFORM=offscreen",
                                              std::string("LC_ALL=") + locale,
                                              std::string("LANG=") + locale,
                                              "NIMBREL_OPEN_METEO_URL=" + fake.BaseUrl(),
                                              "NIMBREL_GEOCODING_URL=" + fake.BaseUrl(),
                                              "NIMBREL_FEED"};
        {
            Child c({kNimbrel, "--folder", data.string(), "--place", "Berlin"}, env, out);
            ASSERT_TRUE(WaitFor([&] { return fake.ForecastRequests() >= 1; }, 10000)) << ReadFile(out);
            c.Signal(SIGTERM);
            EXPECT_EQ(c.Wait(5000), 0) << ReadFile(out);
        }
        EXPECT_NE(ReadFile(out).find("(52.5244,13.4105)"), std::string::npos) << ReadFile(out);
        EXPECT_EQ(fake.LastQuery().find("latitude")->second, "52.5244");
        EXPECT_EQ(fake.LastQuery().find("longitude")->second, "13.4105");
        std::string saved = ReadFile(data / "settings.txt");
        EXPECT_NE(saved.find("<latitude>52.5244</latitude>"), std::string::npos) << saved;
        EXPECT_NE(saved.find("<longitude>13.4105</longitude>"), std::string::npos) << saved;

        // A file written by an older copy under this locale.
        const auto at = saved.find("52.5244");
        saved.replace(at, 7, "52,5244");
        {
            std::FILE* f = std::fopen((data / "settings.txt").c_str(), "wb");
            std::fwrite(saved.data(), 1, saved.size(), f);
            std::fclose(f);
        }
        {
            Child c({kNimbrel, "--folder", data.string(), "--fetch-now"}, env, out);
            ASSERT_TRUE(WaitFor([&] { return fake.ForecastRequests() >= 2; }, 10000)) << ReadFile(out);
            c.Signal(SIGTERM);
            EXPECT_EQ(c.Wait(5000), 0) << ReadFile(out);
        }
        EXPECT_EQ(fake.LastQuery().find("latitude")->second, "52.5244");
        EXPECT_NE(ReadFile(data / "settings.txt").find("<latitude>52.5244</latitude>"), std::string::npos);
    }
}

// The tools print for other programs: the same bytes under every locale.
TEST(Locale, TheToolsPrintTheSameUnderEveryLocale) {
    test::FakeOpenMeteo fake;
    apptest::TempFolder tmp;
    // A history to print: the program's own file after one reading.
    const fs::path data = tmp.Path() / "data";
    {
        Child c({kNimbrel, "--folder", data.string(), "--place", "52.52,13.41"},
                {"QT_QPA_PLATFORM=offscreen", "NIMBREL_OPEN_METEO_URL=" + fake.BaseUrl(), "NIMBREL_FEED"},
                tmp.Path() / "app.txt");
        ASSERT_TRUE(WaitFor([&] { return fake.ForecastRequests() >= 1; }, 10000)) << ReadFile(tmp.Path() / "app.txt");
        c.Signal(SIGTERM);
        EXPECT_EQ(c.Wait(5000), 0);
    }
    auto run = [&](const std::vector<std::string>& args, const std::string& locale) {
        const fs::path out = tmp.Path() / "tool.txt";
        Child c(args, {"LC_ALL=" + locale, "LANG=" + locale, "NIMBREL_OPEN_METEO_URL=" + fake.BaseUrl()}, out);
        c.Wait(20000);
        return ReadFile(out);
    };
    const std::vector<std::vector<std::string>> commands = {
        {kFeedTool, "check", "--source", "open-meteo", "--place", "52.52,13.41"},
        {kHistoryTool, "csv", (data / "settings.txt").string()},
    };
    for (const auto& command : commands) {
        if (!fs::exists(command.front())) {
            ADD_FAILURE() << command.front() << " is not built";
            continue;
        }
        const std::string inC = run(command, "C.UTF-8");
        EXPECT_FALSE(inC.empty());
        for (const char* locale : kLocales) {
            if (!Available(locale)) continue;
            EXPECT_EQ(run(command, locale), inC) << command[1] << " under " << locale;
        }
    }
}

}  // namespace
}  // namespace nimbrel

// The forecast parser, the stored lines and what the tiles, labels, dial and
// click message make of them.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "RecordingDisplay.h"
#include "ScopedZone.h"
#include "base/Clock.h"
#include "base/modMisc.h"
#include "feeds/ForecastFeed.h"
#include "store/SettingsStore.h"

namespace nimbrel {
namespace {

using test::RecordingDisplay;
using test::TileCall;

const std::string kDeg =
    "\xC2\xB0"
    "C";

std::string Item(const std::string& day, const std::string& summary, const std::string& max, const std::string& min,
                 const std::string& humid = "80", const std::string& rise = "07:50GMT",
                 const std::string& set = "15:55GMT") {
    return "<item>\r\n<title>" + day + ": " + summary + ", Max Temp: " + max + "&#xB0;C (48&#xB0;F), Min Temp: " + min +
           "&#xB0;C (39&#xB0;F)</title>\r\n<description>Maximum Temperature: " + max +
           "&#xB0;C, Wind Speed: 12mph, Humidity: " + humid + "%, UV Risk: 1, Sunrise: " + rise + ", Sunset: " + set +
           "</description>\r\n</item>\r\n";
}

std::string Doc(const std::string& items) {
    return "<rss version=\"2.0\">\r\n<channel>\r\n<title>Forecast</title>\r\n" + items + "</channel>\r\n</rss>\r\n";
}

DateTime Saturday0930() {
    return DateSerial(2026, 12, 5) + TimeSerial(9, 30, 0);
}
DateTime Tuesday0800() {
    return DateSerial(2026, 12, 8) + TimeSerial(8, 0, 0);
}

TEST(SummariseForecastItem, TakesThePartsOfOneItem) {
    EXPECT_EQ(SummariseForecastItem(Item("Monday", "light rain", "9", "4")),
              "Monday: light rain, 4->9" + kDeg + ", H=80%, SR=07:50GMT, SS=15:55GMT");
    // A "," inside a part would shift the comma-separated fields read back.
    EXPECT_EQ(SummariseForecastItem(Item("Monday", "rain,fog", "9", "4", "80", "07:50GMT", "15:55GMT, late")),
              "Monday: rain;fog, 4->9" + kDeg + ", H=80%, SR=07:50GMT, SS=15:55GMT; late");
}

TEST(ParseForecast, DatesTheItemsAndKeepsTheirWeekdaysWhenReadLater) {
    ScopedClock clock(Saturday0930());
    SettingsStore store;
    RecordingDisplay display;
    ParseForecast(Doc(Item("Saturday", "sunny", "12", "5") + Item("Sunday", "cloudy", "0", "-3") +
                      Item("Monday", "light rain", "14", "5", "91", "07:52GMT", "15:54GMT")),
                  store, display);
    EXPECT_EQ(store.ForecastText, "05/12/2026: sunny, 5->12" + kDeg + ", H=80%, SR=07:50GMT, SS=15:55GMT\r\n" +
                                      "06/12/2026: cloudy, -3->0" + kDeg + ", H=80%, SR=07:50GMT, SS=15:55GMT\r\n" +
                                      "07/12/2026: light rain, 5->14" + kDeg + ", H=91%, SR=07:52GMT, SS=15:54GMT");
    EXPECT_EQ(display.tiles[0], (TileCall{"Sat", "sunny", 8}));
    EXPECT_EQ(display.tiles[1], (TileCall{"Sun", "cloudy", -2}));  // -1.5 goes to the even -2
    EXPECT_EQ(display.tiles[2], (TileCall{"Mon", "light rain", 10}));
    EXPECT_EQ(display.toolTips[2], GetField(store.ForecastText, "\r\n", 3));

    clock.Set(Tuesday0800());
    RecordingDisplay later;
    ShowForecast(store.ForecastText, later);
    EXPECT_EQ(later.tiles[0].caption, "Sat");
    EXPECT_EQ(later.tiles[1].caption, "Sun");
    EXPECT_EQ(later.tiles[2].caption, "Mon");
}

TEST(ParseForecast, FewerThanThreeItemsGiveTodayAndEmptyParts) {
    ScopedClock clock(Tuesday0800());
    SettingsStore store;
    RecordingDisplay display;
    ParseForecast(Doc(Item("Tuesday", "heavy snow", "1", "-4")), store, display);
    EXPECT_EQ(display.tiles[0], (TileCall{"Tue", "heavy snow", -2}));
    EXPECT_EQ(display.tiles[1], (TileCall{"Tue", "", 0}));
    EXPECT_EQ(display.tiles[2], (TileCall{"Tue", "", 0}));
    // What no item gave stands as "n/a" in the line, not as an empty field.
    EXPECT_EQ(display.toolTips[1], "08/12/2026: , n/a->n/a" + kDeg + ", H=n/a%, SR=n/a, SS=n/a");
    EXPECT_EQ(GetField(store.ForecastText, "\r\n", 1),
              "08/12/2026: heavy snow, -4->1" + kDeg + ", H=80%, SR=07:50GMT, SS=15:55GMT");
}

TEST(DateForWeekday, TakesTheNearestDateOnThatWeekday) {
    ScopedClock clock(Tuesday0800());
    EXPECT_EQ(FormatDate(DateForWeekday("Tuesday: sunny")), "08/12/2026");
    EXPECT_EQ(FormatDate(DateForWeekday("wednesday")), "09/12/2026");
    EXPECT_EQ(FormatDate(DateForWeekday("Thursday")), "10/12/2026");
    EXPECT_EQ(FormatDate(DateForWeekday("Saturday")), "05/12/2026");  // three back is nearer than four on
    EXPECT_EQ(FormatDate(DateForWeekday("Someday: x")), "08/12/2026");
    EXPECT_EQ(DateStampForecastLine("Wednesday: cloudy, 1->2"), "09/12/2026: cloudy, 1->2");
}

using nimbrel::testing::ScopedZone;

TEST(ShowSunTimes, LabelsDropGmtAndTheDialGetsTheTimes) {
    ScopedZone utc("UTC0");
    RecordingDisplay display;
    ShowSunTimes("08/12/2026: sunny, 1->2" + kDeg + ", H=80%, SR=07:50GMT, SS=15:55:30GMT", display);
    EXPECT_EQ(display.sunrise, std::vector<std::string>{"07:50"});
    EXPECT_EQ(display.sunset, std::vector<std::string>{"15:55:30"});
    ASSERT_EQ(display.sunUp.size(), 1u);
    EXPECT_NEAR(display.sunUp[0], TimeSerial(7, 50, 0), 1e-9);
    EXPECT_NEAR(display.sunDown.at(0), TimeSerial(15, 55, 30), 1e-9);
}

TEST(ShowSunTimes, UnreadableTimesKeepTheDialAndShowTheText) {
    ScopedZone utc("UTC0");
    RecordingDisplay display;
    ShowSunTimes("08/12/2026: sunny, 1->2" + kDeg + ", H=80%, SR=, SS=dusk", display);
    EXPECT_EQ(display.sunrise, std::vector<std::string>{""});
    EXPECT_EQ(display.sunset, std::vector<std::string>{"dusk"});
    EXPECT_TRUE(display.sunUp.empty());
    EXPECT_TRUE(display.sunDown.empty());

    // Another zone than GMT: converted, like GMT, to the desktop's (here UTC).
    RecordingDisplay bst;
    ShowSunTimes("08/06/2026: sunny, 1->2" + kDeg + ", H=80%, SR=04:43BST, SS=21:21BST", bst);
    EXPECT_EQ(bst.sunrise.at(0), "03:43");
    EXPECT_NEAR(bst.sunUp.at(0), TimeSerial(3, 43, 0), 1e-9);
    EXPECT_NEAR(bst.sunDown.at(0), TimeSerial(20, 21, 0), 1e-9);
    // A zone this program does not know leaves the time as the desktop's own.
    RecordingDisplay odd;
    ShowSunTimes("08/06/2026: sunny, 1->2" + kDeg + ", H=80%, SR=04:43XYZ, SS=21:21", odd);
    EXPECT_EQ(odd.sunrise.at(0), "04:43XYZ");
    EXPECT_NEAR(odd.sunUp.at(0), TimeSerial(4, 43, 0), 1e-9);
    EXPECT_EQ(odd.sunset.at(0), "21:21");
}

TEST(ShowSunTimes, TheDesktopsZoneAndItsSummerTime) {
    const struct {
        const char* tz;
        std::string line, rise, set;
    } cases[] = {
        // Nine hours ahead of GMT: a Berlin winter morning is Tokyo's afternoon.
        {"Asia/Tokyo", "08/12/2026: x, 1->2" + kDeg + ", H=80%, SR=07:05GMT, SS=14:53GMT", "16:05", "23:53"},
        // British summer time: an hour ahead of GMT in June, none in December.
        {"Europe/London", "21/06/2026: x, 1->2" + kDeg + ", H=80%, SR=03:43GMT, SS=20:21GMT", "04:43", "21:21"},
        {"Europe/London", "21/12/2026: x, 1->2" + kDeg + ", H=80%, SR=08:04GMT, SS=15:53GMT", "08:04", "15:53"},
        {"Europe/London", "21/06/2026: x, 1->2" + kDeg + ", H=80%, SR=04:43BST, SS=21:21BST", "04:43", "21:21"},
        // Past midnight: the time of day wraps.
        {"Asia/Tokyo", "08/12/2026: x, 1->2" + kDeg + ", H=80%, SR=22:30GMT, SS=+0900", "07:30", "+0900"},
        {"America/New_York", "08/12/2026: x, 1->2" + kDeg + ", H=80%, SR=12:15+0100, SS=20:00UTC-03:00", "06:15",
         "18:00"},
    };
    for (const auto& c : cases) {
        ScopedZone zone(c.tz);
        RecordingDisplay display;
        ShowSunTimes(c.line, display);
        EXPECT_EQ(display.sunrise.at(0), c.rise) << c.tz << " " << c.line;
        EXPECT_EQ(display.sunset.at(0), c.set) << c.tz << " " << c.line;
        int h = 0, m = 0;
        ASSERT_EQ(std::sscanf(c.rise.c_str(), "%d:%d", &h, &m), 2);
        ASSERT_EQ(display.sunUp.size(), 1u);
        EXPECT_NEAR(display.sunUp[0], TimeSerial(h, m, 0), 1e-6) << c.tz;
    }
}

TEST(ShowForecast, EmptyTextShowsNothing) {
    RecordingDisplay display;
    ShowForecast("", display);
    EXPECT_TRUE(display.NothingShown());
}

TEST(ForecastTileMessage, TitleAndSixLinesInProperCase) {
    const ForecastMessage m = ForecastTileMessage(
        ReadForecastDay("08/12/2026: sunny INTERVALS, -3->0" + kDeg + ", H=80%, SR=07:50GMT, SS=15:55GMT"));
    EXPECT_EQ(m.caption, "Tuesday 08 Dec 2026 forecast");
    EXPECT_EQ(m.text, "Sunny Intervals\r\nMin Temp: -3" + kDeg + "\r\nMax Temp: 0" + kDeg +
                          "\r\nHumidity: 80%\r\nSunrise: 07:50GMT\r\nSunset: 15:55GMT");
}

TEST(ForecastTileMessage, InTheShownUnitFromTheDay) {
    const ForecastDay day = ReadForecastDay("01/01/2027: clear, 1->3" + kDeg + ", H=70%, SR=08:06GMT, SS=16:02GMT");
    const ForecastMessage m = ForecastTileMessage(day, TempUnit::Fahrenheit);
    EXPECT_EQ(m.caption, "Friday 01 Jan 2027 forecast");
    EXPECT_EQ(m.text,
              "Clear\r\nMin Temp: 34\xC2\xB0"
              "F\r\nMax Temp: 37\xC2\xB0"
              "F\r\nHumidity: 70%\r\n"
              "Sunrise: 08:06GMT\r\nSunset: 16:02GMT");
    // The tip is the stored line, or the line of its day with the range in
    // the unit; an end that is no number stays as the feed wrote it.
    const std::string sun = ", H=90%, SR=07:51GMT, SS=15:54GMT";
    EXPECT_EQ(ForecastToolTip("06/12/2026: heavy snow, -3->0" + kDeg + sun, TempUnit::Fahrenheit),
              "06/12/2026: heavy snow, 27->32\xC2\xB0"
              "F" +
                  sun);
    EXPECT_EQ(ForecastToolTip("06/12/2026: fog, n/a->4.5" + kDeg + sun, TempUnit::Fahrenheit),
              "06/12/2026: fog, n/a->40\xC2\xB0"
              "F" +
                  sun);
    EXPECT_EQ(ForecastToolTip("01/01/2027: clear, 1->3" + kDeg + ", H=70%", TempUnit::Celsius),
              "01/01/2027: clear, 1->3" + kDeg + ", H=70%");
}

TEST(ReadForecastLine, HandEditedDatesDoNotStopTheDisplay) {
    // settings.txt can be edited by hand; a head that is no date must not throw.
    EXPECT_NO_THROW(ReadForecastLine("xx/yy/zz: sunny, 1->3, H=1%, SR=1, SS=2"));
    EXPECT_NO_THROW(ForecastTileMessage(ReadForecastDay("1/2/3:4: sunny")));
    EXPECT_EQ(ReadForecastLine("08/12/2026: sunny, 1->3, H=1%").temperature, 2);
}

}  // namespace
}  // namespace nimbrel

namespace nimbrel {
namespace {

// A zone of a sign and nothing else, as a damaged or hand-edited line may
// hold, names no zone: it is not read, and nothing throws (found by fuzzing).
TEST(ZoneOffset, ASignWithoutDigitsNamesNoZone) {
    long seconds = 7;
    for (const char* name : {"-:", "+", "GMT+", "UTC-::"}) {
        EXPECT_FALSE(ZoneOffset(name, seconds)) << name;
    }
    EXPECT_TRUE(ZoneOffset("GMT+1", seconds));
    EXPECT_EQ(seconds, 3600);
    const ForecastDay day = ReadForecastDay(
        "08/12/2026: Sunny, 1->4\xC2\xB0"
        "C, H=80%, SR=0-:=2GMT, SS=15:55GMT");
    EXPECT_EQ(day.summary, "Sunny");
}

}  // namespace
}  // namespace nimbrel

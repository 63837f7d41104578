#include <gtest/gtest.h>

#include <cmath>

#include "TestHost.h"
#include "base/Clock.h"
#include "controls/SunTransit.h"
#include "platform/ui/MessageBox.h"

using namespace nimbrel;
using namespace nimbrel::controls;
using nimbrel::controls::test::Pixel;
using nimbrel::controls::test::RecordingSite;
using nimbrel::controls::test::SavePicture;

namespace {

DateTime At(int h, int m, int s = 0) {
    return DateSerial(2026, 12, 7) + TimeSerial(h, m, s);
}
DateTime TimeOnly(int h, int m) {
    return TimeSerial(h, m, 0);
}

struct Dial {
    Dial(DateTime now, int wt = 3600, int ht = 1500, bool full = false) : clock(now), dial(&site) {
        dial.InitProperties();
        if (full) dial.SetFullCircle(true);
        dial.Resize(wt, ht);
    }
    // Colour at an angle (degrees clockwise from the top) and a fraction of the radius.
    gdi::COLORREF At(double degrees, double fraction) const {
        double a = (degrees - 90) * 3.14159265358979 / 180;
        double r = dial.Radius() * fraction;
        int x = int(std::lround((dial.CentreX() + r * std::cos(a)) / 15));
        int y = int(std::lround((dial.CentreY() + r * std::sin(a)) / 15));
        return Pixel(dial, x, y);
    }
    ScopedClock clock;
    RecordingSite site;
    SunTransit dial;
};

const gdi::COLORREF kDay = SunTransit::kDefaultDayColour, kNight = SunTransit::kDefaultNightColour;

}  // namespace

TEST(SunTransitDial, DefaultDayIsTwoHundredTwentyFiveDegrees) {
    Dial d(At(5, 0, 0));
    EXPECT_EQ(d.dial.DayDegrees(), 225);
    EXPECT_EQ(d.dial.DayStart(), 0);
    EXPECT_EQ(d.dial.Summary(), "Sunrise is in 0h 0m\r\nSunset is in 15h 0m");
    // The day sector starts at the hand and runs clockwise.
    EXPECT_EQ(d.At(45, 0.6), kDay);
    EXPECT_EQ(d.At(-45, 0.6), kNight);
}

TEST(SunTransitDial, DayStartRoundsHalfToEven) {
    Dial d(At(12, 30));
    EXPECT_EQ(d.dial.DayStart(), -112);
    // The visible half is all day from 06:30 to 18:30.
    EXPECT_EQ(d.At(-80, 0.8), kDay);
    EXPECT_EQ(d.At(80, 0.8), kDay);
    // The hand from the top to the centre is red.
    EXPECT_EQ(Pixel(d.dial, 120, 50), 255u);
    EXPECT_EQ(Pixel(d.dial, 120, 1), 255u);
}

TEST(SunTransitDial, NightBeforeSunrise) {
    Dial d(At(1, 0));
    EXPECT_EQ(d.dial.DayStart(), 60);
    EXPECT_EQ(d.At(30, 0.8), kNight);
    EXPECT_EQ(d.At(-60, 0.8), kNight);
    EXPECT_EQ(d.At(80, 0.8), kDay);
}

TEST(SunTransitDial, EqualSunriseAndSunsetLeaveOnlyNight) {
    Dial d(At(9, 0));
    d.dial.SetSunDown(d.dial.SunUp());
    EXPECT_EQ(d.dial.DayDegrees(), 0);
    for (int a = -85; a <= 85; a += 10) EXPECT_EQ(d.At(a, 0.7), kNight) << a;
}

TEST(SunTransitGeometry, HalfAndFullCircle) {
    Dial half(At(12, 0), 3600, 1500);
    EXPECT_EQ(half.dial.CentreX(), 1800);
    EXPECT_EQ(half.dial.CentreY(), 1500);
    EXPECT_EQ(half.dial.Radius(), 1500);
    // Outside the disc the background shows.
    EXPECT_EQ(Pixel(half.dial, 2, 2), 0xFFFFFFu);

    Dial full(At(12, 0), 3000, 1500, true);
    EXPECT_EQ(full.dial.CentreX(), 1500);
    EXPECT_EQ(full.dial.CentreY(), 750);
    EXPECT_EQ(full.dial.Radius(), 750);
    EXPECT_EQ(full.At(180, 0.8), kNight);  // midnight at the bottom

    Dial tall(At(12, 0), 1000, 3000, true);
    EXPECT_EQ(tall.dial.Radius(), 500);
    Dial narrow(At(12, 0), 1000, 3000, false);
    EXPECT_EQ(narrow.dial.Radius(), 500);
}

TEST(SunTransitSummary, TextsAroundTheDay) {
    Dial d(At(9, 0));
    d.dial.SetSunUp(TimeOnly(6, 12));
    d.dial.SetSunDown(TimeOnly(18, 45));
    EXPECT_EQ(d.dial.Summary(), "Sunrise was 2h 48m ago\r\nSunset is in 9h 45m");
    d.clock.Set(At(21, 0));
    d.dial.DrawSunPosition();
    EXPECT_EQ(d.dial.Summary(), "Sunrise was 14h 48m ago\r\nSunset was 2h 15m ago");
    d.clock.Set(At(1, 0));
    d.dial.DrawSunPosition();
    EXPECT_EQ(d.dial.Summary(), "Sunrise is in 5h 12m\r\nSunset is in 17h 45m");
    // Seconds count for before and after, not for the minutes.
    d.clock.Set(At(6, 12, 30));
    d.dial.DrawSunPosition();
    EXPECT_EQ(d.dial.Summary().substr(0, 22), "Sunrise was 0h 0m ago\r");
}

TEST(SunTransitSummary, DatesInSunriseAndSunsetCountByTheirTimeOfDay) {
    Dial d(At(9, 0));
    d.dial.SetSunUp(DateSerial(2026, 12, 7) + TimeOnly(6, 12));
    d.dial.SetSunDown(DateSerial(1990, 1, 1) + TimeOnly(18, 45));
    EXPECT_EQ(d.dial.Summary(), "Sunrise was 2h 48m ago\r\nSunset is in 9h 45m");
    EXPECT_EQ(d.dial.DayDegrees(), 188);  // 753 minutes
    d.dial.SetSunUp(2958465.75);          // 31/12/9999 18:00
    EXPECT_EQ(d.dial.Summary().substr(0, 23), "Sunrise is in 9h 0m\r\nSu");
    // Values no date can have count as their fraction of a day, or midnight.
    d.dial.SetSunUp(1e12 + 0.5);
    EXPECT_EQ(d.dial.Summary().substr(0, 21), "Sunrise is in 3h 0m\r\n");
    d.dial.SetSunUp(std::nan(""));
    EXPECT_EQ(d.dial.Summary().substr(0, 23), "Sunrise was 9h 0m ago\r\n");
}

TEST(SunTransitSummary, ClickShowsTheSummaryInAnInformationBox) {
    std::vector<MessageRequest> shown;
    MessageHandler previous = SetMessageHandler([&](const MessageRequest& r) { shown.push_back(r); });
    {
        SunTransit fresh;
        fresh.HostClick(1, 1);
    }
    Dial d(At(9, 0));
    d.dial.HostClick(10, 10);
    SetMessageHandler(previous);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, "");
    EXPECT_EQ(shown[0].caption, "Sun Transit Summary");
    EXPECT_EQ(shown[0].icon, MsgIcon::Information);
    EXPECT_EQ(shown[1].text, d.dial.Summary());
}

TEST(SunTransitSummary, DurationsWrapAtADay) {
    EXPECT_EQ(SunTransit::FormatDuration(90), "1h 30m");
    EXPECT_EQ(SunTransit::FormatDuration(-5), "0h 5m");
    EXPECT_EQ(SunTransit::FormatDuration(1500), "1h 0m");
}

TEST(SunTransitProperties, SettersNotifyAndPersistOnlyChanges) {
    Dial d(At(9, 0));
    d.dial.SetBackColour(int32_t(0x80000005u));
    d.dial.SetSunUp(TimeOnly(6, 0));
    d.dial.SetSunDown(TimeOnly(19, 0));
    d.dial.SetFullCircle(false);
    d.dial.SetDayColour(0x00FFFF);
    d.dial.SetNightColour(0x400000);
    EXPECT_EQ(d.site.changed,
              (std::vector<std::string>{"BackColour", "SunUp", "SunDown", "FullCircle", "DayColour", "NightColour"}));
    EXPECT_EQ(d.dial.BackColour(), int32_t(gdi::GetSysColor(gdi::COLOR_WINDOW)));

    PropertyBag bag;
    SunTransit fresh;
    fresh.InitProperties();
    fresh.WriteProperties(bag);
    EXPECT_EQ(bag.Size(), 0u);
    d.dial.WriteProperties(bag);
    EXPECT_FALSE(bag.Contains("FullCircle"));
    EXPECT_EQ(bag.ReadDouble("SunUp", 0), TimeOnly(6, 0));

    RecordingSite site;
    SunTransit loaded(&site);
    loaded.Resize(3600, 1500);
    int shownBefore = site.shown;
    loaded.ReadProperties(bag);
    EXPECT_GT(site.shown, shownBefore);  // loading draws
    EXPECT_TRUE(site.changed.empty());   // but notifies nothing
    EXPECT_EQ(loaded.DayColour(), 0x00FFFF);
    EXPECT_EQ(loaded.SunDown(), TimeOnly(19, 0));
    EXPECT_EQ(loaded.Summary(), d.dial.Summary());
}

TEST(SunTransitPictures, SavedForLooking) {
    const std::pair<const char*, DateTime> moments[] = {
        {"sunrise", At(5, 0)}, {"noon", At(12, 30)}, {"sunset", At(20, 0)}, {"night", At(1, 0)}};
    for (auto [name, when] : moments) {
        Dial half(when, 3600, 1500);
        SavePicture(half.dial, std::string("dial-half-") + name);
        Dial full(when, 1500, 1500, true);
        SavePicture(full.dial, std::string("dial-full-") + name);
    }
}

TEST(SunTransitResources, DrawingKeepsNoObjects) {
    const int before = gdi::LiveObjectCount();
    {
        Dial d(At(7, 45), 3000, 3000, true);
        const int alive = gdi::LiveObjectCount();
        d.dial.DrawSunPosition();
        d.dial.SetNightColour(0);
        EXPECT_EQ(gdi::LiveObjectCount(), alive);
    }
    EXPECT_EQ(gdi::LiveObjectCount(), before);
}

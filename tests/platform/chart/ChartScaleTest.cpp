// The chart's arithmetic: how it reads the grid's texts, its round value
// ticks and its calendar time ticks.
#include <gtest/gtest.h>

#include "platform/chart/ChartScale.h"

namespace nimbrel::chart {
namespace {

DateTime At(int y, int m, int d, int hh = 0, int nn = 0, int ss = 0) {
    return DateSerial(y, m, d) + TimeSerial(hh, nn, ss);
}

TEST(GridTexts, RowLabelsAreTimesAndValuesArePlainNumbers) {
    DateTime t = 0;
    ASSERT_TRUE(ReadGridTime("06/12/2026 14:15:03", t));
    EXPECT_EQ(t, At(2026, 12, 6, 14, 15, 3));
    ASSERT_TRUE(ReadGridTime("6/12/2026", t));
    EXPECT_EQ(t, At(2026, 12, 6));
    for (const char* bad : {"", "Temp", "06/12", "06/12/2026 14", "06/12/2026 14:15:03x"})
        EXPECT_FALSE(ReadGridTime(bad, t)) << bad;

    double v = 0;
    ASSERT_TRUE(ReadGridValue("-3", v));
    EXPECT_EQ(v, -3);
    ASSERT_TRUE(ReadGridValue(" 12.5 ", v));
    EXPECT_EQ(v, 12.5);
    for (const char* gap : {"n/a", "", "abc", "12abc", "nan", "inf"}) EXPECT_FALSE(ReadGridValue(gap, v)) << gap;
    // A number too large to be a reading of anything (a damaged file, a
    // hostile feed) is a gap too: the drawing never meets it.
    for (const std::string& gap : {std::string(39, '9'), "-" + std::string(39, '9'), "1" + std::string(400, '0'),
                                   std::string("1000000001"), std::string("-1000000001")})
        EXPECT_FALSE(ReadGridValue(gap, v)) << gap;
    ASSERT_TRUE(ReadGridValue("-1000000000", v));
    EXPECT_EQ(v, -1e9);
}

TEST(ValueAxis, RoundStepsWithRoomAroundTheReadings) {
    const ValueScale s = NiceScale(-3, 7, 6, false);
    EXPECT_LT(s.lo, -3);
    EXPECT_GT(s.hi, 7);
    EXPECT_EQ(s.step, 2);
    EXPECT_EQ(s.lo, -4);
    EXPECT_EQ(s.hi, 8);
    EXPECT_LE(s.Ticks() - 1, 6);

    const ValueScale fine = NiceScale(10.2, 11.1, 5, false);
    EXPECT_DOUBLE_EQ(fine.step, 0.2);
    EXPECT_EQ(FormatTick(10.4, fine.step), "10.4");
    EXPECT_EQ(FormatTick(-0.0000001, 0.5), "0.0");  // never "-0.0"
    EXPECT_EQ(FormatTick(-2, 2), "-2");

    // A flat history still gets an axis around its value.
    const ValueScale flat = NiceScale(5, 5, 4, false);
    EXPECT_LT(flat.lo, 5);
    EXPECT_GT(flat.hi, 5);
}

TEST(ValueAxis, PercentagesStayWithinZeroAndAHundred) {
    const ValueScale s = NiceScale(40, 100, 6, true);
    EXPECT_EQ(s.hi, 100);
    EXPECT_LT(s.lo, 40);
    const ValueScale low = NiceScale(0, 30, 6, true);
    EXPECT_EQ(low.lo, 0);
}

TEST(TimeAxis, HoursForADayWithTheDateWhereItChanges) {
    const auto ticks = TimeTicks(At(2026, 12, 5, 14, 10), At(2026, 12, 6, 14, 0), 6);
    ASSERT_FALSE(ticks.empty());
    EXPECT_LE(ticks.size(), 6u);
    EXPECT_EQ(ticks[0].label, "18:00");
    EXPECT_EQ(ticks[0].second, "05/12");
    for (const TimeTick& t : ticks) {
        EXPECT_EQ(t.label.size(), 5u);
        if (t.label == "00:00") {
            EXPECT_EQ(t.second, "06/12");
        }
    }
}

TEST(TimeAxis, DaysForAWeekMondaysForAMonthMonthsForAYear) {
    const auto week = TimeTicks(At(2026, 11, 29), At(2026, 12, 6, 23), 8);
    ASSERT_FALSE(week.empty());
    EXPECT_EQ(week[0].label, "29/11");
    EXPECT_EQ(week[0].second, "2026");

    const auto month = TimeTicks(At(2026, 11, 6), At(2026, 12, 6), 5);
    ASSERT_FALSE(month.empty());
    for (const TimeTick& t : month) EXPECT_EQ(Weekday(t.t), 2) << t.label;  // Mondays

    const auto year = TimeTicks(At(2025, 12, 6, 14), At(2026, 12, 6, 14), 12);
    ASSERT_EQ(year.size(), 12u);
    EXPECT_EQ(year[0].label, "Jan");
    EXPECT_EQ(year[0].second, "2026");
    EXPECT_EQ(year[0].t, At(2026, 1, 1));
    EXPECT_EQ(year.back().label, "Dec");
    EXPECT_EQ(year[1].second, "");

    const auto decades = TimeTicks(DateSerial(1900, 1, 1), At(2026, 12, 6), 8);
    ASSERT_FALSE(decades.empty());
    EXPECT_LE(decades.size(), 8u);
    EXPECT_EQ(decades[0].label, "1900");
}

TEST(TimeAxis, NothingForAnEmptySpan) {
    EXPECT_TRUE(TimeTicks(At(2026, 12, 6), At(2026, 12, 6), 5).empty());
    EXPECT_TRUE(TimeTicks(At(2026, 12, 6), At(2026, 12, 5), 5).empty());
}

}  // namespace
}  // namespace nimbrel::chart

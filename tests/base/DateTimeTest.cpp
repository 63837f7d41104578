#include <gtest/gtest.h>

#include <cmath>

#include "base/Clock.h"
#include "base/DateTime.h"

using namespace nimbrel;

TEST(DateTime, CountsDaysFromTheEpochWithTheTimeAsFraction) {
    EXPECT_EQ(DateSerial(1899, 12, 30), 0.0);
    EXPECT_EQ(DateSerial(1900, 1, 1), 2.0);
    EXPECT_EQ(DateSerial(2026, 12, 6), 46362.0);
    EXPECT_DOUBLE_EQ(TimeSerial(5, 0, 0), 5.0 / 24);
    const DateTime t = DateSerial(2026, 12, 6) + TimeSerial(7, 5, 9);
    const CivilTime c = Decode(t);
    EXPECT_EQ(c.year, 2026);
    EXPECT_EQ(c.month, 12);
    EXPECT_EQ(c.day, 6);
    EXPECT_EQ(c.hour, 7);
    EXPECT_EQ(c.minute, 5);
    EXPECT_EQ(c.second, 9);
    EXPECT_EQ(Encode(c), t);
    // Before the epoch the time of day still counts forwards.
    EXPECT_EQ(FormatDateTime(-1.25), "29/12/1899 06:00:00");
}

TEST(DateTime, OutOfRangePartsRollOver) {
    EXPECT_EQ(DateSerial(2025, 13, 1), DateSerial(2026, 1, 1));
    EXPECT_EQ(DateSerial(2026, 3, 0), DateSerial(2026, 2, 28));
    EXPECT_EQ(DateSerial(2024, 3, 0), DateSerial(2024, 2, 29));
    EXPECT_EQ(DateSerial(2026, 0, 1), DateSerial(2025, 12, 1));
    EXPECT_EQ(DateSerial(2026, -11, 1), DateSerial(2025, 1, 1));
    EXPECT_EQ(DateSerial(2026, 1, 32), DateSerial(2026, 2, 1));
    EXPECT_EQ(FormatDateTime(DateSerial(2026, 12, 31) + TimeSerial(23, 59, 60)), "01/01/2027 00:00:00");
    EXPECT_EQ(FormatTimeHMS(TimeSerial(0, 90, 0)), "01:30:00");
    EXPECT_EQ(FormatDateTime(TimeSerial(25, 0, 0)), "31/12/1899 01:00:00");
    // Absurd parts stay defined rather than overflowing.
    EXPECT_GT(DateSerial(2000000000, 2000000000, 2000000000), 0.0);
}

TEST(DateTime, MonthAndYearStepsLandOnTheLastDayOfAShorterMonth) {
    const DateTime t = TimeSerial(10, 15, 0);
    EXPECT_EQ(AddMonths(DateSerial(2026, 3, 31) + t, -1), DateSerial(2026, 2, 28) + t);
    EXPECT_EQ(AddMonths(DateSerial(2024, 3, 31) + t, -1), DateSerial(2024, 2, 29) + t);
    EXPECT_EQ(AddYears(DateSerial(2024, 2, 29) + t, -1), DateSerial(2023, 2, 28) + t);
    EXPECT_EQ(AddMonths(DateSerial(2026, 8, 31), -6), DateSerial(2026, 2, 28));
    EXPECT_EQ(AddMonths(DateSerial(2026, 1, 15), -1), DateSerial(2025, 12, 15));
    EXPECT_EQ(AddMonths(DateSerial(2026, 12, 15), 1), DateSerial(2027, 1, 15));
}

TEST(DateTime, TextFormsArePaddedFieldByField) {
    const DateTime t = DateSerial(2026, 3, 6) + TimeSerial(7, 5, 9);
    EXPECT_EQ(FormatDateTime(t), "06/03/2026 07:05:09");
    EXPECT_EQ(FormatDate(t), "06/03/2026");
    EXPECT_EQ(FormatTimeHM(t), "07:05");
    EXPECT_EQ(FormatTimeHMS(t), "07:05:09");
    EXPECT_EQ(FormatStamp(t), "20260306_070509");
    EXPECT_EQ(FormatIso(t), "2026-03-06T07:05:09");
    // Values a hair below a whole second still print that second.
    EXPECT_EQ(FormatTimeHMS(TimeSerial(12, 0, 0) - 1e-9), "12:00:00");
    EXPECT_EQ(FormatDate(DatePart(t)), "06/03/2026");
    EXPECT_EQ(FormatTimeHMS(TimePart(t)), "07:05:09");
    EXPECT_LT(TimePart(t), 1.0);
}

TEST(DateTime, EnglishNames) {
    EXPECT_EQ(Weekday(DateSerial(2026, 12, 6)), 1);  // a Sunday
    EXPECT_EQ(Weekday(0.0), 7);
    EXPECT_EQ(Weekday(DateSerial(1899, 12, 24)), 1);
    EXPECT_EQ(WeekdayName(2), "Monday");
    EXPECT_EQ(WeekdayName(7, true), "Sat");
    EXPECT_EQ(MonthName(12), "December");
    EXPECT_EQ(MonthName(9, true), "Sep");
    EXPECT_EQ(MonthName(13), "");
}

TEST(DateTime, RoundsHalvesToEven) {
    EXPECT_EQ(RoundHalfEven(2.5), 2.0);
    EXPECT_EQ(RoundHalfEven(3.5), 4.0);
    EXPECT_EQ(RoundHalfEven(-2.5), -2.0);
    EXPECT_EQ(RoundHalfEven(-3.5), -4.0);
    EXPECT_EQ(RoundHalfEven(2.4999), 2.0);
    EXPECT_EQ(RoundHalfEven(2.5001), 3.0);
    EXPECT_EQ(RoundHalfEvenToInt(0.5), 0);
    EXPECT_EQ(RoundHalfEvenToInt(1.5), 2);
    EXPECT_EQ(RoundHalfEvenToInt(1e300), INT64_MAX);
    EXPECT_EQ(RoundHalfEvenToInt(std::nan("")), 0);
}

TEST(Clock, TestsSetTheTimeAndReleaseIt) {
    const DateTime fixed = DateSerial(2026, 12, 6) + TimeSerial(10, 15, 0);
    {
        ScopedClock clock(fixed);
        EXPECT_EQ(Now(), fixed);
        EXPECT_EQ(Today(), DateSerial(2026, 12, 6));
        clock.Advance(TimeSerial(0, 1, 0));
        EXPECT_EQ(FormatDateTime(Now()), "06/12/2026 10:16:00");
    }
    // Back on the system clock: some time after this code was written.
    EXPECT_GT(Now(), DateSerial(2020, 1, 1));
    EXPECT_EQ(TimePart(Today()), 0.0);
}

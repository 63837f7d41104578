#include <gtest/gtest.h>

#include <cmath>

#include "base/modMisc.h"

using namespace nimbrel;

TEST(ExtractBetween, TakesTheFirstMatchAndSetsStartFromZeroToOne) {
    int32_t start = 0;
    EXPECT_EQ(ExtractBetween("<a>", "</a>", "x<A>1</A>", start, false), "1");
    EXPECT_EQ(start, 1);
    start = 0;
    EXPECT_EQ(ExtractBetween("<a>", "</a>", "x<A>1</A>", start, true), "");
    start = 1;
    EXPECT_EQ(ExtractBetween("<a>", "</a>", "<a>1</a><a>2</a>", start, false), "1");
    EXPECT_EQ(start, 1);  // not advanced past the match
    start = 5;
    EXPECT_EQ(ExtractBetween("<a>", "</a>", "<a>1</a><a>2</a>", start, false), "2");
    start = 1;
    EXPECT_EQ(ExtractBetween("<a>", "</a>", "<a></a>", start, false), "");
}

TEST(ExtractBetween, MissingMarkersGiveEmptyText) {
    int32_t start = 1;
    EXPECT_EQ(ExtractBetween("<a>", "</a>", "</a>x<a>y", start, false), "");
    EXPECT_EQ(ExtractBetween("<a>", "</a>", "no markers", start, false), "");
    EXPECT_EQ(ExtractBetween("<a>", "</a>", "", start, false), "");
    EXPECT_EQ(ExtractBetween("<a>", "</a>", "x<a>", start, false), "");
    start = 100;
    EXPECT_EQ(ExtractBetween("<a>", "</a>", "<a>1</a>", start, false), "");
}

TEST(InStr, PositionsAreOneBasedAndCaseFoldingIsAscii) {
    EXPECT_EQ(InStr(1, "abcabc", "c", true), 3);
    EXPECT_EQ(InStr(4, "abcabc", "c", true), 6);
    EXPECT_EQ(InStr(1, "abcabc", "C", true), 0);
    EXPECT_EQ(InStr(1, "abcabc", "C", false), 3);
    EXPECT_EQ(InStr(1, "xx<WEATHER>", "<weather>", false), 3);
    EXPECT_EQ(InStr(1, "<weathe", "<weather>", false), 0);
    EXPECT_EQ(InStr(1, "", "a", false), 0);
    EXPECT_EQ(InStr(1, "°C", "°c", false), 1);
}

TEST(CountOccurrences, CountsOverlappingHits) {
    EXPECT_EQ(CountOccurrences("a,,b", ","), 2);
    EXPECT_EQ(CountOccurrences("", ","), 0);
    EXPECT_EQ(CountOccurrences("aaa", "aa"), 2);
    EXPECT_EQ(CountOccurrences("AAA", "a"), 0);
    EXPECT_EQ(CountOccurrences("abc", ""), 0);
}

TEST(GetField, FieldsFollowTheDelimiterCount) {
    EXPECT_EQ(GetField("a,b", ",", 3), "");
    EXPECT_EQ(GetField("abc", ",", 1), "abc");
    EXPECT_EQ(GetField("a,b,", ",", 3), "");
    EXPECT_EQ(GetField("a,,b", ",", 2), "");
    EXPECT_EQ(GetField("a,,b", ",", 3), "b");
    EXPECT_EQ(GetField("Cloudy,12,80,06/12/2026 07:05:09", ",", 4), "06/12/2026 07:05:09");
    EXPECT_EQ(GetField("a::b::c", "::", 2), "b");
    EXPECT_EQ(GetField("", ",", 1), "");
    EXPECT_EQ(GetField("a,b", ",", 0), "");
    // The fields are read with one delimiter appended, so a delimiter that
    // overlaps itself can end in the appended one.
    EXPECT_EQ(GetField("x:", "::", 1), "x");
    EXPECT_EQ(GetField(">::bbb", "bb", 2), "");
    EXPECT_EQ(GetField("a::b:", "::", 2), "b");
}

TEST(ParseDateTime, ReadsDayFirstWithCalendarRollover) {
    EXPECT_EQ(ParseDateTime("06/12/2026 07:05:09", false), DateSerial(2026, 12, 6) + TimeSerial(7, 5, 9));
    EXPECT_EQ(ParseDateTime("06/12/2026 07:05:09", true), DateSerial(2026, 12, 6));
    EXPECT_EQ(ParseDateTime("06/12/2026", false), DateSerial(2026, 12, 6));
    EXPECT_EQ(ParseDateTime("Monday", false), 0.0);
    EXPECT_EQ(ParseDateTime("", false), 0.0);
    EXPECT_EQ(ParseDateTime("01/13/2025", true), DateSerial(2026, 1, 1));
    EXPECT_EQ(ParseDateTime("00/03/2024", true), DateSerial(2024, 2, 29));
    EXPECT_EQ(FormatDateTime(ParseDateTime("31/12/2026 23:59:60", false)), "01/01/2027 00:00:00");
    EXPECT_EQ(ParseDateTime("6/12/2026 7:5:9", false), DateSerial(2026, 12, 6) + TimeSerial(7, 5, 9));
    EXPECT_EQ(ParseDateTime("06/12/2026 07:05:09 extra", false), DateSerial(2026, 12, 6) + TimeSerial(7, 5, 9));
    EXPECT_EQ(ParseDateTime("06/12/26", true), DateSerial(2026, 12, 6));
}

TEST(ParseDateTime, NonNumericPartsReachTheCallerAsErrors) {
    EXPECT_THROW(ParseDateTime("aa/12/2026", false), ConversionError);
    EXPECT_THROW(ParseDateTime("06/12", false), ConversionError);
    EXPECT_THROW(ParseDateTime("06/12/2026 07:05", false), ConversionError);
    // The time is read even when only the date is wanted.
    EXPECT_THROW(ParseDateTime("06/12/2026 xx:05:09", true), ConversionError);
    EXPECT_THROW(ParseDateTime("06/12/99999999 07:05:09", false), ConversionError);
    EXPECT_THROW(ParseDateTime("1/1/99999999999", false), ConversionError);
}

TEST(ParseTime, ReadsHoursMinutesAndOptionalSeconds) {
    EXPECT_EQ(ParseTime("07:50"), TimeSerial(7, 50, 0));
    EXPECT_EQ(ParseTime("07:50:30"), TimeSerial(7, 50, 30));
    EXPECT_LT(ParseTime("23:59:59"), 1.0);
    EXPECT_THROW(ParseTime("7am"), ConversionError);
    EXPECT_THROW(ParseTime(""), ConversionError);
    EXPECT_EQ(StripTime(DateSerial(2026, 12, 6) + TimeSerial(7, 5, 9)), DateSerial(2026, 12, 6));
}

TEST(AddBackslash, AppendsOneSeparator) {
    EXPECT_EQ(AddBackslash("/opt/nimbrel/"), "/opt/nimbrel/");
    EXPECT_EQ(AddBackslash("/opt/nimbrel"), "/opt/nimbrel/");
    EXPECT_EQ(AddBackslash("/"), "/");
}

TEST(CollapseDelimiters, CollapsesRunsAndTrimsOneAtEachEnd) {
    EXPECT_EQ(CollapseDelimiters(",,12,,,13,,", ",", true), "12,13");
    EXPECT_EQ(CollapseDelimiters(",,12,,,13,,", ",", false), ",12,13,");
    EXPECT_EQ(CollapseDelimiters("12,13", ",", true), "12,13");
    EXPECT_EQ(CollapseDelimiters(",12", ",", true), "12");
    EXPECT_EQ(CollapseDelimiters(",12", ",", false), ",12");
    EXPECT_EQ(CollapseDelimiters(",", ",", true), "");
    EXPECT_EQ(CollapseDelimiters("", ",", true), "");
    EXPECT_EQ(CollapseDelimiters("aXxXb", "x", true), "aXxXb");
    EXPECT_EQ(CollapseDelimiters("xxaxxbx", "x", true), "axb");
}

TEST(DayDistance, WalksTheWeekdayTable) {
    EXPECT_EQ(DayDistance("Monday", "wednesday", false), 2);
    EXPECT_EQ(DayDistance("Monday", "wednesday", true), 5);
    EXPECT_EQ(DayDistance("Sunday", "Monday", false), 1);
    EXPECT_EQ(DayDistance("Sunday", "Monday", true), 6);
    EXPECT_EQ(DayDistance("Friday", "friday", false), 0);
    EXPECT_EQ(DayDistance("Friday", "Funday", false), 0);
    // An unknown start day walks from the end of the table (Sunday).
    EXPECT_EQ(DayDistance("Someday", "Sunday", false), 0);
    EXPECT_EQ(DayDistance("Someday", "Tuesday", false), 2);
}

TEST(Conversions, WholeTextNumbersThrowAndValTakesTheLeadingNumber) {
    EXPECT_EQ(CLngText(" 12 "), 12);
    EXPECT_EQ(CLngText("-3"), -3);
    EXPECT_EQ(CLngText("+7"), 7);
    EXPECT_EQ(CLngText("2.5"), 2);
    EXPECT_EQ(CLngText("3.5"), 4);
    EXPECT_THROW(CLngText(""), ConversionError);
    EXPECT_THROW(CLngText("abc"), ConversionError);
    EXPECT_THROW(CLngText("12abc"), ConversionError);
    EXPECT_THROW(CLngText("99999999999"), ConversionError);
    EXPECT_THROW(CLngText("inf"), ConversionError);
    EXPECT_DOUBLE_EQ(CDblText("1.5e2"), 150.0);
    EXPECT_THROW(CDblText("1,5"), ConversionError);
    EXPECT_THROW(CDblText("nan"), ConversionError);
    EXPECT_DOUBLE_EQ(Val("12.5abc"), 12.5);
    EXPECT_DOUBLE_EQ(Val("abc"), 0.0);
    EXPECT_DOUBLE_EQ(Val(""), 0.0);
    EXPECT_DOUBLE_EQ(Val("  -4 5x"), -45.0);
    EXPECT_DOUBLE_EQ(Val("1e3"), 1000.0);
    EXPECT_DOUBLE_EQ(Val("7e"), 7.0);
    EXPECT_TRUE(std::isinf(Val("1e999")));
}

TEST(CaseHelpers, FoldAsciiOnly) {
    EXPECT_EQ(LowerAscii("AbC°É"), "abc°É");
    EXPECT_EQ(UpperAscii("abc"), "ABC");
    EXPECT_TRUE(EqualsIgnoreCase("N/A", "n/a"));
    EXPECT_FALSE(EqualsIgnoreCase("a", "ab"));
}

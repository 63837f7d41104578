#pragma once
// The date-time value the whole program works in: days since 30 December 1899
// 00:00:00 as a double, the fraction being the time of day. Times of day alone
// (sunrise, sunset) have no whole-day part. Calendar arithmetic rolls over the
// way the stored files expect: month 13 is January of the next year, day 0 the
// last day of the previous month, second 60 the next minute.
#include <cstdint>
#include <string>

namespace nimbrel {

using DateTime = double;

struct CivilTime {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0;
};

// Calendar date from parts that may be out of range (they roll over).
DateTime DateSerial(int year, int month, int day);
// Time of day from parts that may be out of range (they roll over into days).
DateTime TimeSerial(int hour, int minute, int second);
// Parts of a value, to the nearest second.
CivilTime Decode(DateTime value);
DateTime Encode(const CivilTime& t);

// Whole days only (the date at 00:00:00), and the time of day alone.
DateTime DatePart(DateTime value);
DateTime TimePart(DateTime value);

// Calendar month and year steps: 31 March minus one month is 28 or 29
// February (the last day of the shorter month); the time of day is kept.
DateTime AddMonths(DateTime value, int months);
DateTime AddYears(DateTime value, int years);

// 1 = Sunday .. 7 = Saturday.
int Weekday(DateTime value);
// English names: "Monday" / "Mon", "December" / "Dec". month 1..12, weekday 1 (Sunday)..7.
std::string WeekdayName(int weekday, bool abbreviated = false);
std::string MonthName(int month, bool abbreviated = false);

// "dd/mm/yyyy hh:nn:ss", "dd/mm/yyyy", "hh:nn", "hh:nn:ss", "yyyymmdd_hhnnss",
// "yyyy-mm-ddThh:nn:ss" (ISO 8601 for export).
std::string FormatDateTime(DateTime value);
std::string FormatDate(DateTime value);
std::string FormatTimeHM(DateTime value);
std::string FormatTimeHMS(DateTime value);
std::string FormatStamp(DateTime value);
std::string FormatIso(DateTime value);

// Nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
double RoundHalfEven(double value);
int64_t RoundHalfEvenToInt(double value);

}  // namespace nimbrel

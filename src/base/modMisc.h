#pragma once
// Small routines on strings, dates and whole text files that the settings
// store, both feed parsers, the history chart and the capture command are
// written on. Positions are 1-based byte positions; a search that finds
// nothing gives 0. Case-insensitive matching folds ASCII only.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "base/DateTime.h"

namespace nimbrel {

// A conversion that has no number to convert ("", "abc") reaches the caller
// as this error, never as a value.
struct ConversionError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Position of Find in Text searching from Start (1-based), 0 if absent.
int32_t InStr(int32_t Start, const std::string& Text, const std::string& Find, bool CaseSensitive);

std::string ExtractBetween(const std::string& StartText, const std::string& EndText, const std::string& Text,
                           int32_t& Start, bool CaseSensitive);
int32_t CountOccurrences(const std::string& Text, const std::string& Find);
std::string GetField(const std::string& Text, const std::string& Delimiter, int16_t Index);
// Throws std::runtime_error when the file cannot be read. Bytes that are not
// valid UTF-8 are read as Windows-1252 and returned as UTF-8.
std::string ReadTextFile(const std::string& Path);
// Text that is not valid UTF-8 is taken as Windows-1252 and returned as
// UTF-8: the rule for settings.txt and for feed documents alike.
std::string ToValidUtf8(std::string bytes);
// Writes Text and one CR LF; false on any failure.
bool WriteTextFile(const std::string& Text, const std::string& Path);
// The same, with the reason of a failure ("No space left on device") in
// error. A symbolic link is followed and the file it names is written; a
// file in a folder that cannot take a new file is rewritten in place when the
// file itself is writable; anything but a regular file is refused.
bool WriteTextFile(const std::string& Text, const std::string& Path, std::string& error);
// Appends the path separator of this platform ("/") unless it ends in one.
std::string AddBackslash(const std::string& Path);
// "dd/mm/yyyy hh:nn:ss" or "dd/mm/yyyy"; throws ConversionError on a part that is not a number.
DateTime ParseDateTime(const std::string& Text, bool DateOnly);
DateTime StripTime(DateTime Value);
DateTime ParseTime(const std::string& Text);
std::string CollapseDelimiters(const std::string& Text, const std::string& Delimiter, bool TrimEnds);
int16_t DayDistance(const std::string& FromDay, const std::string& ToDay, bool Backwards);

// Text-to-number conversions with the rules the settings file and the feeds
// were written with: blanks around the number allowed, no locale.
// CLngText: integer value with surrounding blanks allowed; throws ConversionError.
int32_t CLngText(const std::string& Text);
// Val: the leading number of a text ("12.5abc" -> 12.5, "abc" -> 0); never throws.
double Val(const std::string& Text);
// CDbl-like: the whole text as a number; throws ConversionError.
double CDblText(const std::string& Text);

// Rounded to the nearest integer, halves to even, and held to the range of a
// 16-bit field; not a number gives 0.
int16_t RoundToInt16(double Value);

// Case changes by ASCII rules only, whatever the locale: under tr_TR the C
// library's toupper leaves 'i' alone ("With ice"), and the texts the program
// builds and matches are English.
std::string LowerAscii(std::string Text);
std::string UpperAscii(std::string Text);
inline char LowerAsciiChar(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
inline char UpperAsciiChar(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
bool EqualsIgnoreCase(std::string_view A, std::string_view B);

}  // namespace nimbrel

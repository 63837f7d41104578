#pragma once
// Small text steps shared by the feed parsers and the feed tools.
#include <cstdint>
#include <string>

namespace nimbrel {

// The line end of the feeds' stored forms, and the degree sign of "12°C".
inline const std::string kCrLf = "\r\n";
inline const std::string kDegreesC =
    "\xC2\xB0"
    "C";

// The text between the first `from` and the `to` after it, as the marker
// searches read a document: from its start, ASCII case folded.
std::string Between(const std::string& from, const std::string& to, const std::string& text);

// Leading and trailing blanks removed (spaces; a tab is kept, as the
// platform's Trim does).
std::string TrimBlanks(const std::string& text);
std::string ReplaceAll(std::string text, const std::string& find, const std::string& with);

// A value taken from a feed, made safe to keep in the comma lists and the
// tag form of settings.txt: "," becomes ";" (it would shift the fields read
// back), CR and LF become a blank (they would break the three forecast lines),
// "<" and ">" become "(" and ")" (a "</weather>" inside a value would cut the
// section short on the next start).
std::string StoredFieldText(const std::string& text);

// The numeric value of the leading number, rounded halves to even, held to
// the range of a 16-bit integer.
int16_t RoundedLeadingNumber(const std::string& text);

}  // namespace nimbrel

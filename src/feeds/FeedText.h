#pragma once
// Small text steps shared by the feed parsers and the feed tools.
#include <cstdint>
#include <string>

namespace nimbrel {

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

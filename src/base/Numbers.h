#pragma once
// Decimal numbers in the C rules, whatever locale the process runs in. Qt
// switches the C library to the user's locale when it starts, and under
// de_DE or fr_FR printf and strtod then write and expect "52,52": a number
// stored in settings.txt, sent in a URL or printed for another program must
// never follow it. A number a person reads is the toolkit's business
// (QLocale), not this file's.
#include <string>
#include <string_view>

namespace nimbrel {

// value with exactly `decimals` digits after the point ("6.25", "-0.50").
std::string FormatFixed(double value, int decimals);
// value with at most `maxDecimals` digits after the point, trailing zeros
// and a bare point dropped, and never "-0" ("52.52", "13.4105", "0").
std::string FormatShortest(double value, int maxDecimals);
// The whole of text (blanks around it allowed) as a finite decimal number in
// the C rules; false, with value unchanged, for anything else.
bool ParseDecimal(std::string_view text, double& value);

}  // namespace nimbrel

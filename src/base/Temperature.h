#pragma once
// The unit temperatures are shown in. Everything the program keeps (the
// settings file, the history, the parsed readings) stays in whole degrees
// Celsius, so a file stays readable by older copies and a switch of units
// changes no stored value; only what reaches the user's eyes goes through
// here. The unit is the program's weather state's; whoever draws a
// temperature is handed it.
#include <string>
#include <string_view>

namespace nimbrel {

enum class TempUnit { Celsius, Fahrenheit };

// "C" / "F", the value kept in the settings file; anything else is Celsius.
std::string UnitKey(TempUnit unit);
TempUnit UnitFromKey(std::string_view key);

// A Celsius value in the shown unit, rounded half to even to a whole
// degree, as the parsers round what they read.
int ShownDegrees(double celsius, TempUnit unit);
// "°C" or "°F".
std::string UnitSymbol(TempUnit unit);
// "21°C" / "70°F".
std::string FormatTemperature(double celsius, TempUnit unit);

}  // namespace nimbrel

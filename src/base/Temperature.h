#pragma once
// The unit temperatures are shown in. Everything the program keeps (the
// settings file, the history, the parsed readings) stays in whole degrees
// Celsius, so a file stays readable by older copies and a switch of units
// changes no stored value; only what reaches the user's eyes goes through
// here. One process-wide choice, like the clock, so every control, the
// chart and the tray show the same unit without each holding its own copy.
#include <string>
#include <string_view>

namespace nimbrel {

enum class TempUnit { Celsius, Fahrenheit };

TempUnit ShownUnit();
void SetShownUnit(TempUnit unit);

// "C" / "F", the value kept in the settings file; anything else is Celsius.
std::string UnitKey(TempUnit unit);
TempUnit UnitFromKey(std::string_view key);

// A Celsius value in the shown unit, rounded half to even to a whole
// degree, as the parsers round what they read.
int ShownDegrees(double celsius);
int ShownDegrees(double celsius, TempUnit unit);
// "°C" or "°F".
std::string UnitSymbol(TempUnit unit);
std::string UnitSymbol();
// "21°C" / "70°F".
std::string FormatTemperature(double celsius);
std::string FormatTemperature(double celsius, TempUnit unit);

// A text with temperatures written as "<whole number>°C" (the forecast's
// tile messages) with each one in the shown unit; all else unchanged.
std::string ShownTemperatureText(std::string_view text);
std::string ShownTemperatureText(std::string_view text, TempUnit unit);

// Sets the shown unit for the life of the object (tests).
class ScopedUnit {
public:
    explicit ScopedUnit(TempUnit unit) : old_(ShownUnit()) { SetShownUnit(unit); }
    ~ScopedUnit() { SetShownUnit(old_); }
    ScopedUnit(const ScopedUnit&) = delete;
    ScopedUnit& operator=(const ScopedUnit&) = delete;

private:
    TempUnit old_;
};

}  // namespace nimbrel

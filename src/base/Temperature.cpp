#include "base/Temperature.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

#include "base/DateTime.h"

namespace nimbrel {

std::string UnitKey(TempUnit unit) {
    return unit == TempUnit::Fahrenheit ? "F" : "C";
}

TempUnit UnitFromKey(std::string_view key) {
    return key == "F" || key == "f" ? TempUnit::Fahrenheit : TempUnit::Celsius;
}

int ShownDegrees(double celsius, TempUnit unit) {
    if (!std::isfinite(celsius)) return 0;
    const double shown = unit == TempUnit::Fahrenheit ? celsius * 9.0 / 5.0 + 32.0 : celsius;
    // Held to what an int holds; no reading comes near, a damaged one may.
    if (shown > 2.0e9) return 2000000000;
    if (shown < -2.0e9) return -2000000000;
    return static_cast<int>(RoundHalfEvenToInt(shown));
}

std::string UnitSymbol(TempUnit unit) {
    return unit == TempUnit::Fahrenheit ? "\xC2\xB0"
                                          "F"
                                        : "\xC2\xB0"
                                          "C";
}

std::string FormatTemperature(double celsius, TempUnit unit) {
    return std::to_string(ShownDegrees(celsius, unit)) + UnitSymbol(unit);
}

}  // namespace nimbrel

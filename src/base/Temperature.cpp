#include "base/Temperature.h"

#include <atomic>
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "base/DateTime.h"

namespace nimbrel {

namespace {

std::atomic<TempUnit> g_unit{TempUnit::Celsius};

constexpr std::string_view kDegreeC =
    "\xC2\xB0"
    "C";

}  // namespace

TempUnit ShownUnit() {
    return g_unit.load();
}

void SetShownUnit(TempUnit unit) {
    g_unit.store(unit);
}

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

int ShownDegrees(double celsius) {
    return ShownDegrees(celsius, ShownUnit());
}

std::string UnitSymbol(TempUnit unit) {
    return unit == TempUnit::Fahrenheit ? "\xC2\xB0"
                                          "F"
                                        : "\xC2\xB0"
                                          "C";
}

std::string UnitSymbol() {
    return UnitSymbol(ShownUnit());
}

std::string FormatTemperature(double celsius, TempUnit unit) {
    return std::to_string(ShownDegrees(celsius, unit)) + UnitSymbol(unit);
}

std::string FormatTemperature(double celsius) {
    return FormatTemperature(celsius, ShownUnit());
}

namespace {

// The start of the whole number (with its minus) that ends at end, or npos.
size_t NumberBefore(std::string_view text, size_t from, size_t end) {
    size_t start = end;
    while (start > from && std::isdigit(static_cast<unsigned char>(text[start - 1]))) --start;
    if (start == end || end - start > 6) return std::string_view::npos;
    if (start > from && text[start - 1] == '-') --start;
    return start;
}

std::string Converted(std::string_view number, TempUnit unit) {
    return std::to_string(ShownDegrees(double(std::strtol(std::string(number).c_str(), nullptr, 10)), unit));
}

}  // namespace

std::string ShownTemperatureText(std::string_view text, TempUnit unit) {
    if (unit == TempUnit::Celsius) return std::string(text);
    std::string out;
    out.reserve(text.size());
    size_t done = 0;
    for (size_t at = text.find(kDegreeC); at != std::string_view::npos; at = text.find(kDegreeC, at + 1)) {
        const size_t lastStart = NumberBefore(text, done, at);
        if (lastStart == std::string_view::npos) continue;
        // A range written "5->12°C" (the stored forecast lines) has both
        // ends in degrees; the arrow's "-" stands before its ">", so it is
        // never taken for the second end's minus.
        size_t first = std::string_view::npos;
        if (lastStart >= done + 2 && text.substr(lastStart - 2, 2) == "->")
            first = NumberBefore(text, done, lastStart - 2);
        if (first != std::string_view::npos) {
            out.append(text.substr(done, first - done));
            out += Converted(text.substr(first, lastStart - 2 - first), unit) + "->";
        } else {
            out.append(text.substr(done, lastStart - done));
        }
        out += Converted(text.substr(lastStart, at - lastStart), unit) + UnitSymbol(unit);
        done = at + kDegreeC.size();
    }
    out.append(text.substr(done));
    return out;
}

std::string ShownTemperatureText(std::string_view text) {
    return ShownTemperatureText(text, ShownUnit());
}

}  // namespace nimbrel

#include <gtest/gtest.h>

#include "base/Temperature.h"

namespace nimbrel {
namespace {

const std::string kC =
    "\xC2\xB0"
    "C";
const std::string kF =
    "\xC2\xB0"
    "F";

TEST(Temperature, FahrenheitRoundsHalfToEvenAsTheParsersDo) {
    EXPECT_EQ(ShownDegrees(0, TempUnit::Fahrenheit), 32);
    EXPECT_EQ(ShownDegrees(21, TempUnit::Fahrenheit), 70);   // 69.8
    EXPECT_EQ(ShownDegrees(-12, TempUnit::Fahrenheit), 10);  // 10.4
    EXPECT_EQ(ShownDegrees(-40, TempUnit::Fahrenheit), -40);
    EXPECT_EQ(ShownDegrees(40.5, TempUnit::Fahrenheit), 105);  // 104.9
    EXPECT_EQ(ShownDegrees(2.5, TempUnit::Fahrenheit), 36);    // 36.5: to the even 36
    EXPECT_EQ(ShownDegrees(3.5, TempUnit::Fahrenheit), 38);    // 38.3
    EXPECT_EQ(ShownDegrees(-2.5, TempUnit::Fahrenheit), 28);   // 27.5: to the even 28
    EXPECT_EQ(ShownDegrees(21, TempUnit::Celsius), 21);
    EXPECT_EQ(ShownDegrees(0.5, TempUnit::Celsius), 0);
    EXPECT_EQ(ShownDegrees(1e300, TempUnit::Fahrenheit), 2000000000);
}

TEST(Temperature, TextsKeepEverythingButTheDegrees) {
    EXPECT_EQ(FormatTemperature(21, TempUnit::Fahrenheit), "70" + kF);
    EXPECT_EQ(FormatTemperature(-3, TempUnit::Celsius), "-3" + kC);
    EXPECT_EQ(FormatTemperature(-3, TempUnit::Fahrenheit), "27" + kF);
}

TEST(Temperature, TheShownUnitIsKeptAsOneLetter) {
    EXPECT_EQ(UnitKey(TempUnit::Fahrenheit), "F");
    EXPECT_EQ(UnitFromKey("F"), TempUnit::Fahrenheit);
    EXPECT_EQ(UnitFromKey(UnitKey(TempUnit::Celsius)), TempUnit::Celsius);
    for (const char* damaged : {"", "K", "Fahrenheit", " F"}) EXPECT_EQ(UnitFromKey(damaged), TempUnit::Celsius);
    EXPECT_EQ(UnitSymbol(TempUnit::Fahrenheit), kF);
    EXPECT_EQ(UnitSymbol(TempUnit::Celsius), kC);
}

}  // namespace
}  // namespace nimbrel

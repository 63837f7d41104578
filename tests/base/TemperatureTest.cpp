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
    const std::string tip = "Light Rain\r\nMin Temp: -3" + kC + "\r\nMax Temp: 21" + kC + "\r\nHumidity: 80%";
    EXPECT_EQ(ShownTemperatureText(tip, TempUnit::Celsius), tip);
    EXPECT_EQ(ShownTemperatureText(tip, TempUnit::Fahrenheit),
              "Light Rain\r\nMin Temp: 27" + kF + "\r\nMax Temp: 70" + kF + "\r\nHumidity: 80%");
    // The stored forecast line's ranges, with negative ends too.
    EXPECT_EQ(ShownTemperatureText("06/12/2026: light rain, 4->9" + kC + ", H=90%", TempUnit::Fahrenheit),
              "06/12/2026: light rain, 39->48" + kF + ", H=90%");
    EXPECT_EQ(ShownTemperatureText("heavy snow, -3->0" + kC + "; -12->-5" + kC, TempUnit::Fahrenheit),
              "heavy snow, 27->32" + kF + "; 10->23" + kF);
    // A sign without a number before it, and text around, are left alone.
    EXPECT_EQ(ShownTemperatureText(kC + " and x" + kC + " 5" + kC, TempUnit::Fahrenheit),
              kC + " and x" + kC + " 41" + kF);
}

TEST(Temperature, TheShownUnitIsKeptAsOneLetter) {
    EXPECT_EQ(UnitKey(TempUnit::Fahrenheit), "F");
    EXPECT_EQ(UnitFromKey("F"), TempUnit::Fahrenheit);
    EXPECT_EQ(UnitFromKey(UnitKey(TempUnit::Celsius)), TempUnit::Celsius);
    for (const char* damaged : {"", "K", "Fahrenheit", " F"}) EXPECT_EQ(UnitFromKey(damaged), TempUnit::Celsius);
    {
        ScopedUnit f(TempUnit::Fahrenheit);
        EXPECT_EQ(UnitSymbol(), kF);
    }
    EXPECT_EQ(ShownUnit(), TempUnit::Celsius);
}

}  // namespace
}  // namespace nimbrel
